#include "services/AstronomyMonitor.h"

#include <gtest/gtest.h>

using namespace morvanex;

namespace {

QDateTime utc(const char* text) {
    QDateTime moment = QDateTime::fromString(QString::fromLatin1(text), Qt::ISODate);
    moment.setTimeZone(QTimeZone::utc());
    return moment;
}

const WeatherLocation london{QStringLiteral("London"), 51.5074, -0.1278};
const WeatherLocation tromso{QStringLiteral("Tromsø"), 69.6496, 18.9560};

// A monitor on a hand-driven clock.
struct Harness {
    QDateTime now = utc("2024-06-21T10:00:00");
    AstronomyMonitor monitor;

    Harness() : monitor(clock()) {}

    platform::Clock clock() {
        platform::Clock clock;
        clock.now = [this] { return now; };
        return clock;
    }
};

} // namespace

TEST(AstronomyMonitor, StartsEmptyAndIgnoresAMissingPlace) {
    Harness h;
    EXPECT_FALSE(h.monitor.snapshot().has_value());
    EXPECT_FALSE(h.monitor.lastLocation().has_value());
    EXPECT_FALSE(h.monitor.phasesCache().has_value());
    EXPECT_LT(h.monitor.lastUpdate(), utc("1970-01-01T00:00:00"));
    EXPECT_FALSE(h.monitor.nextSunEvent(h.now).has_value());

    h.monitor.update(std::nullopt);
    EXPECT_FALSE(h.monitor.snapshot().has_value());
    h.monitor.update(london);
    ASSERT_TRUE(h.monitor.snapshot().has_value());
    h.now = h.now.addSecs(3600);
    h.monitor.update(std::nullopt);
    EXPECT_EQ(h.monitor.lastUpdate(), utc("2024-06-21T10:00:00"));
    EXPECT_EQ(h.monitor.snapshot()->location, london);
}

TEST(AstronomyMonitor, SnapshotHoldsTheCalculationsForNow) {
    Harness h;
    h.monitor.update(london);
    ASSERT_TRUE(h.monitor.snapshot().has_value());
    const AstronomyMonitor::Snapshot& s = *h.monitor.snapshot();
    EXPECT_EQ(s.location, london);
    EXPECT_EQ(s.sun, SunCalc::sunTimes(h.now, london.latitude, london.longitude));
    const SunCalc::SunPosition sun = SunCalc::sunPosition(h.now, london.latitude, london.longitude);
    EXPECT_EQ(s.sunAzimuth, sun.azimuth);
    EXPECT_EQ(s.sunAltitude, sun.altitude);
    const SunCalc::MoonPosition moon =
        SunCalc::moonPosition(h.now, london.latitude, london.longitude);
    EXPECT_EQ(s.moonAltitude, moon.altitude);
    EXPECT_EQ(s.moonDistance, moon.distance);
    const SunCalc::MoonIllumination light = SunCalc::moonIllumination(h.now);
    EXPECT_EQ(s.moonFraction, light.fraction);
    EXPECT_EQ(s.moonPhase, light.phase);
    // Moonrise and moonset of the local calendar day (the machine's zone: UTC under test).
    const SunCalc::MoonTimes moonTimes =
        SunCalc::moonTimes(h.now, london.latitude, london.longitude, QTimeZone::utc());
    EXPECT_EQ(s.moonrise, moonTimes.rise);
    EXPECT_EQ(s.moonset, moonTimes.set);
    const SunCalc::NextPhases phases = SunCalc::nextPhases(h.now);
    EXPECT_EQ(s.nextNewMoon, phases.newMoon);
    EXPECT_EQ(s.nextFullMoon, phases.fullMoon);
    ASSERT_TRUE(s.nextFullMoon.has_value());
    // The full moon of 2024-06-22 01:08 UTC, to within the formulas' few hours.
    EXPECT_LE(std::abs(utc("2024-06-22T01:08:00").secsTo(*s.nextFullMoon)), 6 * 3600);
    // Day length at midsummer in London: 16 h 38 min, within four minutes.
    ASSERT_TRUE(s.dayLength().has_value());
    EXPECT_NEAR(*s.dayLength(), 16 * 3600 + 38 * 60, 4 * 60);
}

TEST(AstronomyMonitor, RecomputesAtMostOnceAMinutePerPlace) {
    Harness h;
    const QDateTime start = h.now;
    h.monitor.update(london);
    struct Step {
        const char* what;
        double secondsAfterStart;
        WeatherLocation place;
        bool computes;
    };
    const Step steps[] = {
        {"same place 30 s later", 30, london, false},
        {"same place at exactly 60 s", 60, london, false},
        {"same place 61 s after the last computation", 61, london, true},
        {"another place at once", 62, tromso, true},
        {"same name, other coordinates", 63, {QStringLiteral("Tromsø"), 69.6496, 18.95}, true},
        {"other name, same coordinates", 64, {QStringLiteral("Tromso"), 69.6496, 18.95}, true},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        const QDateTime before = h.monitor.lastUpdate();
        const std::optional<WeatherLocation> placeBefore = h.monitor.lastLocation();
        h.now = start.addMSecs(qint64(step.secondsAfterStart * 1000));
        h.monitor.update(step.place);
        EXPECT_EQ(h.monitor.lastUpdate(), step.computes ? h.now : before);
        EXPECT_EQ(h.monitor.lastLocation(), step.computes ? step.place : placeBefore);
        if (step.computes) {
            EXPECT_EQ(h.monitor.snapshot()->location, step.place);
            EXPECT_EQ(
                h.monitor.snapshot()->sunAltitude,
                SunCalc::sunPosition(h.now, step.place.latitude, step.place.longitude).altitude);
        }
    }
}

TEST(AstronomyMonitor, PhaseSearchRunsAtMostOnceAnHour) {
    Harness h;
    const QDateTime start = h.now;
    h.monitor.update(london);
    ASSERT_TRUE(h.monitor.phasesCache().has_value());
    EXPECT_EQ(h.monitor.phasesCache()->computed, start);
    const auto firstFull = h.monitor.snapshot()->nextFullMoon;

    // A recomputation within the hour reuses the search, for any place.
    h.now = start.addSecs(61);
    h.monitor.update(london);
    EXPECT_EQ(h.monitor.lastUpdate(), h.now);
    EXPECT_EQ(h.monitor.phasesCache()->computed, start);
    h.now = start.addSecs(3600);
    h.monitor.update(tromso);
    EXPECT_EQ(h.monitor.phasesCache()->computed, start);
    EXPECT_EQ(h.monitor.snapshot()->nextFullMoon, firstFull);

    // More than an hour after the last search, it runs again.
    h.now = start.addSecs(3601);
    h.monitor.update(london);
    EXPECT_EQ(h.monitor.phasesCache()->computed, h.now);
    const SunCalc::NextPhases phases = SunCalc::nextPhases(h.now);
    EXPECT_EQ(h.monitor.snapshot()->nextNewMoon, phases.newMoon);
    EXPECT_EQ(h.monitor.snapshot()->nextFullMoon, phases.fullMoon);
}

TEST(AstronomyMonitor, NextSunEvent) {
    Harness h;
    h.monitor.update(london);
    const SunCalc::SunTimes& today = h.monitor.snapshot()->sun;
    const QDateTime sunrise = *today[QStringLiteral("sunrise")];
    const QDateTime sunset = *today[QStringLiteral("sunset")];
    const auto tomorrowSunrise = [&](const QDateTime& now) {
        return *SunCalc::sunTimes(now.addSecs(86400), london.latitude,
                                  london.longitude)[QStringLiteral("sunrise")];
    };
    struct Row {
        const char* what;
        QDateTime now;
        bool isSunrise;
        QDateTime expected;
    };
    const Row rows[] = {
        {"before sunrise", sunrise.addSecs(-60), true, sunrise},
        {"at sunrise", sunrise, false, sunset},
        {"between sunrise and sunset", sunrise.addSecs(3600), false, sunset},
        {"at sunset", sunset, true, tomorrowSunrise(sunset)},
        {"after sunset", sunset.addSecs(600), true, tomorrowSunrise(sunset.addSecs(600))},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        const auto event = h.monitor.nextSunEvent(row.now);
        ASSERT_TRUE(event.has_value());
        EXPECT_EQ(event->isSunrise, row.isSunrise);
        EXPECT_EQ(event->date, row.expected);
        EXPECT_GT(event->date, row.now);
    }
    // Tomorrow's sunrise is about 24 hours after today's.
    EXPECT_NEAR(double(sunrise.secsTo(tomorrowSunrise(sunset))), 86400, 120);
}

TEST(AstronomyMonitor, PolarDayAndNight) {
    for (const char* date : {"2024-06-21T10:00:00", "2024-12-21T10:00:00"}) {
        SCOPED_TRACE(date);
        Harness h;
        h.now = utc(date);
        h.monitor.update(tromso);
        ASSERT_TRUE(h.monitor.snapshot().has_value());
        EXPECT_FALSE(h.monitor.snapshot()->dayLength().has_value());
        EXPECT_FALSE(h.monitor.nextSunEvent(h.now).has_value());
    }
}

// The default construction runs on the real clock: the calculation is for the moment of the
// update, between the test's own reads of the time around it.
TEST(AstronomyMonitor, DefaultConstructionUsesTheRealClock) {
    AstronomyMonitor monitor;
    const QDateTime before = QDateTime::currentDateTimeUtc();
    monitor.update(london);
    const QDateTime after = QDateTime::currentDateTimeUtc();
    ASSERT_TRUE(monitor.snapshot().has_value());
    const QDateTime at = monitor.lastUpdate();
    EXPECT_GE(at, before);
    EXPECT_LE(at, after);
    EXPECT_EQ(monitor.snapshot()->sunAltitude,
              SunCalc::sunPosition(at, london.latitude, london.longitude).altitude);
}
