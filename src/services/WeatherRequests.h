#pragma once

#include "base/SettingsRecords.h"
#include "platform/Clock.h"
#include "platform/HttpGet.h"
#include "services/WeatherReport.h"

#include <QString>
#include <QUrl>
#include <chrono>
#include <functional>
#include <optional>
#include <vector>

// The three requests of the weather service: the forecast for a place, the place of the
// machine's public address, and places matching a name. Each is sent through `http` from the
// main thread and answers once, on the main thread (unless `http` is destroyed first); the
// answer is read off the main thread.
namespace morvanex {

// Where the services live. Each base holds the scheme, host and port; the paths are fixed.
struct WeatherEndpoints {
    QUrl forecast;   // "/v1/forecast"
    QUrl places;     // "/v1/search"
    QUrl ipLocation; // "/json/"
    // Longest time one request may take from sending to the last byte of the answer.
    std::chrono::milliseconds timeout{30000};

    static WeatherEndpoints standard();
};

// A value, or the text of the failure that prevented it.
template <typename T> struct WeatherResult {
    std::optional<T> value;
    QString error;
};

namespace weather {

QUrl forecastUrl(const WeatherEndpoints& endpoints, const WeatherLocation& place);
QUrl ipLocationUrl(const WeatherEndpoints& endpoints);
QUrl placesUrl(const WeatherEndpoints& endpoints, const QString& query);

// The current conditions and 14 days for `place`. Any status but 200 fails, as does an answer
// that is not an object holding "current" and "daily" objects. The report's fetch time is the
// clock's reading when the answer arrived.
void fetch(platform::HttpClient& http, const WeatherEndpoints& endpoints,
           const WeatherLocation& place, const platform::Clock& clock,
           std::function<void(WeatherResult<WeatherReport>)> done);

// The place of the machine's public address: its coordinates and city ("Current Location"
// when the answer names none). An answer without numeric coordinates fails.
void locateByIP(platform::HttpClient& http, const WeatherEndpoints& endpoints,
                std::function<void(WeatherResult<WeatherLocation>)> done);

// Up to 8 places named like `query`, named "Name, Region, Country" as far as known. An answer
// without a list of results is an empty list; unreadable JSON and failed requests fail.
void searchPlaces(platform::HttpClient& http, const WeatherEndpoints& endpoints,
                  const QString& query,
                  std::function<void(WeatherResult<std::vector<WeatherLocation>>)> done);

} // namespace weather

} // namespace morvanex
