#include "base/SettingsRecords.h"

#include "base/JsonRead.h"

namespace morvanex {

namespace jr = jsonread;

std::optional<ModuleConfig> ModuleConfig::fromJson(const QJsonValue& value) {
    const QJsonObject object = value.toObject();
    const auto kind = jr::enumeration<ModuleKind>(object.value(QStringLiteral("kind")));
    const auto enabled = jr::boolean(object.value(QStringLiteral("enabled")));
    const auto style = jr::enumeration<DisplayStyle>(object.value(QStringLiteral("style")));
    if (!value.isObject() || !kind || !enabled || !style)
        return std::nullopt;
    return ModuleConfig{*kind, *enabled, *style};
}

QJsonObject ModuleConfig::toJson() const {
    return {{QStringLiteral("kind"), rawValue(kind)},
            {QStringLiteral("enabled"), enabled},
            {QStringLiteral("style"), rawValue(style)}};
}

std::optional<WeatherLocation> WeatherLocation::fromJson(const QJsonValue& value) {
    const QJsonObject object = value.toObject();
    const auto name = jr::text(object.value(QStringLiteral("name")));
    const auto latitude = jr::real(object.value(QStringLiteral("latitude")));
    const auto longitude = jr::real(object.value(QStringLiteral("longitude")));
    if (!value.isObject() || !name || !latitude || !longitude)
        return std::nullopt;
    return WeatherLocation{*name, *latitude, *longitude};
}

QJsonObject WeatherLocation::toJson() const {
    return {{QStringLiteral("name"), name},
            {QStringLiteral("latitude"), latitude},
            {QStringLiteral("longitude"), longitude}};
}

std::optional<EventToggles> EventToggles::fromJson(const QJsonValue& value) {
    if (!value.isObject())
        return std::nullopt;
    const QJsonObject object = value.toObject();
    EventToggles toggles;
    const std::pair<const char*, bool*> members[] = {
        {"powerSource", &toggles.powerSource},
        {"batteryCharged", &toggles.batteryCharged},
        {"wifiChanged", &toggles.wifiChanged},
        {"publicIPChanged", &toggles.publicIPChanged},
        {"internetStatus", &toggles.internetStatus},
        {"primaryInterface", &toggles.primaryInterface},
    };
    for (const auto& [key, field] : members) {
        const auto read = jr::boolean(object.value(QLatin1StringView(key)));
        if (!read)
            return std::nullopt;
        *field = *read;
    }
    return toggles;
}

QJsonObject EventToggles::toJson() const {
    return {{QStringLiteral("powerSource"), powerSource},
            {QStringLiteral("batteryCharged"), batteryCharged},
            {QStringLiteral("wifiChanged"), wifiChanged},
            {QStringLiteral("publicIPChanged"), publicIPChanged},
            {QStringLiteral("internetStatus"), internetStatus},
            {QStringLiteral("primaryInterface"), primaryInterface}};
}

std::optional<Rule> Rule::fromJson(const QJsonValue& value) {
    const QJsonObject object = value.toObject();
    const auto id = jr::uuid(object.value(QStringLiteral("id")));
    const auto enabled = jr::boolean(object.value(QStringLiteral("enabled")));
    const auto metric = jr::enumeration<RuleMetric>(object.value(QStringLiteral("metric")));
    const auto comparison = jr::enumeration<Comparison>(object.value(QStringLiteral("comparison")));
    const auto threshold = jr::real(object.value(QStringLiteral("threshold")));
    const auto duration = jr::real(object.value(QStringLiteral("duration")));
    if (!value.isObject() || !id || !enabled || !metric || !comparison || !threshold || !duration)
        return std::nullopt;
    return Rule{*id, *enabled, *metric, *comparison, *threshold, *duration};
}

QJsonObject Rule::toJson() const {
    return {{QStringLiteral("id"), uuidText(id)},
            {QStringLiteral("enabled"), enabled},
            {QStringLiteral("metric"), rawValue(metric)},
            {QStringLiteral("comparison"), rawValue(comparison)},
            {QStringLiteral("threshold"), threshold},
            {QStringLiteral("duration"), duration}};
}

QString uuidText(const QUuid& id) {
    return id.toString(QUuid::WithoutBraces).toUpper();
}

std::optional<HotKey> HotKey::fromJson(const QJsonValue& value) {
    const QJsonObject object = value.toObject();
    const auto keyCode = jr::uint32(object.value(QStringLiteral("keyCode")));
    const auto modifiers = jr::uint32(object.value(QStringLiteral("modifiers")));
    const auto label = jr::text(object.value(QStringLiteral("label")));
    if (!value.isObject() || !keyCode || !modifiers || !label)
        return std::nullopt;
    return HotKey{*keyCode, *modifiers, *label};
}

QJsonObject HotKey::toJson() const {
    return {{QStringLiteral("keyCode"), qint64(keyCode)},
            {QStringLiteral("modifiers"), qint64(modifiers)},
            {QStringLiteral("label"), label}};
}

} // namespace morvanex
