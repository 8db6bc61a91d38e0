#include "base/Units.h"

#include "base/WorldClock.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>

using namespace morvanex;

namespace {

constexpr double nan = std::numeric_limits<double>::quiet_NaN();
constexpr double inf = std::numeric_limits<double>::infinity();

TEST(TempUnitFormat, ConvertsAndPrintsWithPrintfRounding) {
    struct Row {
        std::optional<double> value;
        std::int64_t decimals;
        const char* celsius;
        const char* fahrenheit;
        const char* kelvin;
    };
    const Row rows[] = {
        {21.46, 1, "21.5°", "70.6°", "294.6 K"},
        {21.46, 0, "21°", "71°", "295 K"},
        {std::nullopt, 1, "—", "—", "—"},
        {-0.4, 0, "-0°", "31°", "273 K"},
        {nan, 1, "—", "—", "—"},
        {inf, 0, "—", "—", "—"},
        {-40, 0, "-40°", "-40°", "233 K"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.celsius);
        EXPECT_EQ(format(TempUnit::celsius, row.value, row.decimals),
                  QString::fromUtf8(row.celsius));
        EXPECT_EQ(format(TempUnit::fahrenheit, row.value, row.decimals),
                  QString::fromUtf8(row.fahrenheit));
        EXPECT_EQ(format(TempUnit::kelvin, row.value, row.decimals), QString::fromUtf8(row.kelvin));
    }
}

TEST(WindUnitFormat, RoundsHalfAwayFromZeroInEachUnit) {
    struct Row {
        double kmh;
        const char* kmhText;
        const char* mph;
        const char* ms;
        const char* knots;
    };
    const Row rows[] = {
        {20, "20 km/h", "12 mph", "6 m/s", "11 kn"},
        {2.5, "3 km/h", "2 mph", "1 m/s", "1 kn"},
        {-2.5, "-3 km/h", "-2 mph", "-1 m/s", "-1 kn"},
        {0, "0 km/h", "0 mph", "0 m/s", "0 kn"},
        {nan, "—", "—", "—", "—"},
        {-inf, "—", "—", "—", "—"},
        {1e300, "—", "—", "—", "—"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.kmhText);
        EXPECT_EQ(format(WindUnit::kmh, row.kmh), QString::fromUtf8(row.kmhText));
        EXPECT_EQ(format(WindUnit::mph, row.kmh), QString::fromUtf8(row.mph));
        EXPECT_EQ(format(WindUnit::ms, row.kmh), QString::fromUtf8(row.ms));
        EXPECT_EQ(format(WindUnit::knots, row.kmh), QString::fromUtf8(row.knots));
    }
}

TEST(WorldClockOffset, SignedHoursAgainstTheLocalZone) {
    const QDateTime winter(QDate(2026, 1, 15), QTime(12, 0), QTimeZone::utc());
    const QDateTime summer(QDate(2026, 7, 15), QTime(12, 0), QTimeZone::utc());
    struct Row {
        const char* zone;
        QDateTime at;
        const char* local;
        const char* expected;
    };
    const Row rows[] = {
        {"Europe/Berlin", winter, "Europe/Berlin", "Same time"},
        {"Asia/Kolkata", winter, "UTC", "+5.5 h"},
        {"Australia/Adelaide", winter, "UTC", "+10.5 h"}, // 9:30 plus daylight saving
        {"Australia/Darwin", winter, "UTC", "+9.5 h"},
        {"America/Sao_Paulo", winter, "UTC", "\u22123 h"},
        {"Asia/Kathmandu", winter, "UTC", "+5.8 h"}, // 5:45 printed with one decimal
        {"America/New_York", winter, "Europe/Berlin", "\u22126 h"},
        {"America/New_York", summer, "Europe/Berlin", "\u22126 h"},
        {"Europe/London", summer, "UTC", "+1 h"}, // daylight saving at that moment
        {"Europe/London", winter, "UTC", "Same time"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.zone);
        EXPECT_EQ(WorldClock::offset(QTimeZone(row.zone), row.at, QTimeZone(row.local)),
                  QString::fromUtf8(row.expected));
    }
}

TEST(WorldClockOffset, DefaultsToTheSystemZone) {
    const QDateTime now = QDateTime::currentDateTimeUtc();
    EXPECT_EQ(WorldClock::offset(QTimeZone::systemTimeZone(), now), "Same time");
}

} // namespace
