#include "agents/IsoTime.h"

#include <QDateTime>
#include <cmath>
#include <ctime>
#include <gtest/gtest.h>

using namespace morvanex;

namespace {

void useTimeZone(const char* zone) {
    ::setenv("TZ", zone, 1);
    ::tzset();
}

struct ZoneRow {
    const char* zone;
    qint64 unixSeconds;
    const char* text;
};

TEST(McpIsoTime, WritesTheLocalTimeWithItsOffset) {
    const ZoneRow rows[] = {
        {"UTC", 1700000000, "2023-11-14T22:13:20Z"},
        {"Europe/Berlin", 1700000000, "2023-11-14T23:13:20+01:00"},
        {"Europe/Berlin", 1690000000, "2023-07-22T06:26:40+02:00"}, // summer time
        {"Asia/Kolkata", 1700000000, "2023-11-15T03:43:20+05:30"},
        {"America/St_Johns", 1700000000, "2023-11-14T18:43:20-03:30"},
        {"Pacific/Kiritimati", 1700000000, "2023-11-15T12:13:20+14:00"},
        {"Europe/London", 1700000000, "2023-11-14T22:13:20Z"}, // offset zero in local time
        {"UTC", 0, "1970-01-01T00:00:00Z"},
        {"UTC", -1, "1969-12-31T23:59:59Z"},
    };
    for (const ZoneRow& row : rows) {
        SCOPED_TRACE(row.zone);
        useTimeZone(row.zone);
        EXPECT_EQ(isoTime(QDateTime::fromSecsSinceEpoch(row.unixSeconds, Qt::UTC)), row.text);
        EXPECT_EQ(isoTime(double(row.unixSeconds)), row.text);
    }
}

TEST(McpIsoTime, AZoneLookedUpOnceServesManyTimes) {
    useTimeZone("Asia/Kolkata");
    const QTimeZone zone = currentTimeZone();
    ASSERT_TRUE(zone.isValid());
    useTimeZone("UTC"); // the zone an answer looked up stays its zone
    EXPECT_EQ(isoTime(1700000000.0, zone), "2023-11-15T03:43:20+05:30");
    // A zone Qt cannot name falls back to the C library's local time.
    EXPECT_EQ(isoTime(1700000000.0, QTimeZone()), "2023-11-14T22:13:20Z");
    useTimeZone("Europe/Berlin");
    EXPECT_EQ(isoTime(1700000000.0, QTimeZone()), "2023-11-14T23:13:20+01:00");
}

TEST(McpIsoTime, CutsFractionsOfASecondDown) {
    useTimeZone("UTC");
    EXPECT_EQ(isoTime(QDateTime::fromMSecsSinceEpoch(1700000000999, Qt::UTC)),
              "2023-11-14T22:13:20Z");
    // Before 1970 the cut still goes to the earlier second.
    EXPECT_EQ(isoTime(QDateTime::fromMSecsSinceEpoch(-1, Qt::UTC)), "1969-12-31T23:59:59Z");
    EXPECT_EQ(isoTime(1700000000.75), "2023-11-14T22:13:20Z");
}

TEST(McpIsoTime, NothingForMomentsThatAreNoDate) {
    EXPECT_EQ(isoTime(QDateTime()), "");
    EXPECT_EQ(isoTime(std::nan("")), "");
    EXPECT_EQ(isoTime(1e300), "");
}

} // namespace
