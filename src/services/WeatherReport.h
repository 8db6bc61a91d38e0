#pragma once

#include "base/SettingsRecords.h"

#include <QDateTime>
#include <QJsonObject>
#include <QTimeZone>
#include <cstdint>
#include <optional>
#include <vector>

// The plain values the weather service publishes. Values keep the forecast service's default
// units: degrees Celsius, km/h, hPa, mm, metres, per cent.
namespace morvanex {

struct WeatherCurrent {
    double temperature = 0;
    double apparent = 0;
    double humidity = 0;
    std::optional<double> dewPoint;
    double windSpeed = 0;
    double windDirection = 0; // degrees, 0 to 360
    double windGusts = 0;
    double pressure = 0;
    std::optional<double> visibility;
    std::optional<double> uvIndex;
    double precipitation = 0;
    double cloudCover = 0;
    std::int64_t code = 0; // WMO weather code
    bool isDay = true;

    bool operator==(const WeatherCurrent&) const = default;
};

struct WeatherDay {
    QDateTime date; // start of the day in the report's zone
    std::int64_t code = 0;
    double high = 0;
    double low = 0;
    std::optional<double> precipitationChance;
    std::optional<double> precipitationSum;
    std::optional<QDateTime> sunrise;
    std::optional<QDateTime> sunset;

    const QDateTime& id() const { return date; }
    bool operator==(const WeatherDay&) const = default;
};

struct WeatherReport {
    WeatherLocation location;
    QTimeZone timeZone;
    WeatherCurrent current;
    std::vector<WeatherDay> days; // ascending dates, up to 14
    QDateTime fetched;

    bool operator==(const WeatherReport&) const = default;

    // Turns the forecast service's answer (a top-level object already known to hold objects
    // under "current" and "daily") into a report for `location`. Never fails: a missing or
    // ill-typed value takes its fallback.
    static WeatherReport fromAnswer(const QJsonObject& answer, const WeatherLocation& location,
                                    const QDateTime& fetched);
};

} // namespace morvanex
