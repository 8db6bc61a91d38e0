#pragma once

#include "base/SettingsEnums.h"

#include <QJsonObject>
#include <QString>
#include <QUuid>
#include <cstdint>
#include <optional>

// The small records of the settings. Each reads strictly from its stored JSON object (every
// member required, each of the right type) and writes every member.
namespace morvanex {

struct ModuleConfig {
    ModuleKind kind = ModuleKind::cpu;
    bool enabled = true;
    DisplayStyle style = DisplayStyle::text;

    ModuleKind id() const { return kind; }
    bool operator==(const ModuleConfig&) const = default;

    static std::optional<ModuleConfig> fromJson(const QJsonValue& value);
    QJsonObject toJson() const;
};

struct WeatherLocation {
    QString name;
    double latitude = 0;
    double longitude = 0;

    bool operator==(const WeatherLocation&) const = default;

    static std::optional<WeatherLocation> fromJson(const QJsonValue& value);
    QJsonObject toJson() const;
};

struct EventToggles {
    bool powerSource = true;
    bool batteryCharged = true;
    bool wifiChanged = true;
    bool publicIPChanged = true;
    bool internetStatus = true;
    bool primaryInterface = false;

    bool operator==(const EventToggles&) const = default;

    static std::optional<EventToggles> fromJson(const QJsonValue& value);
    QJsonObject toJson() const;
};

struct Rule {
    QUuid id = QUuid::createUuid();
    bool enabled = true;
    RuleMetric metric = RuleMetric::cpu;
    Comparison comparison = Comparison::above;
    double threshold = 0;
    double duration = 0;

    bool operator==(const Rule&) const = default;

    static std::optional<Rule> fromJson(const QJsonValue& value);
    QJsonObject toJson() const;
};

// The identifier's stored text: 36 characters, upper-case hexadecimal.
QString uuidText(const QUuid& id);

struct HotKey {
    std::uint32_t keyCode = 0;
    std::uint32_t modifiers = 0; // command 0x100, shift 0x200, option 0x800, control 0x1000
    QString label;

    bool operator==(const HotKey&) const = default;

    static std::optional<HotKey> fromJson(const QJsonValue& value);
    QJsonObject toJson() const;
};

} // namespace morvanex
