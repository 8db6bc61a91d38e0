// Where the dump's report and renders go when the place cannot take them, when its name is not
// UTF-8, and when the dump is interrupted while it has the stored settings pane changed.

#include "e2e/ChildProcess.h"
#include "e2e/RunBinary.h"
#include "support/TestEnv.h"
#include "support/Wait.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSettings>
#include <QStandardPaths>
#include <algorithm>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <memory>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace morvanex;
using namespace morvanex::test;

namespace {

QStringList linesOf(const QByteArray& output) {
    QStringList lines = QString::fromUtf8(output).split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

// The command that runs the binary with `arguments` without the right to write where the
// modes of files forbid it, even as root: root keeps its user, so its home stays its own.
QStringList withoutOverridingModes(const QStringList& arguments) {
    QStringList command{QStringLiteral(MORVANEX_BINARY)};
    if (::geteuid() == 0) {
        const QString setpriv = QStandardPaths::findExecutable(QStringLiteral("setpriv"));
        if (!setpriv.isEmpty())
            command =
                QStringList{setpriv, QStringLiteral("--inh-caps=-dac_override,-dac_read_search"),
                            QStringLiteral("--bounding-set=-dac_override,-dac_read_search"),
                            QStringLiteral("--")} +
                command;
    }
    return isolatedCommand(command + arguments);
}

constexpr int patience = 240000;

TEST(DumpOutput, AnEmptyFolderNameIsRefusedAsUsage) {
    const QString work = scratchDir() + QStringLiteral("/work");
    ASSERT_TRUE(QDir().mkpath(work));
    const RunResult result = runMorvanex({QStringLiteral("--dump"), QString()}, localEnvironment(),
                                         {}, work, std::chrono::milliseconds(patience));
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_TRUE(result.standardOutput.isEmpty());
    EXPECT_EQ(result.standardError, "Morvanex: the folder after --dump is empty; name a folder "
                                    "for the renders, or leave it out for the report alone.\n");
    EXPECT_TRUE(QDir(work).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot));
}

// Every kind of place that can take no renders: the report is printed whole, one line on
// standard error says why, no render is tried, and the run fails.
TEST(DumpOutput, AFolderThatCannotTakeRendersIsSaidInOneLineAndFails) {
    const QString base = scratchDir();
    {
        QFile file(base + QStringLiteral("/file"));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    ASSERT_TRUE(QFile::link(QStringLiteral("loop"), base + QStringLiteral("/loop")));
    ASSERT_TRUE(QDir().mkpath(base + QStringLiteral("/readonly")));
    ASSERT_TRUE(QFile::setPermissions(base + QStringLiteral("/readonly"),
                                      QFile::ReadOwner | QFile::ExeOwner | QFile::ReadGroup |
                                          QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther));
    // Twenty names of 250 bytes: each one fits, the path as a whole does not.
    QString deep = base + QStringLiteral("/deep");
    for (int i = 0; i < 20; ++i)
        deep += u'/' + QString(250, QChar(u'a' + i));
    struct Row {
        const char* name;
        QString folder;
        const char* reason;
    };
    const Row rows[] = {
        {"a regular file", base + QStringLiteral("/file"), "Not a directory"},
        {"a path through a file", base + QStringLiteral("/file/renders"), "Not a directory"},
        {"a name too long", base + u'/' + QString(300, u'n'), "File name too long"},
        {"a path too long", deep, "File name too long"},
        {"a link loop", base + QStringLiteral("/loop"), "Too many levels of symbolic links"},
        {"a read-only folder", base + QStringLiteral("/readonly"), "Permission denied"},
        {"a device", QStringLiteral("/dev/null"), "Not a directory"},
    };
    const QProcessEnvironment environment = localEnvironment();
    std::vector<std::unique_ptr<QProcess>> runs;
    for (const Row& row : rows) {
        const QStringList command = withoutOverridingModes({QStringLiteral("--dump"), row.folder});
        auto& process = runs.emplace_back(std::make_unique<QProcess>());
        process->setProcessEnvironment(environment);
        process->start(command.first(), command.mid(1));
    }
    for (std::size_t i = 0; i < runs.size(); ++i) {
        const Row& row = rows[i];
        QProcess& process = *runs[i];
        SCOPED_TRACE(row.name);
        ASSERT_TRUE(process.waitForFinished(patience));
        EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(process.exitCode(), 1);
        const QStringList output = linesOf(process.readAllStandardOutput());
        const QStringList errors = linesOf(process.readAllStandardError());
        ASSERT_FALSE(output.isEmpty());
        EXPECT_TRUE(output.first().startsWith(QStringLiteral("HotKeys  refused: ")));
        EXPECT_TRUE(output.last().startsWith(QStringLiteral("MenuBarWidth temperature: ")))
            << output.last().toStdString();
        const QStringList said = errors.filter(QStringLiteral("render"));
        ASSERT_EQ(said.size(), 1) << errors.join(u'\n').toStdString();
        EXPECT_EQ(said.first(), QStringLiteral("Morvanex: cannot write the renders into ") +
                                    row.folder + QStringLiteral(": ") +
                                    QString::fromLatin1(row.reason) + u'.');
    }
    EXPECT_TRUE(QDir(base + QStringLiteral("/readonly"))
                    .isEmpty(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot));
    // A failed run leaves none of the folders it would have made.
    EXPECT_FALSE(QFileInfo::exists(base + QStringLiteral("/deep")));
    EXPECT_FALSE(QSettings(storedSettingsFile(), QSettings::IniFormat)
                     .contains(QStringLiteral("settings.pane")));
}

// A run whose standard output is a full device: what it prints is lost, so it fails.
TEST(DumpOutput, AStandardOutputThatTakesNothingFailsTheRun) {
    struct Row {
        const char* name;
        QStringList arguments;
        const char* said;
    };
    const Row rows[] = {
        {"the report",
         {QStringLiteral("--dump")},
         "Morvanex: could not write the report to standard output: No space left on device."},
        {"the agents listing",
         {QStringLiteral("--agents"), QStringLiteral("status")},
         "Morvanex: could not write to standard output: No space left on device."},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const QStringList command = morvanexCommand(row.arguments);
        QProcess process;
        process.setProcessEnvironment(localEnvironment());
        process.setStandardOutputFile(QStringLiteral("/dev/full"));
        process.start(command.first(), command.mid(1));
        ASSERT_TRUE(process.waitForFinished(patience));
        EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(process.exitCode(), 1);
        const QStringList errors = linesOf(process.readAllStandardError());
        EXPECT_EQ(errors.filter(QStringLiteral("standard output")),
                  QStringList{QString::fromUtf8(row.said)});
    }
}

// The bytes of a folder name that is not UTF-8, and an ASCII link to it the test looks
// through.
struct ByteNamedFolder {
    QByteArray bytes;
    QString link;
};

ByteNamedFolder byteNamedFolder(const QString& home, const char* name) {
    const QByteArray bytes = QFile::encodeName(home) + '/' + name;
    const QString link = home + QStringLiteral("/renders-link");
    [[maybe_unused]] const int made = ::symlink(bytes.constData(), QFile::encodeName(link));
    return {bytes, link};
}

// SIGTERM or SIGINT while the settings panes are drawn: the stored pane is put back before the
// dump ends, and the dump ends by that signal. The renders go into a folder whose name is not
// UTF-8, byte for byte, never into a look-alike.
TEST(DumpOutput, AnInterruptedDumpPutsTheStoredPaneBack) {
    localEnvironment(); // the local settings are stored
    {
        QSettings stored(storedSettingsFile(), QSettings::IniFormat);
        stored.setValue(QStringLiteral("settings.pane"), QStringLiteral("weather"));
    }
    struct Run {
        int signal;
        QString home;
        ByteNamedFolder folder;
        std::unique_ptr<ChildProcess> process;
        std::optional<int> status;
    };
    std::vector<Run> runs;
    const QString settingsFile = storedSettingsFile();
    for (const int signal : {SIGTERM, SIGINT}) {
        // Each run in a home of its own, with the same settings.
        const QString home = scratchDir() + QStringLiteral("/home-") + QString::number(signal);
        ASSERT_TRUE(QDir().mkpath(home + QStringLiteral("/.config/Morvanex")));
        ASSERT_TRUE(
            QFile::copy(settingsFile, home + QStringLiteral("/.config/Morvanex/Morvanex.conf")));
        ASSERT_TRUE(QDir().mkpath(home + QStringLiteral("/tmp")));
        runs.push_back({signal, home, byteNamedFolder(home, "r\xfe"), nullptr, std::nullopt});
    }
    const int devNull = ::open("/dev/null", O_RDWR | O_CLOEXEC);
    ASSERT_GE(devNull, 0);
    for (Run& run : runs) {
        QProcessEnvironment environment = bareEnvironment();
        environment.insert(QStringLiteral("HOME"), run.home);
        environment.insert(QStringLiteral("TMPDIR"), run.home + QStringLiteral("/tmp"));
        // The folder's name reaches the binary as the bytes printf makes of an octal escape.
        const QString script =
            QStringLiteral("exec \"$0\" --dump \"$(printf '%s/r\\376' \"$HOME\")\"");
        run.process = std::make_unique<ChildProcess>(
            isolatedCommand({QStringLiteral("/bin/sh"), QStringLiteral("-c"), script,
                             QStringLiteral(MORVANEX_BINARY)}),
            environment, std::array<int, 3>{devNull, devNull, devNull});
        ASSERT_TRUE(run.process->started());
    }
    // Once the first settings pane is drawn, the stored pane is changed: each run gets its
    // signal then.
    std::vector<bool> sent(runs.size(), false);
    EXPECT_TRUE(waitUntil(
        [&] {
            for (std::size_t i = 0; i < runs.size(); ++i) {
                if (!sent[i] && QFile::exists(runs[i].folder.link +
                                              QStringLiteral("/settings-general-dark.png"))) {
                    ::kill(runs[i].process->pid(), runs[i].signal);
                    sent[i] = true;
                }
            }
            return std::find(sent.begin(), sent.end(), false) == sent.end();
        },
        std::chrono::milliseconds(patience)));
    ::close(devNull);
    for (Run& run : runs) {
        SCOPED_TRACE(run.signal);
        run.status = run.process->waitFor(std::chrono::milliseconds(patience));
        ASSERT_TRUE(run.status.has_value());
        EXPECT_TRUE(WIFSIGNALED(*run.status) && WTERMSIG(*run.status) == run.signal)
            << describeStatus(run.status);
        EXPECT_EQ(QSettings(run.home + QStringLiteral("/.config/Morvanex/Morvanex.conf"),
                            QSettings::IniFormat)
                      .value(QStringLiteral("settings.pane")),
                  QStringLiteral("weather"));
        // Menu-bar items and panels went into the folder named by the very bytes given, and
        // no folder of a look-alike name was made.
        EXPECT_TRUE(QFile::exists(run.folder.link + QStringLiteral("/cpu-graphAndText-dark.png")));
        EXPECT_TRUE(QFile::exists(run.folder.link + QStringLiteral("/panel-combined-dark.png")));
        struct stat info {};
        EXPECT_NE(::stat((QFile::encodeName(run.home) + "/r\xef\xbf\xbd").constData(), &info), 0);
        EXPECT_FALSE(QFile::exists(run.folder.link + QStringLiteral("/settings-about-light.png")))
            << "the renders ended at the signal";
        // The scratch folder's own clean-up cannot name it.
        std::filesystem::remove_all(std::filesystem::path(run.folder.bytes.toStdString()));
    }
}

} // namespace
