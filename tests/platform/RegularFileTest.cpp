#include "platform/RegularFile.h"

#include "support/FifoGuard.h"
#include "support/FixtureTree.h"
#include "support/TestEnv.h"

#include <QDateTime>
#include <QFile>
#include <gtest/gtest.h>

using namespace morvanex;
using platform::RegularFileRead;

namespace {

QString path(const QString& name) {
    return test::scratchDir() + QLatin1Char('/') + name;
}

} // namespace

TEST(RegularFile, ReadsOnlySmallRegularFilesAndNeverWaits) {
    const QString root = test::scratchDir();
    test::writeFile(root, QStringLiteral("small"), "#62a0ea\n");
    test::writeFile(root, QStringLiteral("large"), QByteArray(65, 'x'));
    test::writeFile(root, QStringLiteral("folder/inside"), "x");
    ASSERT_TRUE(QFile::link(path(QStringLiteral("small")), path(QStringLiteral("to-small"))));
    ASSERT_TRUE(QFile::link(QStringLiteral("/proc/self/fd/0"), path(QStringLiteral("to-stdin"))));
    ASSERT_TRUE(QFile::link(QStringLiteral("nowhere"), path(QStringLiteral("dangling"))));
    // Opening a FIFO for reading waits for a writer; the guard lets a waiter go and notes it.
    const test::FifoGuard fifo(path(QStringLiteral("fifo")));
    ASSERT_TRUE(fifo.made());
    ASSERT_TRUE(QFile::link(path(QStringLiteral("fifo")), path(QStringLiteral("to-fifo"))));
    using platform::LastLink;

    struct Case {
        const char* name;
        LastLink links;
        RegularFileRead::Outcome outcome;
        const char* reason;
    };
    const Case cases[] = {
        {"small", LastLink::refuse, RegularFileRead::Outcome::read, ""},
        {"large", LastLink::refuse, RegularFileRead::Outcome::tooLarge,
         "it is larger than 64 bytes"},
        {"missing", LastLink::refuse, RegularFileRead::Outcome::missing, "it does not exist"},
        {"small/below-a-file", LastLink::refuse, RegularFileRead::Outcome::missing,
         "it does not exist"},
        {"folder", LastLink::refuse, RegularFileRead::Outcome::notRegular,
         "it is not a regular file"},
        {"fifo", LastLink::refuse, RegularFileRead::Outcome::notRegular,
         "it is not a regular file"},
        {"to-small", LastLink::refuse, RegularFileRead::Outcome::link, "it is a symbolic link"},
        {"to-stdin", LastLink::refuse, RegularFileRead::Outcome::link, "it is a symbolic link"},
        {"dangling", LastLink::refuse, RegularFileRead::Outcome::link, "it is a symbolic link"},
        // A calendar file the user linked in is followed; what it leads to must still be a
        // small regular file.
        {"to-small", LastLink::follow, RegularFileRead::Outcome::read, ""},
        {"to-fifo", LastLink::follow, RegularFileRead::Outcome::notRegular,
         "it is not a regular file"},
        {"dangling", LastLink::follow, RegularFileRead::Outcome::missing, "it does not exist"},
        {"fifo", LastLink::follow, RegularFileRead::Outcome::notRegular,
         "it is not a regular file"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const RegularFileRead read =
            platform::readRegularFile(path(QString::fromLatin1(c.name)), 64, c.links);
        EXPECT_EQ(read.outcome, c.outcome);
        EXPECT_EQ(read.reason(64), QString::fromLatin1(c.reason));
        EXPECT_EQ(read.contents, c.outcome == RegularFileRead::Outcome::read ? "#62a0ea\n" : "");
    }
    EXPECT_FALSE(fifo.released()) << "a read waited on the FIFO";
}

TEST(RegularFile, IdentityTellsAChangedFile) {
    const QString root = test::scratchDir();
    test::writeFile(root, QStringLiteral("calendar.ics"), "one");
    const RegularFileRead first =
        platform::readRegularFile(path(QStringLiteral("calendar.ics")), 64);
    ASSERT_TRUE(first.ok());
    EXPECT_EQ(platform::regularFileIdentity(path(QStringLiteral("calendar.ics"))), first.identity);

    // Rewritten with as many bytes (its time set apart from the first write's, which the clock's
    // granularity may not tell), or replaced by another file.
    test::writeFile(root, QStringLiteral("calendar.ics"), "two");
    QFile rewritten(path(QStringLiteral("calendar.ics")));
    ASSERT_TRUE(rewritten.open(QIODevice::ReadWrite));
    ASSERT_TRUE(rewritten.setFileTime(QDateTime::currentDateTimeUtc().addSecs(10),
                                      QFileDevice::FileModificationTime));
    rewritten.close();
    EXPECT_NE(platform::regularFileIdentity(path(QStringLiteral("calendar.ics"))), first.identity);
    test::writeFile(root, QStringLiteral("other.ics"), "one");
    ASSERT_TRUE(QFile::remove(path(QStringLiteral("calendar.ics"))));
    ASSERT_TRUE(
        QFile::rename(path(QStringLiteral("other.ics")), path(QStringLiteral("calendar.ics"))));
    EXPECT_NE(platform::regularFileIdentity(path(QStringLiteral("calendar.ics"))), first.identity);

    // A link has the identity of the file it leads to; a missing file has none.
    ASSERT_TRUE(
        QFile::link(path(QStringLiteral("calendar.ics")), path(QStringLiteral("link.ics"))));
    EXPECT_EQ(platform::regularFileIdentity(path(QStringLiteral("link.ics"))),
              platform::regularFileIdentity(path(QStringLiteral("calendar.ics"))));
    EXPECT_FALSE(platform::regularFileIdentity(path(QStringLiteral("missing.ics"))));
}
