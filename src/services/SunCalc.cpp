#include "services/SunCalc.h"

#include "base/Numbers.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

namespace morvanex::SunCalc {

namespace {

constexpr double pi = std::numbers::pi;
constexpr double rad = pi / 180;
constexpr double sinE = 0.39778370349342274; // obliquity of the ecliptic, 23.4397°
constexpr double cosE = 0.9174792233260962;
constexpr double j1970 = 2440588;
constexpr double j2000 = 2451545;
constexpr double dayS = 86400;
constexpr double j0 = 0.0009;
constexpr double perihelion = rad * 102.9372;
constexpr double sunDistance = 149598000;
constexpr double moonHorizon = 0.133;

double seconds(const QDateTime& date) {
    if (!date.isValid())
        return std::nan("");
    return double(date.toMSecsSinceEpoch()) / 1000;
}

// Nothing (an invalid date) for instants that cannot be held.
QDateTime instant(double secondsSince1970) {
    const auto msecs = numbers::roundedInt64(secondsSince1970 * 1000);
    if (!msecs)
        return {};
    return QDateTime::fromMSecsSinceEpoch(*msecs, Qt::UTC);
}

// Days since the J2000.0 epoch.
double toDays(double secondsSince1970) {
    return secondsSince1970 / dayS - 0.5 + j1970 - j2000;
}

double fromJulian(double julianDay) {
    return (julianDay + 0.5 - j1970) * dayS;
}

// Guards the inverse sines and cosines of positions against rounding just past ±1.
double clampUnit(double value) {
    return std::clamp(value, -1.0, 1.0);
}

double sunMeanAnomaly(double d) {
    return rad * (357.5291 + 0.98560028 * d);
}

double eclipticLongitude(double meanAnomaly) {
    const double m = meanAnomaly;
    const double centre =
        rad * (1.9148 * std::sin(m) + 0.02 * std::sin(2 * m) + 0.0003 * std::sin(3 * m));
    return m + centre + perihelion + pi;
}

struct Equatorial {
    double ra = 0;
    double dec = 0;
    double distance = 0;
};

Equatorial sunCoords(double d) {
    const double l = eclipticLongitude(sunMeanAnomaly(d));
    return {std::atan2(std::sin(l) * cosE, std::cos(l)), std::asin(std::sin(l) * sinE),
            sunDistance};
}

Equatorial moonCoords(double d) {
    const double meanLongitude = rad * (218.316 + 13.176396 * d);
    const double meanAnomaly = rad * (134.963 + 13.064993 * d);
    const double latitudeArgument = rad * (93.272 + 13.22935 * d);
    const double l = meanLongitude + rad * 6.289 * std::sin(meanAnomaly);
    const double b = rad * 5.128 * std::sin(latitudeArgument);
    const double distance = 385001 - 20905 * std::cos(meanAnomaly);
    const double ra = std::atan2(std::sin(l) * cosE - std::tan(b) * sinE, std::cos(l));
    const double dec = std::asin(clampUnit(std::sin(b) * cosE + std::cos(b) * sinE * std::sin(l)));
    return {ra, dec, distance};
}

struct Horizontal {
    double azimuth = 0;
    double altitude = 0;
};

Horizontal horizontal(double d, double lat, double lon, const Equatorial& body) {
    const double phi = rad * lat;
    const double h = rad * (280.16 + 360.9856235 * d) + rad * lon - body.ra;
    const double azimuth =
        std::atan2(std::sin(h), std::cos(h) * std::sin(phi) - std::tan(body.dec) * std::cos(phi)) /
            rad +
        180;
    const double altitude = std::asin(clampUnit(std::sin(phi) * std::sin(body.dec) +
                                                std::cos(phi) * std::cos(body.dec) * std::cos(h))) /
                            rad;
    return {azimuth, altitude};
}

double moonAltitude(double secondsSince1970, double lat, double lon) {
    const double d = toDays(secondsSince1970);
    return horizontal(d, lat, lon, moonCoords(d)).altitude;
}

MoonIllumination illumination(double secondsSince1970) {
    const double d = toDays(secondsSince1970);
    const Equatorial sun = sunCoords(d);
    const Equatorial moon = moonCoords(d);
    const double elongation =
        std::acos(clampUnit(std::sin(sun.dec) * std::sin(moon.dec) +
                            std::cos(sun.dec) * std::cos(moon.dec) * std::cos(sun.ra - moon.ra)));
    const double phaseAngle = std::atan2(sunDistance * std::sin(elongation),
                                         moon.distance - sunDistance * std::cos(elongation));
    const double limbAngle =
        std::atan2(std::cos(sun.dec) * std::sin(sun.ra - moon.ra),
                   std::sin(sun.dec) * std::cos(moon.dec) -
                       std::cos(sun.dec) * std::sin(moon.dec) * std::cos(sun.ra - moon.ra));
    const double signedAngle = limbAngle < 0 ? -phaseAngle / 2 : phaseAngle / 2;
    return {(1 + std::cos(phaseAngle)) / 2, 0.5 + signedAngle / pi};
}

struct SunEventAngle {
    double angle;
    const char* morning;
    const char* evening;
};

constexpr std::array<SunEventAngle, 6> sunEventAngles = {{
    {-0.833, "sunrise", "sunset"},
    {-6, "civilDawn", "civilDusk"},
    {-12, "nauticalDawn", "nauticalDusk"},
    {-18, "astronomicalDawn", "astronomicalDusk"},
    {-4, "blueHourEnd", "blueHourStart"},
    {6, "goldenHourEnd", "goldenHourStart"},
}};

struct PhaseBand {
    double below;
    const char* name;
    const char* symbol;
};

// The first band whose upper bound lies above the phase; "New Moon" also from 0.97 up.
constexpr std::array<PhaseBand, 7> phaseBands = {{
    {0.03, "New Moon", "moonphase.new.moon"},
    {0.22, "Waxing Crescent", "moonphase.waxing.crescent"},
    {0.28, "First Quarter", "moonphase.first.quarter"},
    {0.47, "Waxing Gibbous", "moonphase.waxing.gibbous"},
    {0.53, "Full Moon", "moonphase.full.moon"},
    {0.72, "Waning Gibbous", "moonphase.waning.gibbous"},
    {0.78, "Last Quarter", "moonphase.last.quarter"},
}};

const PhaseBand& phaseBand(double phase) {
    static constexpr PhaseBand waningCrescent{1, "Waning Crescent", "moonphase.waning.crescent"};
    if (phase >= 0.97)
        return phaseBands[0];
    for (const PhaseBand& band : phaseBands) {
        if (phase < band.below)
            return band;
    }
    return waningCrescent;
}

} // namespace

std::optional<QDateTime> SunTimes::operator[](const QString& key) const {
    const auto found = events.find(key);
    if (found == events.end())
        return std::nullopt;
    return found->second;
}

SunPosition sunPosition(const QDateTime& date, double lat, double lon) {
    const double d = toDays(seconds(date));
    const Horizontal position = horizontal(d, lat, lon, sunCoords(d));
    return {position.azimuth, position.altitude};
}

MoonPosition moonPosition(const QDateTime& date, double lat, double lon) {
    const double d = toDays(seconds(date));
    const Equatorial moon = moonCoords(d);
    const Horizontal position = horizontal(d, lat, lon, moon);
    return {position.azimuth, position.altitude, moon.distance};
}

MoonIllumination moonIllumination(const QDateTime& date) {
    return illumination(seconds(date));
}

SunTimes sunTimes(const QDateTime& date, double lat, double lon) {
    const double lw = -rad * lon;
    const double phi = rad * lat;
    const double d = toDays(seconds(date));
    const double cycle = numbers::roundHalfAway(d - j0 - lw / (2 * pi));
    const double transit = lw / (2 * pi) + j0 + cycle;
    const double m = sunMeanAnomaly(transit);
    const double l = eclipticLongitude(m);
    const double dec = std::asin(std::sin(l) * sinE);
    const double correction = 0.0053 * std::sin(m) - 0.0069 * std::sin(2 * l);
    const double noon = transit + j2000 + correction;

    SunTimes times;
    times.solarNoon = instant(fromJulian(noon));
    for (const SunEventAngle& row : sunEventAngles) {
        const double w = std::acos((std::sin(rad * row.angle) - std::sin(phi) * std::sin(dec)) /
                                   (std::cos(phi) * std::cos(dec)));
        if (std::isnan(w))
            continue; // the sun does not reach this angle today
        const double set = cycle + ((lw + w) / (2 * pi) + j0) + j2000 + correction;
        const double rise = noon + (noon - set);
        const QDateTime setInstant = instant(fromJulian(set));
        const QDateTime riseInstant = instant(fromJulian(rise));
        if (setInstant.isValid())
            times.events[QLatin1String(row.evening)] = setInstant;
        if (riseInstant.isValid())
            times.events[QLatin1String(row.morning)] = riseInstant;
    }
    return times;
}

MoonTimes moonTimes(const QDateTime& date, double lat, double lon, const QTimeZone& zone) {
    MoonTimes times;
    if (!date.isValid())
        return times;
    const double start = seconds(date.toTimeZone(zone).date().startOfDay(zone));
    constexpr double step = 600;
    std::optional<double> rise;
    std::optional<double> set;
    double previous = moonAltitude(start, lat, lon) - moonHorizon;
    for (int k = 1; k <= 144 && !(rise && set); ++k) {
        const double t = start + step * k;
        const double height = moonAltitude(t, lat, lon) - moonHorizon;
        if ((previous < 0) != (height < 0)) {
            const double crossing = t - step + step * previous / (previous - height);
            if (height > 0) {
                if (!rise)
                    rise = crossing;
            } else if (!set) {
                set = crossing;
            }
        }
        previous = height;
    }
    if (rise)
        times.rise = instant(*rise);
    if (set)
        times.set = instant(*set);
    return times;
}

NextPhases nextPhases(const QDateTime& after) {
    NextPhases phases;
    if (!after.isValid())
        return phases;
    const QDateTime origin = after.toUTC();
    const double start = seconds(origin);
    double previous = illumination(start).phase;
    for (int hour = 1; hour <= 744; ++hour) {
        const double phase = illumination(start + 3600.0 * hour).phase;
        if (!phases.newMoon && previous > 0.9 && phase < 0.1)
            phases.newMoon = origin.addSecs(3600 * hour);
        if (!phases.fullMoon && previous < 0.5 && phase >= 0.5)
            phases.fullMoon = origin.addSecs(3600 * hour);
        if (phases.newMoon && phases.fullMoon)
            break;
        previous = phase;
    }
    return phases;
}

QString phaseName(double phase) {
    return QLatin1String(phaseBand(phase).name);
}

QString phaseSymbol(double phase) {
    return QLatin1String(phaseBand(phase).symbol);
}

} // namespace morvanex::SunCalc
