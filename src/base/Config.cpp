#include "base/Config.h"

#include "base/ConfigCodec.h"
#include "base/JsonWriter.h"

#include <QJsonDocument>
#include <algorithm>
#include <type_traits>

namespace morvanex {

using configcodec::Codec;

std::vector<ModuleConfig> defaultModules() {
    using K = ModuleKind;
    using S = DisplayStyle;
    return {{K::combined, false, S::text},      {K::cpu, true, S::graphAndText},
            {K::gpu, false, S::graphAndText},   {K::memory, true, S::graphAndText},
            {K::disks, true, S::iconAndText},   {K::network, true, S::text},
            {K::sensors, true, S::iconAndText}, {K::battery, true, S::iconAndText},
            {K::weather, true, S::iconAndText}, {K::astronomy, false, S::iconAndText},
            {K::time, false, S::text}};
}

std::vector<Rule> defaultRules() {
    using M = RuleMetric;
    using C = Comparison;
    const auto rule = [](bool enabled, M metric, C comparison, double threshold, double duration) {
        return Rule{QUuid::createUuid(), enabled, metric, comparison, threshold, duration};
    };
    return {rule(true, M::cpu, C::above, 90, 60), rule(true, M::memoryPressure, C::above, 80, 30),
            rule(true, M::batteryLevel, C::below, 15, 0), rule(true, M::diskUsed, C::above, 95, 0),
            rule(false, M::temperature, C::above, 95, 30)};
}

std::vector<OverviewItem> allOverviewItems() {
    const auto& cases = allCases<OverviewItem>();
    return {cases.begin(), cases.end()};
}

namespace {

template <typename T> struct IsOptional : std::false_type {};
template <typename T> struct IsOptional<std::optional<T>> : std::true_type {};

} // namespace

Config Config::fromJsonObject(const QJsonObject& object) {
    Config config;
    forEachField(config, [&object](const char* key, auto& field) {
        using Field = std::decay_t<decltype(field)>;
        const QJsonValue value = object.value(QLatin1StringView(key));
        if (value.isUndefined() || value.isNull())
            return;
        if constexpr (IsOptional<Field>::value) {
            field = Codec<typename Field::value_type>::read(value);
        } else if (auto read = Codec<Field>::read(value)) {
            field = std::move(*read);
        }
    });
    return config;
}

std::optional<Config> Config::fromJson(const QByteArray& bytes) {
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    return fromJsonObject(document.object());
}

std::optional<QByteArray> Config::toJson() const {
    json::OrderedObject object;
    forEachField(*this, [&object](const char* key, const auto& field) {
        using Field = std::decay_t<decltype(field)>;
        if constexpr (IsOptional<Field>::value) {
            if (field)
                object.emplace_back(QString::fromLatin1(key),
                                    Codec<typename Field::value_type>::write(*field));
        } else {
            object.emplace_back(QString::fromLatin1(key), Codec<Field>::write(field));
        }
    });
    return json::compact(object);
}

std::vector<OverviewItem> Config::overviewItems() const {
    std::vector<OverviewItem> items;
    const auto add = [&items](OverviewItem item) {
        if (std::find(items.begin(), items.end(), item) == items.end())
            items.push_back(item);
    };
    std::for_each(overviewOrder.begin(), overviewOrder.end(), add);
    std::for_each(allCases<OverviewItem>().begin(), allCases<OverviewItem>().end(), add);
    return items;
}

bool Config::showsInOverview(OverviewItem item) const {
    if (item == OverviewItem::devices)
        return showDevices;
    return std::find(overviewHidden.begin(), overviewHidden.end(), item) == overviewHidden.end();
}

void Config::setShowsInOverview(OverviewItem item, bool shown) {
    // Hiding the devices row and turning off connected devices are one setting.
    if (item == OverviewItem::devices) {
        showDevices = shown;
        return;
    }
    std::erase(overviewHidden, item);
    if (!shown)
        overviewHidden.push_back(item);
}

} // namespace morvanex
