#pragma once

#include "platform/Roots.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>
#include <vector>

namespace morvanex::platform {

// One line of the kernel's mount table (/proc/self/mountinfo).
struct MountEntry {
    int id = 0;
    int parentId = 0;
    std::uint32_t major = 0; // device number of the file system's superblock
    std::uint32_t minor = 0;
    QString root;       // the folder of the file system that is mounted ("/" for all of it)
    QString mountPoint; // where it is mounted
    QStringList mountOptions;
    QString fsType;
    QString source; // the device, share or pseudo name
    QStringList superOptions;

    bool readOnly() const {
        return mountOptions.contains(QStringLiteral("ro")) ||
               superOptions.contains(QStringLiteral("ro"));
    }
    bool operator==(const MountEntry&) const = default;
};

// The entries of a mountinfo text in the kernel's order (parents before the mounts on them).
// Lines that do not parse are skipped.
std::vector<MountEntry> parseMountInfo(const QByteArray& text);

// The kernel writes space, tab, newline and backslash in paths as three octal digits
// ("\040"); the result decodes the bytes as UTF-8, with replacement characters where they
// are not.
QString unescapeMountField(const QByteArray& field);

// The mount table of this process's mount namespace; nothing when it cannot be read.
std::optional<std::vector<MountEntry>> readMountTable(const Roots& roots);

} // namespace morvanex::platform
