#include "platform/AutostartEntry.h"

#include "support/TestEnv.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <gtest/gtest.h>
#include <unistd.h>

using namespace morvanex::platform;

TEST(AutostartEntry, WrittenReadBackRemoved) {
    const QString folder = morvanex::test::scratchDir() + QStringLiteral("/config/autostart");
    const AutostartEntry entry(folder, QStringLiteral("/opt/Morvanex App/bin/morvanex"));
    EXPECT_FALSE(entry.isEnabled());
    EXPECT_EQ(entry.enable(), std::nullopt);
    EXPECT_TRUE(entry.isEnabled());
    QFile file(entry.filePath());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray text = file.readAll();
    EXPECT_TRUE(text.contains("Exec=\"/opt/Morvanex App/bin/morvanex\"\n")) << text.constData();
    EXPECT_TRUE(text.contains("\nIcon=morvanex\n")) << text.constData();
    file.close();
    EXPECT_EQ(entry.disable(), std::nullopt);
    EXPECT_FALSE(entry.isEnabled());
    EXPECT_FALSE(QFile::exists(entry.filePath()));
    EXPECT_EQ(entry.disable(), std::nullopt); // already off
}

TEST(AutostartEntry, ByDefaultStartsTheProgramThatWroteIt) {
    const QString folder = morvanex::test::scratchDir() + QStringLiteral("/autostart");
    const AutostartEntry entry(folder);
    ASSERT_EQ(entry.enable(), std::nullopt);
    QFile file(entry.filePath());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QString running = QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath();
    ASSERT_FALSE(running.isEmpty());
    EXPECT_TRUE(
        file.readAll().contains("\nExec=" + AutostartEntry::quotedExec(running).toUtf8() + "\n"));
}

TEST(AutostartEntry, TheDesktopsCheckerAcceptsTheEntry) {
    const QString checker = QStandardPaths::findExecutable(QStringLiteral("desktop-file-validate"));
    if (checker.isEmpty())
        GTEST_SKIP() << "desktop-file-validate is not installed (scripts/setup --test installs it)";
    for (const QString& executable : {QStringLiteral("/usr/local/bin/morvanex"),
                                      QStringLiteral("/opt/Morvanex App/bin/morvanex"),
                                      QStringLiteral("/home/a/$b/100%/morvanex")}) {
        SCOPED_TRACE(executable.toStdString());
        const QString folder = morvanex::test::scratchDir() + QStringLiteral("/validated");
        const AutostartEntry entry(folder, executable);
        ASSERT_EQ(entry.enable(), std::nullopt);
        QProcess check;
        check.setProcessChannelMode(QProcess::MergedChannels);
        check.start(checker, {entry.filePath()});
        ASSERT_TRUE(check.waitForFinished(30000));
        EXPECT_EQ(check.exitCode(), 0);
        EXPECT_EQ(check.readAll(), QByteArray());
    }
}

TEST(AutostartEntry, HiddenEntryCountsAsOff) {
    const QString folder = morvanex::test::scratchDir() + QStringLiteral("/autostart");
    QDir().mkpath(folder);
    const AutostartEntry entry(folder, QStringLiteral("/usr/bin/morvanex"));
    QFile file(entry.filePath());
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("[Desktop Entry]\nType=Application\nExec=/usr/bin/morvanex\nHidden=true\n");
    file.close();
    EXPECT_FALSE(entry.isEnabled());
    EXPECT_TRUE(AutostartEntry::hidesItself("[Desktop Entry]\nX-GNOME-Autostart-enabled=false\n"));
    EXPECT_FALSE(AutostartEntry::hidesItself("[Other]\nHidden=true\n"));
}

TEST(AutostartEntry, ExecQuoting) {
    EXPECT_EQ(AutostartEntry::quotedExec(QStringLiteral("/usr/bin/morvanex")),
              QStringLiteral("/usr/bin/morvanex"));
    EXPECT_EQ(AutostartEntry::quotedExec(QStringLiteral("/home/a b/$x\"y")),
              QStringLiteral("\"/home/a b/\\$x\\\"y\""));
    EXPECT_EQ(AutostartEntry::quotedExec(QStringLiteral("/opt/100%/m")),
              QStringLiteral("/opt/100%%/m"));
}

TEST(AutostartEntry, UnwritableFolderFails) {
    // A file where the folder should be fails for every user, root included.
    const QString blocker = morvanex::test::scratchDir() + QStringLiteral("/blocker");
    QFile file(blocker);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    const AutostartEntry blocked(blocker + QStringLiteral("/autostart"),
                                 QStringLiteral("/usr/bin/m"));
    EXPECT_TRUE(blocked.enable());
    EXPECT_FALSE(blocked.isEnabled());

    if (geteuid() == 0)
        return; // root writes into read-only folders
    const QString folder = morvanex::test::scratchDir() + QStringLiteral("/locked");
    QDir().mkpath(folder);
    QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner);
    const AutostartEntry entry(folder, QStringLiteral("/usr/bin/morvanex"));
    const auto error = entry.enable();
    ASSERT_TRUE(error);
    EXPECT_TRUE(error->contains(entry.filePath()));
    EXPECT_FALSE(entry.isEnabled());
    QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}
