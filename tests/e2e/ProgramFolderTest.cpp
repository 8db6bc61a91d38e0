// A program folder whose name is not UTF-8 once hid the executable's own parts from it: their
// paths went through text, which cannot hold such a name. The executable, its widgets library
// and its calendar reader are put together in such a folder, as the build tree keeps them.

#include "e2e/RunBinary.h"
#include "support/FixtureTree.h"
#include "support/TestEnv.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <cerrno>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace morvanex::test;

namespace {

// Closes a descriptor when it goes.
struct Descriptor {
    int fd;
    ~Descriptor() {
        if (fd >= 0)
            ::close(fd);
    }
};

// `from` at `to`: a hard link where the file system allows one, else an executable copy.
bool place(const QByteArray& from, const QByteArray& to) {
    if (::link(from.constData(), to.constData()) == 0)
        return true;
    const Descriptor in{::open(from.constData(), O_RDONLY | O_CLOEXEC)};
    const Descriptor out{::open(to.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0700)};
    if (in.fd < 0 || out.fd < 0)
        return false;
    char buffer[1 << 16];
    for (;;) {
        const ssize_t got = ::read(in.fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return got == 0;
        for (ssize_t done = 0; done < got;) {
            const ssize_t written = ::write(out.fd, buffer + done, size_t(got - done));
            if (written <= 0)
                return false;
            done += written;
        }
    }
}

} // namespace

TEST(NonUtf8ProgramFolder, HoldsAProgramThatDrawsAndReadsCalendars) {
    const QString base = scratchDir();
    const QByteArray folder = QFile::encodeName(base) + "/build-\xff\xfe";
    ASSERT_EQ(::mkdir(folder.constData(), 0700), 0);
    const QByteArray built =
        QFile::encodeName(QFileInfo(QStringLiteral(MORVANEX_BINARY)).absolutePath());
    for (const char* part : {"morvanex", "libmorvanex-gui.so", "morvanex-calendar-reader"})
        ASSERT_TRUE(place(built + '/' + part, folder + '/' + part)) << part;

    // A calendar whose event falls on every day, read through the calendar reader.
    QProcessEnvironment environment = localEnvironment();
    const QString data =
        environment.value(QStringLiteral("HOME")) + QStringLiteral("/.local/share");
    QFile fixture(QStringLiteral(MORVANEX_FIXTURES "/install/data/calendars/checks/daily.ics"));
    ASSERT_TRUE(fixture.open(QIODevice::ReadOnly));
    writeFile(data, QStringLiteral("calendars/checks/daily.ics"), fixture.readAll());
    environment.insert(QStringLiteral("QT_LOGGING_RULES"),
                       QStringLiteral("morvanex.services.debug=true"));

    const QString renders = base + QStringLiteral("/renders");
    // A process is started by a name in text: a shell spells the folder's name in bytes.
    const QStringList command = isolatedCommand(
        {QStringLiteral("/bin/sh"), QStringLiteral("-c"),
         QStringLiteral("exec \"$(printf '%s/build-\\377\\376' \"$1\")/morvanex\" --dump \"$2\""),
         QStringLiteral("sh"), base, renders});
    QProcess run;
    run.setProcessEnvironment(environment);
    run.start(command.first(), command.mid(1));
    ASSERT_TRUE(run.waitForStarted(10000));
    run.closeWriteChannel();
    ASSERT_TRUE(run.waitForFinished(240000));
    const RunResult result = finishedRun(run);
    const QString errors = QString::fromUtf8(result.standardError);
    ASSERT_FALSE(result.crashed) << errors.toStdString();
    // The report and the renders ran, which the widgets library draws.
    EXPECT_EQ(result.exitCode, 0) << errors.toStdString();
    EXPECT_TRUE(result.standardOutput.startsWith("HotKeys  refused: "));
    EXPECT_FALSE(QDir(renders).entryList({QStringLiteral("*.png")}, QDir::Files).isEmpty());
    EXPECT_TRUE(
        QRegularExpression(
            QStringLiteral("Calendar file %1/calendars/checks/daily.ics: [1-9]\\d* events read")
                .arg(QRegularExpression::escape(data)))
            .match(errors)
            .hasMatch())
        << errors.toStdString();
}
