#include "platform/ListedTimeZone.h"

#include "support/FifoGuard.h"
#include "support/FixtureTree.h"
#include "support/TestEnv.h"

#include <QFile>
#include <gtest/gtest.h>

using namespace morvanex;

namespace {

// From the zone database's folder to the root, whatever its depth.
const QString toRoot = QStringLiteral("../../../../../../../..");

} // namespace

TEST(ListedTimeZone, ListedNamesMakeTheirZones) {
    // Zones and links of the system's database, Qt's own list or not: the zone in which this
    // machine runs, the fixed offsets and the older names that stored settings still use.
    for (const char* name : {"Europe/Berlin", "America/Argentina/Buenos_Aires", "UTC", "Etc/UTC",
                             "GMT", "Etc/GMT+5", "US/Eastern", "Europe/Kiev", "Asia/Calcutta"}) {
        SCOPED_TRACE(name);
        EXPECT_TRUE(platform::isListedTimeZone(name));
        const QTimeZone zone = platform::listedTimeZone(QString::fromLatin1(name));
        EXPECT_TRUE(zone.isValid());
        EXPECT_EQ(zone.id(), QByteArray(name));
    }
}

TEST(ListedTimeZone, NamesThatArePathsOpenNothing) {
    // A real zone's definition copied outside the database: the zone backend, given a path to
    // it, would read it and make a valid zone.
    const QString copy = test::scratchDir() + QStringLiteral("/copied-zone");
    ASSERT_TRUE(QFile::copy(QStringLiteral("/usr/share/zoneinfo/Europe/Berlin"), copy));
    ASSERT_TRUE(QTimeZone((toRoot + copy).toUtf8()).isValid()) << "the backend follows paths";
    const test::FifoGuard fifo(test::scratchDir() + QStringLiteral("/zone-fifo"));
    ASSERT_TRUE(fifo.made());

    const QString names[] = {
        toRoot + QStringLiteral("/etc/passwd"),
        toRoot + copy,
        toRoot + fifo.path(),
        QStringLiteral("/usr/share/zoneinfo/Europe/Berlin"),
        QStringLiteral("Europe/../Europe/Berlin"),
        QStringLiteral("Europe/Berlin\n"),
        QString(4 * 1024 * 1024, QLatin1Char('A')) + QStringLiteral("/Berlin"),
        QString(),
    };
    for (const QString& name : names) {
        SCOPED_TRACE(name.left(80).toStdString());
        EXPECT_FALSE(platform::isListedTimeZone(name.toUtf8()));
        EXPECT_FALSE(platform::listedTimeZone(name).isValid());
    }
    EXPECT_FALSE(fifo.released()) << "the FIFO was opened";
}

TEST(ListedTimeZone, TheDatabaseIndexNamesItsZonesAndLinks) {
    const QString root = test::scratchDir();
    test::writeFile(root, QStringLiteral("usr/share/zoneinfo/tzdata.zi"),
                    "# version 2025b\n"
                    "R d 1916 o - Jun 14 23s 1 S\n"
                    "Z Europe/Berlin 0:53:28 - LMT 1893 Ap\n"
                    "1 c CE%sT 1945 May 24 2\n"
                    "1 E CE%sT\n"
                    "Z\tEtc/GMT+5 -5 - %z\n"
                    "Z Etc/UTC 0 - UTC\n"
                    "L Etc/GMT GMT\n"
                    "L  America/New_York   US/Eastern\r\n"
                    "L Etc/UTC Z\n"
                    // Nothing that could leave the database's folder, however it got there.
                    "Z ../../etc/passwd 0 - X\n"
                    "L Etc/UTC /etc/passwd\n"
                    "L Etc/UTC Europe/./Berlin\n"
                    "L Etc/UTC Europe//Berlin\n"
                    "Z Bad\\Name 0 - X\n"
                    "Z\n"
                    "L Etc/UTC\n");
    const QSet<QByteArray> expected = {"Europe/Berlin", "Etc/GMT+5",  "Etc/UTC",
                                       "GMT",           "US/Eastern", "Z"};
    EXPECT_EQ(platform::zoneDatabaseNames(platform::Roots::under(root)), expected);

    // No index: no names of its own (Qt's list still stands behind the lookups).
    EXPECT_TRUE(platform::zoneDatabaseNames(platform::Roots::under(root + "/none")).isEmpty());
}
