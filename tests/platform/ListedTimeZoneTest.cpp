#include "platform/ListedTimeZone.h"

#include "support/FifoGuard.h"
#include "support/TestEnv.h"

#include <QFile>
#include <gtest/gtest.h>

using namespace morvanex;

namespace {

// From the zone database's folder to the root, whatever its depth.
const QString toRoot = QStringLiteral("../../../../../../../..");

} // namespace

TEST(ListedTimeZone, ListedNamesMakeTheirZones) {
    for (const char* name : {"Europe/Berlin", "America/Argentina/Buenos_Aires", "UTC"}) {
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
