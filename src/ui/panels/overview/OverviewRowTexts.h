#pragma once

#include "app/InsightEngine.h"
#include "services/ConnectedDevice.h"
#include "services/WeatherReport.h"
#include "ui/kit/Palette.h"

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QTimeZone>
#include <cstdint>
#include <optional>
#include <vector>

namespace morvanex {
class Hub;
}

// The symbols, colours and texts of the overview's full-width rows.
namespace morvanex::ui::overview {

// Insight row: the symbol of the insight's kind and its colour by severity.
QString insightSymbol(Insight::Kind kind);
Tint insightTint(Insight::Severity severity, Insight::Kind kind);

// Device row: the battery mark at a level in per cent, and whether it is drawn in red.
QString deviceBatterySymbol(std::int64_t level, std::optional<bool> isCharging);
Tint deviceBatteryTint(std::int64_t level, std::optional<bool> isCharging);

// The grey lines under a device's name: its identity (model, system version), then its
// status (free storage, charge, Wi-Fi), or the trust hint for a device that is not trusted.
QStringList detailLines(const ConnectedDevice& device);

// What the weather row draws, read from the hub's weather service and sun times.
struct WeatherRowState {
    std::optional<WeatherReport> report;
    bool isLoading = false;
    std::optional<QString> lastError;
    // Today's sunset at the weather place by the sun calculation, when there is one.
    std::optional<QDateTime> astronomySunset;

    static WeatherRowState from(const Hub& hub);
    bool operator==(const WeatherRowState&) const = default;
};

// "Lisbon · 21° Clear sky": the place up to its first comma, the temperature, the sky.
QString weatherHeadline(const WeatherReport& report, TempUnit unit);

// "H 24°  L 15° · Sunset 20:41", each piece only when known; the empty string without either.
QString weatherDetail(const WeatherReport& report, const std::optional<QDateTime>& astronomySunset,
                      TempUnit unit);

// The one line without a report: loading wins over an error, and the error over "Weather
// unavailable".
QString weatherPlaceholder(bool isLoading, const std::optional<QString>& lastError);

// The city of a time-zone identifier: its last piece with "_" as blanks ("Buenos Aires").
QString worldClockCity(const QString& identifier);

struct WorldClockColumn {
    QString city;
    QString time;
    QString offset;
    bool operator==(const WorldClockColumn&) const = default;
};

// One column for each of the first three identifiers that names a time zone, all at `now`;
// an unknown identifier still uses up its place.
std::vector<WorldClockColumn>
worldClockColumns(const QStringList& clocks, const QDateTime& now,
                  const QTimeZone& local = QTimeZone::systemTimeZone());

} // namespace morvanex::ui::overview
