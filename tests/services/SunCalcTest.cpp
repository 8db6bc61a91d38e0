#include "services/SunCalc.h"

#include <QTimeZone>
#include <cmath>
#include <gtest/gtest.h>
#include <optional>

using namespace morvanex;

namespace {

QDateTime utc(const char* text) {
    QDateTime moment = QDateTime::fromString(QString::fromLatin1(text), Qt::ISODate);
    moment.setTimeZone(QTimeZone::utc());
    return moment;
}

double minutesApart(const QDateTime& a, const QDateTime& b) {
    return std::abs(double(a.msecsTo(b))) / 60000;
}

double hoursApart(const QDateTime& a, const QDateTime& b) {
    return minutesApart(a, b) / 60;
}

// Reference times below are published almanac values (upper-limb sunrise and sunset at the
// standard refraction, twilights by the sun's centre), in UTC.
struct Place {
    const char* name;
    double lat;
    double lon;
};

constexpr Place london{"London", 51.5074, -0.1278};
constexpr Place sydney{"Sydney", -33.8688, 151.2093};
constexpr Place newYork{"New York", 40.7128, -74.0060};
constexpr Place tromso{"Tromsø", 69.6496, 18.9560};

} // namespace

// The low-precision formulas place sun events within a couple of minutes of the almanac.
TEST(SunCalcSunTimes, MatchAlmanacWithinThreeMinutes) {
    constexpr double toleranceMinutes = 3;
    struct Row {
        Place place;
        const char* date; // an instant near the day's solar noon
        const char* event;
        const char* expected;
    };
    const Row rows[] = {
        {london, "2024-06-21T12:00:00", "sunrise", "2024-06-21T03:43:12"},
        {london, "2024-06-21T12:00:00", "sunset", "2024-06-21T20:21:38"},
        {london, "2024-06-21T12:00:00", "civilDawn", "2024-06-21T02:55:26"},
        {london, "2024-06-21T12:00:00", "civilDusk", "2024-06-21T21:09:24"},
        {london, "2024-06-21T12:00:00", "nauticalDawn", "2024-06-21T01:40:46"},
        {london, "2024-06-21T12:00:00", "nauticalDusk", "2024-06-21T22:24:02"},
        {london, "2024-06-21T12:00:00", "goldenHourEnd", "2024-06-21T04:37:28"},
        {london, "2024-06-21T12:00:00", "goldenHourStart", "2024-06-21T19:27:23"},
        {sydney, "2024-06-21T02:00:00", "sunrise", "2024-06-20T21:00:04"},
        {sydney, "2024-06-21T02:00:00", "sunset", "2024-06-21T06:53:55"},
        {sydney, "2024-06-21T02:00:00", "astronomicalDawn", "2024-06-20T19:30:37"},
        {sydney, "2024-06-21T02:00:00", "astronomicalDusk", "2024-06-21T08:23:23"},
        {newYork, "2024-12-21T17:00:00", "sunrise", "2024-12-21T12:16:49"},
        {newYork, "2024-12-21T17:00:00", "sunset", "2024-12-21T21:32:02"},
        {newYork, "2024-12-21T17:00:00", "nauticalDawn", "2024-12-21T11:11:19"},
        {newYork, "2024-12-21T17:00:00", "nauticalDusk", "2024-12-21T22:37:32"},
        {tromso, "2024-12-21T11:00:00", "civilDawn", "2024-12-21T08:31:32"},
        {tromso, "2024-12-21T11:00:00", "civilDusk", "2024-12-21T12:53:21"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.place.name) + " " + row.date + " " + row.event);
        const SunCalc::SunTimes times =
            SunCalc::sunTimes(utc(row.date), row.place.lat, row.place.lon);
        const auto event = times[QString::fromLatin1(row.event)];
        ASSERT_TRUE(event.has_value());
        EXPECT_LE(minutesApart(*event, utc(row.expected)), toleranceMinutes)
            << event->toString(Qt::ISODate).toStdString();
    }
}

TEST(SunCalcSunTimes, SolarNoonAndEventSymmetry) {
    // London's solar noon at midsummer: 12:02:26 UTC, within two minutes.
    const SunCalc::SunTimes times = SunCalc::sunTimes(utc("2024-06-21T09:00:00"), 51.5074, -0.1278);
    EXPECT_LE(minutesApart(times.solarNoon, utc("2024-06-21T12:02:26")), 2.0);
    // Morning and evening events mirror each other around solar noon (to the millisecond).
    for (const auto& [morning, evening] : {std::pair{"sunrise", "sunset"},
                                           {"civilDawn", "civilDusk"},
                                           {"blueHourEnd", "blueHourStart"},
                                           {"goldenHourEnd", "goldenHourStart"}}) {
        SCOPED_TRACE(morning);
        const auto rise = times[QLatin1String(morning)];
        const auto set = times[QLatin1String(evening)];
        ASSERT_TRUE(rise && set);
        EXPECT_NEAR(double(rise->msecsTo(times.solarNoon)), double(times.solarNoon.msecsTo(*set)),
                    2.0);
    }
    // The order through the morning: deeper twilights first.
    EXPECT_LT(*times[QStringLiteral("civilDawn")], *times[QStringLiteral("blueHourEnd")]);
    EXPECT_LT(*times[QStringLiteral("blueHourEnd")], *times[QStringLiteral("sunrise")]);
    EXPECT_LT(*times[QStringLiteral("sunrise")], *times[QStringLiteral("goldenHourEnd")]);
    EXPECT_FALSE(times[QStringLiteral("noSuchEvent")].has_value());
}

TEST(SunCalcSunTimes, PolarDayAndNightAtTromso) {
    // Midsummer: the sun stays above 3° all day, so only the golden hour happens.
    const SunCalc::SunTimes summer =
        SunCalc::sunTimes(utc("2024-06-21T11:00:00"), tromso.lat, tromso.lon);
    EXPECT_TRUE(summer.solarNoon.isValid());
    for (const char* missing :
         {"sunrise", "sunset", "civilDawn", "civilDusk", "nauticalDawn", "nauticalDusk",
          "astronomicalDawn", "astronomicalDusk", "blueHourEnd", "blueHourStart"})
        EXPECT_FALSE(summer[QLatin1String(missing)].has_value()) << missing;
    EXPECT_TRUE(summer[QStringLiteral("goldenHourEnd")].has_value());
    EXPECT_TRUE(summer[QStringLiteral("goldenHourStart")].has_value());

    // Midwinter: the sun peaks near -3°: no sunrise and no golden hour, but twilight.
    const SunCalc::SunTimes winter =
        SunCalc::sunTimes(utc("2024-12-21T11:00:00"), tromso.lat, tromso.lon);
    EXPECT_TRUE(winter.solarNoon.isValid());
    for (const char* missing : {"sunrise", "sunset", "goldenHourEnd", "goldenHourStart"})
        EXPECT_FALSE(winter[QLatin1String(missing)].has_value()) << missing;
    for (const char* present :
         {"civilDawn", "civilDusk", "nauticalDawn", "nauticalDusk", "astronomicalDawn",
          "astronomicalDusk", "blueHourEnd", "blueHourStart"})
        EXPECT_TRUE(winter[QLatin1String(present)].has_value()) << present;
}

TEST(SunCalcSunTimes, HighLatitudeSummerLacksAstronomicalTwilight) {
    const SunCalc::SunTimes times =
        SunCalc::sunTimes(utc("2024-06-21T12:00:00"), london.lat, london.lon);
    EXPECT_TRUE(times[QStringLiteral("sunrise")].has_value());
    EXPECT_TRUE(times[QStringLiteral("sunset")].has_value());
    EXPECT_FALSE(times[QStringLiteral("astronomicalDawn")].has_value());
    EXPECT_FALSE(times[QStringLiteral("astronomicalDusk")].has_value());
}

TEST(SunCalcSunTimes, PolesHaveNoEvents) {
    for (const double lat : {90.0, -90.0}) {
        for (const char* date : {"2024-06-21T12:00:00", "2024-12-21T12:00:00"}) {
            SCOPED_TRACE(std::to_string(lat) + " " + date);
            const SunCalc::SunTimes times = SunCalc::sunTimes(utc(date), lat, 0);
            EXPECT_TRUE(times.events.empty());
            EXPECT_TRUE(times.solarNoon.isValid());
        }
    }
}

TEST(SunCalcPositions, SunMatchesAlmanacWithinHalfADegree) {
    // London, 2024-06-21 08:00 UTC: azimuth 97.48°, altitude 36.27° (no refraction).
    const SunCalc::SunPosition morning =
        SunCalc::sunPosition(utc("2024-06-21T08:00:00"), london.lat, london.lon);
    EXPECT_NEAR(morning.azimuth, 97.48, 0.5);
    EXPECT_NEAR(morning.altitude, 36.27, 0.5);

    // At solar noon the sun stands due south of a northern mid-latitude observer, at
    // 90° - latitude + declination (about 23.44° at midsummer).
    const SunCalc::SunTimes times =
        SunCalc::sunTimes(utc("2024-06-21T12:00:00"), london.lat, london.lon);
    const SunCalc::SunPosition noon = SunCalc::sunPosition(times.solarNoon, london.lat, london.lon);
    EXPECT_NEAR(noon.azimuth, 180, 0.5);
    EXPECT_NEAR(noon.altitude, 90 - london.lat + 23.44, 0.5);

    // Azimuths stay compass bearings all day, in 0...360.
    for (int hour = 0; hour < 24; ++hour) {
        const SunCalc::SunPosition position = SunCalc::sunPosition(
            utc("2024-03-20T00:00:00").addSecs(3600 * hour), sydney.lat, sydney.lon);
        EXPECT_GE(position.azimuth, 0);
        EXPECT_LE(position.azimuth, 360);
    }
}

TEST(SunCalcPositions, MoonMatchesAlmanacWithinStatedTolerances) {
    // London, 2024-06-21 08:00 UTC: geocentric altitude -45.67°, distance 387552 km. The
    // simplified lunar theory is good to about a degree in position and, lacking the evection
    // term, to about 4000 km in distance.
    const SunCalc::MoonPosition moon =
        SunCalc::moonPosition(utc("2024-06-21T08:00:00"), london.lat, london.lon);
    EXPECT_NEAR(moon.altitude, -45.67, 1.0);
    EXPECT_NEAR(moon.distance, 387552, 5000);
    EXPECT_GE(moon.azimuth, 0);
    EXPECT_LE(moon.azimuth, 360);
}

TEST(SunCalcMoonIllumination, FollowsTheLunarMonth) {
    struct Row {
        const char* date;
        double fraction; // almanac value, within 0.03
        bool waxing;
    };
    const Row rows[] = {
        {"2024-06-15T00:00:00", 0.575, true},  // just past first quarter
        {"2024-06-22T01:08:00", 0.998, true},  // full moon (phase about 0.5)
        {"2024-06-29T00:00:00", 0.491, false}, // near last quarter
        {"2024-07-05T22:57:00", 0.0, false},   // new moon
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.date);
        const SunCalc::MoonIllumination light = SunCalc::moonIllumination(utc(row.date));
        EXPECT_NEAR(light.fraction, row.fraction, 0.03);
        EXPECT_GE(light.phase, 0);
        EXPECT_LE(light.phase, 1);
    }
    // The phase comes from the sun-earth-moon angle, so a moon up to 5.1° off the ecliptic
    // keeps it up to 0.015 away from exactly 0.5 at full moon and from 0 or 1 at new moon.
    EXPECT_LT(SunCalc::moonIllumination(utc("2024-06-15T00:00:00")).phase, 0.5);
    EXPECT_NEAR(SunCalc::moonIllumination(utc("2024-06-22T01:08:00")).phase, 0.5, 0.03);
    EXPECT_NEAR(SunCalc::moonIllumination(utc("2024-06-29T00:00:00")).phase, 0.75, 0.03);
    const double newMoon = SunCalc::moonIllumination(utc("2024-07-05T22:57:00")).phase;
    EXPECT_TRUE(newMoon < 0.03 || newMoon > 0.97) << newMoon;
}

// Published new and full moons. The simplified lunar theory puts the moon up to a couple of
// degrees off, about five hours of its motion against the sun, and the search reports the
// next whole hour after its argument.
TEST(SunCalcNextPhases, MatchPublishedPhasesWithinSixHours) {
    constexpr double toleranceHours = 6;
    struct Row {
        const char* after;
        const char* newMoon;
        const char* fullMoon;
    };
    const Row rows[] = {
        {"2024-06-15T00:00:00", "2024-07-05T22:57:00", "2024-06-22T01:08:00"},
        {"2024-01-10T00:00:00", "2024-01-11T11:57:00", "2024-01-25T17:54:00"},
        {"2024-03-26T00:00:00", "2024-04-08T18:21:00", "2024-04-23T23:49:00"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.after);
        const QDateTime after = utc(row.after);
        const SunCalc::NextPhases phases = SunCalc::nextPhases(after);
        ASSERT_TRUE(phases.newMoon && phases.fullMoon);
        EXPECT_LE(hoursApart(*phases.newMoon, utc(row.newMoon)), toleranceHours);
        EXPECT_LE(hoursApart(*phases.fullMoon, utc(row.fullMoon)), toleranceHours);
        EXPECT_EQ(after.msecsTo(*phases.newMoon) % 3600000, 0);
        EXPECT_EQ(after.msecsTo(*phases.fullMoon) % 3600000, 0);
    }
}

TEST(SunCalcNextPhases, WithinTheHourBeforeANewMoonFindsThatOne) {
    // Find the instant the phase wraps from near 1 to near 0 to the second.
    QDateTime before = utc("2024-07-05T12:00:00");
    QDateTime after = utc("2024-07-06T12:00:00");
    ASSERT_GT(SunCalc::moonIllumination(before).phase, 0.9);
    ASSERT_LT(SunCalc::moonIllumination(after).phase, 0.1);
    while (before.secsTo(after) > 1) {
        const QDateTime middle = before.addSecs(before.secsTo(after) / 2);
        (SunCalc::moonIllumination(middle).phase > 0.5 ? before : after) = middle;
    }
    const QDateTime start = after.addSecs(-600);
    const SunCalc::NextPhases phases = SunCalc::nextPhases(start);
    ASSERT_TRUE(phases.newMoon.has_value());
    EXPECT_EQ(*phases.newMoon, start.addSecs(3600));
}

namespace {

// The moon's geometric altitude minus the rise-and-set threshold, and the instant where it
// crosses zero between two instants, found by bisection to the second.
double aboveHorizon(const QDateTime& at, const Place& place) {
    return SunCalc::moonPosition(at, place.lat, place.lon).altitude - 0.133;
}

QDateTime crossing(QDateTime from, QDateTime to, const Place& place) {
    const bool fromBelow = aboveHorizon(from, place) < 0;
    while (from.msecsTo(to) > 1000) {
        const QDateTime middle = from.addMSecs(from.msecsTo(to) / 2);
        ((aboveHorizon(middle, place) < 0) == fromBelow ? from : to) = middle;
    }
    return to;
}

} // namespace

TEST(SunCalcMoonTimes, MatchAlmanacWithinTenMinutes) {
    // Published moonrise and moonset (upper limb, standard refraction); the geometric 0.133°
    // threshold and the simplified lunar theory land within ten minutes.
    constexpr double toleranceMinutes = 10;
    struct Row {
        Place place;
        const char* zone;
        const char* date;
        const char* rise;
        const char* set;
    };
    const Row rows[] = {
        {london, "Europe/London", "2024-06-21T12:00:00", "2024-06-21T20:44:02",
         "2024-06-21T02:24:25"},
        {london, "UTC", "2024-03-10T12:00:00", "2024-03-10T06:44:04", "2024-03-10T18:16:40"},
        {sydney, "Australia/Sydney", "2024-06-21T02:00:00", "2024-06-21T05:49:53",
         "2024-06-20T20:08:53"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.place.name) + " " + row.date);
        const QTimeZone zone(row.zone);
        ASSERT_TRUE(zone.isValid());
        const SunCalc::MoonTimes times =
            SunCalc::moonTimes(utc(row.date), row.place.lat, row.place.lon, zone);
        ASSERT_TRUE(times.rise && times.set);
        EXPECT_LE(minutesApart(*times.rise, utc(row.rise)), toleranceMinutes);
        EXPECT_LE(minutesApart(*times.set, utc(row.set)), toleranceMinutes);
    }
}

TEST(SunCalcMoonTimes, DayBoundaries) {
    // A moonrise found by bisection; fixed-offset zones then place the day's start around it.
    const QDateTime rise = crossing(utc("2024-03-10T06:00:00"), utc("2024-03-10T07:30:00"), london);
    ASSERT_LT(aboveHorizon(utc("2024-03-10T06:00:00"), london), 0);
    ASSERT_GT(aboveHorizon(utc("2024-03-10T07:30:00"), london), 0);
    // The zone whose midnight falls on `dayStart` (fixed offsets go up to ±14 hours).
    const auto zoneStartingAt = [](const QDateTime& dayStart) {
        qint64 offset = -(dayStart.time().msecsSinceStartOfDay() / 1000);
        if (offset < -14 * 3600)
            offset += 86400;
        return QTimeZone(int(offset));
    };
    // Linear interpolation inside a ten-minute step is good to well under a minute here.
    constexpr double toleranceMinutes = 1;
    {
        SCOPED_TRACE("rise in the first ten minutes of the day");
        const QDateTime dayStart = rise.addSecs(-300);
        const SunCalc::MoonTimes times = SunCalc::moonTimes(dayStart.addSecs(3600), london.lat,
                                                            london.lon, zoneStartingAt(dayStart));
        ASSERT_TRUE(times.rise.has_value());
        EXPECT_LE(minutesApart(*times.rise, rise), toleranceMinutes);
    }
    {
        SCOPED_TRACE("rise in the day's last ten minutes, at its very end");
        const QDateTime dayStart = rise.addSecs(-86400 + 60);
        const SunCalc::MoonTimes times = SunCalc::moonTimes(dayStart.addSecs(3600), london.lat,
                                                            london.lon, zoneStartingAt(dayStart));
        ASSERT_TRUE(times.rise.has_value());
        EXPECT_LE(minutesApart(*times.rise, rise), toleranceMinutes);
    }
    {
        SCOPED_TRACE("rise just after the day's end");
        // The previous rise came about 24h50m earlier, before this day began.
        const QDateTime dayStart = rise.addSecs(-86400 - 60);
        const SunCalc::MoonTimes times = SunCalc::moonTimes(dayStart.addSecs(3600), london.lat,
                                                            london.lon, zoneStartingAt(dayStart));
        EXPECT_FALSE(times.rise.has_value());
        EXPECT_TRUE(times.set.has_value());
    }
}

TEST(SunCalcMoonTimes, OnADayWithTwoRisesTheEarlierCounts) {
    // In Tromsø on 2024-05-07 (UTC) the moon rises shortly after 01:00, sets in the evening
    // and rises again just before midnight.
    const QDateTime midnight = utc("2024-05-07T00:00:00");
    ASSERT_LT(aboveHorizon(midnight.addSecs(23 * 3600 + 50 * 60), tromso), 0);
    ASSERT_GT(aboveHorizon(midnight.addSecs(86400), tromso), 0);
    const QDateTime firstRise =
        crossing(midnight.addSecs(50 * 60), midnight.addSecs(70 * 60), tromso);
    const QDateTime set = crossing(utc("2024-05-07T20:00:00"), utc("2024-05-07T21:30:00"), tromso);
    const SunCalc::MoonTimes times =
        SunCalc::moonTimes(utc("2024-05-07T12:00:00"), tromso.lat, tromso.lon, QTimeZone::utc());
    ASSERT_TRUE(times.rise && times.set);
    EXPECT_LE(minutesApart(*times.rise, firstRise), 1.0);
    EXPECT_LE(minutesApart(*times.set, set), 1.0);
}

TEST(SunCalcPhases, NamesAndSymbolsByBand) {
    struct Row {
        double phase;
        const char* name;
        const char* symbol;
    };
    const Row rows[] = {
        {0, "New Moon", "moonphase.new.moon"},
        {0.0299, "New Moon", "moonphase.new.moon"},
        {0.03, "Waxing Crescent", "moonphase.waxing.crescent"},
        {0.2199, "Waxing Crescent", "moonphase.waxing.crescent"},
        {0.22, "First Quarter", "moonphase.first.quarter"},
        {0.28, "Waxing Gibbous", "moonphase.waxing.gibbous"},
        {0.47, "Full Moon", "moonphase.full.moon"},
        {0.5, "Full Moon", "moonphase.full.moon"},
        {0.53, "Waning Gibbous", "moonphase.waning.gibbous"},
        {0.72, "Last Quarter", "moonphase.last.quarter"},
        {0.78, "Waning Crescent", "moonphase.waning.crescent"},
        {0.9699, "Waning Crescent", "moonphase.waning.crescent"},
        {0.97, "New Moon", "moonphase.new.moon"},
        {1, "New Moon", "moonphase.new.moon"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.phase);
        EXPECT_EQ(SunCalc::phaseName(row.phase).toStdString(), row.name);
        EXPECT_EQ(SunCalc::phaseSymbol(row.phase).toStdString(), row.symbol);
    }
}
