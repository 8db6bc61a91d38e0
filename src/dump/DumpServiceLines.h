#pragma once

#include "app/InsightEngine.h"
#include "base/SettingsEnums.h"
#include "base/SettingsRecords.h"
#include "services/AstronomyMonitor.h"
#include "services/ConnectedDevice.h"
#include "services/WeatherReport.h"

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QTimeZone>
#include <functional>
#include <optional>
#include <set>
#include <vector>

// The report's lines about hot keys, the insight, devices, weather, sun and moon, the time
// and the threshold rules.
namespace morvanex::dump {

// "HotKeys  refused: ["settings"]": the refused identifiers in ascending order.
QString hotKeysLine(const std::set<QString>& refused);

// "Insight  All quiet. [quiet]"
QString insightLine(const Insight& insight);

// One device as the devices line lists it: "Anna's iPhone [iPhone 15] iOS 17.4 battery=80
// charging=false free=12.3 GB trusted=true usb health=92% cycles=301".
QString deviceDescription(const ConnectedDevice& device);

// "Devices  available=true [...]": whether the device library is loaded, then every device.
QString devicesLine(bool libraryLoaded, const std::vector<ConnectedDevice>& devices);

// What the weather line reads of the weather service.
struct WeatherState {
    std::optional<WeatherReport> report;
    bool isLoading = false;
    std::optional<QString> lastError;
};

// "Weather  loading=false error=..." while no forecast is held, else "Weather  Place: 21°
// Clear feels 20° days=14 dew=11.2 uv=5.0" with temperatures in `unit`.
QString weatherLine(const WeatherState& weather, TempUnit unit);

// "Astro    sunrise 06:12 sunset 18:40 noon 12:26 moon Waxing Crescent 23% rise ... set ...
// nextFull 2025-01-13 22:00:00 +0000" with times in `zone`.
QString astronomyLine(const AstronomyMonitor::Snapshot& snapshot, const QTimeZone& zone);

// "Fuzzy    quarter past three"
QString fuzzyLine(const QDateTime& now);

// "Rule     CPU usage = 12.5" per rule in order, "n/a" where the metric has no value.
QStringList ruleLines(const std::vector<Rule>& rules,
                      const std::function<std::optional<double>(RuleMetric)>& value);

} // namespace morvanex::dump
