#pragma once

#include "platform/DesktopEntries.h"
#include "platform/SystemLinks.h"
#include "support/FixtureTree.h"

#include <QFile>
#include <QStandardPaths>
#include <QString>
#include <QTemporaryDir>
#include <functional>
#include <initializer_list>
#include <optional>
#include <vector>

namespace morvanex::test {

// A machine with some of the desktop's programs: executables in bin/ and their desktop entries
// under share/applications, as the system links find them.
class FakeDesktopPrograms {
public:
    struct Program {
        const char* executable;
        const char* entry; // desktop entry file, or nullptr for a program without one
        const char* name;
    };

    explicit FakeDesktopPrograms(std::initializer_list<Program> programs) {
        const QString root = dir_.path();
        for (const Program& p : programs) {
            writeFile(root, QStringLiteral("bin/") + p.executable, "#!/bin/sh\n");
            QFile(root + "/bin/" + p.executable)
                .setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
            if (p.entry)
                writeFile(root, QStringLiteral("share/applications/") + p.entry,
                          QByteArray("[Desktop Entry]\nType=Application\nName=") + p.name +
                              "\nExec=" + p.executable + " %U\nIcon=x\n");
        }
        // An entry whose program is not installed names nothing.
        writeFile(root, "share/applications/org.gnome.DiskUtility.desktop",
                  "[Desktop Entry]\nType=Application\nName=Disks\nExec=gnome-disks\n"
                  "Icon=x\n");
        entries_ = platform::loadDesktopEntries({root + "/share"});
    }

    // What PanelEnv::linkName answers on this machine.
    std::function<std::optional<QString>(platform::SystemLink)> linkName() const {
        const QString bin = dir_.path() + "/bin";
        const auto entries = entries_;
        return [bin, entries](platform::SystemLink link) -> std::optional<QString> {
            const auto program = platform::SystemLinks::installed(
                link, [bin](const QString& n) { return QStandardPaths::findExecutable(n, {bin}); },
                entries);
            return program ? std::optional(program->name) : std::nullopt;
        };
    }

private:
    QTemporaryDir dir_;
    std::vector<platform::DesktopEntry> entries_;
};

} // namespace morvanex::test
