#pragma once

#include "base/SettingsRecords.h"

#include <QByteArray>
#include <QJsonObject>
#include <QStringList>
#include <cstdint>
#include <map>
#include <optional>
#include <vector>

namespace morvanex {

std::vector<ModuleConfig> defaultModules();
std::vector<Rule> defaultRules(); // new identifiers on every call
std::vector<OverviewItem> allOverviewItems();

// The whole user configuration as one value. Copied freely; changed only by assigning a
// changed copy back to AppSettings.
struct Config {
    double updateInterval = 2.0;
    std::vector<ModuleConfig> modules = defaultModules();
    bool monochrome = false;
    TempUnit temperatureUnit = TempUnit::celsius;
    WindUnit windUnit = WindUnit::kmh;
    bool bandwidthBits = false;
    SensorMode sensorMode = SensorMode::simple;
    std::optional<QString> menubarSensorKey;
    QString pingHost = QStringLiteral("1.1.1.1");
    bool showNetworkDisks = true;
    bool showRemovableDisks = true;
    std::optional<WeatherLocation> weatherLocation;
    QStringList worldClocks = {QStringLiteral("America/New_York"), QStringLiteral("Europe/London"),
                               QStringLiteral("Asia/Tokyo")};
    QStringList menubarClocks = {QStringLiteral("America/New_York")};
    ClockLabel clockLabel = ClockLabel::city;
    bool showWeekNumbers = true;
    bool showEvents = true;
    std::int64_t eventDays = 3;
    QStringList hiddenCalendars;
    bool showDevices = true;
    std::vector<OverviewItem> overviewHidden;
    std::vector<OverviewItem> overviewOrder = allOverviewItems();
    bool keepAwakeDisplay = false;
    bool insightNotifications = false;
    std::map<QString, HotKey> hotKeys;
    EventToggles events;
    std::vector<Rule> rules = defaultRules();

    bool operator==(const Config&) const = default;

    // The stored form. Reading fails only when the bytes are not a JSON object; every missing,
    // null or unreadable key keeps its default.
    static std::optional<Config> fromJson(const QByteArray& bytes);
    static Config fromJsonObject(const QJsonObject& object);
    // Compact JSON, keys in declaration order, absent optional fields left out. Fails only
    // when a number is not finite.
    std::optional<QByteArray> toJson() const;

    // The overview rows in display order: the user's order without repeats, then every row it
    // lacks in declaration order.
    std::vector<OverviewItem> overviewItems() const;
    bool showsInOverview(OverviewItem item) const;
    void setShowsInOverview(OverviewItem item, bool shown);

    // Calls visit(key, field) for every stored field, in declaration order.
    template <typename Self, typename Visit> static void forEachField(Self& self, Visit&& visit) {
        visit("updateInterval", self.updateInterval);
        visit("modules", self.modules);
        visit("monochrome", self.monochrome);
        visit("temperatureUnit", self.temperatureUnit);
        visit("windUnit", self.windUnit);
        visit("bandwidthBits", self.bandwidthBits);
        visit("sensorMode", self.sensorMode);
        visit("menubarSensorKey", self.menubarSensorKey);
        visit("pingHost", self.pingHost);
        visit("showNetworkDisks", self.showNetworkDisks);
        visit("showRemovableDisks", self.showRemovableDisks);
        visit("weatherLocation", self.weatherLocation);
        visit("worldClocks", self.worldClocks);
        visit("menubarClocks", self.menubarClocks);
        visit("clockLabel", self.clockLabel);
        visit("showWeekNumbers", self.showWeekNumbers);
        visit("showEvents", self.showEvents);
        visit("eventDays", self.eventDays);
        visit("hiddenCalendars", self.hiddenCalendars);
        visit("showDevices", self.showDevices);
        visit("overviewHidden", self.overviewHidden);
        visit("overviewOrder", self.overviewOrder);
        visit("keepAwakeDisplay", self.keepAwakeDisplay);
        visit("insightNotifications", self.insightNotifications);
        visit("hotKeys", self.hotKeys);
        visit("events", self.events);
        visit("rules", self.rules);
    }
};

} // namespace morvanex
