#pragma once

#include <QDateTime>
#include <QString>
#include <QTimeZone>
#include <map>
#include <optional>

// Positions, times and phases of the sun and the moon from low-precision formulas (good to a
// minute or two for the sun, a few minutes for moonrise and a few hours for the phases).
// Angles are in degrees; azimuths are compass bearings from north through east; latitudes and
// longitudes are degrees north and east. Pure functions of their arguments, safe from any
// thread. Instants are returned in UTC, to the millisecond.
namespace morvanex::SunCalc {

// Solar noon and the day's sun events by name: "sunrise"/"sunset" (-0.833°),
// "civilDawn"/"civilDusk" (-6°), "nauticalDawn"/"nauticalDusk" (-12°),
// "astronomicalDawn"/"astronomicalDusk" (-18°), "blueHourEnd"/"blueHourStart" (-4°),
// "goldenHourEnd"/"goldenHourStart" (6°). An angle the sun does not reach that day has no
// entry.
struct SunTimes {
    QDateTime solarNoon;
    std::map<QString, QDateTime> events;

    std::optional<QDateTime> operator[](const QString& key) const;
    bool operator==(const SunTimes&) const = default;
};

struct SunPosition {
    double azimuth = 0;
    double altitude = 0;
};

struct MoonPosition {
    double azimuth = 0;
    double altitude = 0; // geometric: no refraction, no parallax
    double distance = 0; // kilometres from the earth's centre
};

struct MoonIllumination {
    double fraction = 0; // illuminated part of the disc, 0...1
    double phase = 0;    // 0 new, 0.25 first quarter, 0.5 full, 0.75 last quarter, towards 1
};

struct MoonTimes {
    std::optional<QDateTime> rise;
    std::optional<QDateTime> set;
};

struct NextPhases {
    std::optional<QDateTime> newMoon;
    std::optional<QDateTime> fullMoon;
};

SunPosition sunPosition(const QDateTime& date, double lat, double lon);
MoonPosition moonPosition(const QDateTime& date, double lat, double lon);
MoonIllumination moonIllumination(const QDateTime& date);

// The sun's transit nearest to `date` at that longitude and the events around it.
SunTimes sunTimes(const QDateTime& date, double lat, double lon);

// The first moonrise and the first moonset of the calendar day of `date` in `zone`: sampled
// every ten minutes from the day's start to 24 hours later; the moon counts as up when its
// geometric altitude exceeds 0.133°.
MoonTimes moonTimes(const QDateTime& date, double lat, double lon, const QTimeZone& zone);

// The first hourly sample after `after` (up to 31 days on) past a new moon and past a full
// moon; whole hours after `after`, not interpolated.
NextPhases nextPhases(const QDateTime& after);

// "New Moon", "Waxing Crescent", ... for a phase 0...1.
QString phaseName(double phase);

// "moonphase.new.moon", "moonphase.waxing.crescent", ... for a phase 0...1.
QString phaseSymbol(double phase);

} // namespace morvanex::SunCalc
