#include "services/DeviceBattery.h"

#include "base/Numbers.h"
#include "services/DeviceValues.h"

#include <initializer_list>
#include <utility>

namespace morvanex {

namespace {

// One place to look a value up: a key of a dictionary.
using Source = std::pair<const QVariantMap*, const char*>;

// The first source whose value is a number, as an integer.
std::optional<std::int64_t> firstInteger(std::initializer_list<Source> sources) {
    for (const auto& [dictionary, key] : sources) {
        const auto found = dictionary->constFind(QString::fromLatin1(key));
        if (found == dictionary->constEnd())
            continue;
        if (const auto value = devicevalues::integer(*found))
            return value;
    }
    return std::nullopt;
}

std::optional<double> scaled(std::optional<std::int64_t> value, double divisor) {
    if (!value)
        return std::nullopt;
    return double(*value) / divisor;
}

QVariantMap dictionaryAt(const QVariantMap& registry, const char* key) {
    const QVariant value = registry.value(QString::fromLatin1(key));
    return value.typeId() == QMetaType::QVariantMap ? value.toMap() : QVariantMap();
}

// The adapter's watts: its own figure, else volts times amperes (both in thousandths) while
// the charger is connected.
std::optional<std::int64_t> adapterWattsOf(const QVariantMap& registry,
                                           const QVariantMap& adapter) {
    if (const auto watts = firstInteger({{&adapter, "Watts"}}))
        return watts;
    const auto millivolts = firstInteger({{&adapter, "AdapterVoltage"}});
    const auto milliamps = firstInteger({{&adapter, "Current"}});
    const auto connected = firstInteger({{&registry, "ExternalConnected"}});
    if (!millivolts || !milliamps || connected != 1)
        return std::nullopt;
    // In floating point: the integer product of two stored values may not fit 64 bits.
    return numbers::roundedInt64(double(*millivolts) * double(*milliamps) / 1'000'000.0);
}

} // namespace

std::optional<DeviceBattery> DeviceBattery::fromRegistry(const QVariantMap& registry) {
    const QVariantMap battery = dictionaryAt(registry, "BatteryData");
    const QVariantMap adapter = dictionaryAt(registry, "AdapterDetails");

    DeviceBattery result;
    result.cycleCount = firstInteger({{&registry, "CycleCount"}, {&battery, "CycleCount"}});
    result.designCapacity =
        firstInteger({{&registry, "DesignCapacity"}, {&battery, "DesignCapacity"}});
    result.maxCapacity = firstInteger({{&registry, "NominalChargeCapacity"},
                                       {&battery, "NominalChargeCapacity"},
                                       {&registry, "AppleRawMaxCapacity"},
                                       {&battery, "FullChargeCapacity"}});
    if (!result.cycleCount && !result.designCapacity && !result.maxCapacity)
        return std::nullopt;
    result.currentCharge =
        firstInteger({{&registry, "AppleRawCurrentCapacity"}, {&battery, "RemainingCapacity"}});
    result.reportedHealth =
        firstInteger({{&battery, "MaximumCapacityPercent"}, {&registry, "MaximumCapacityPercent"}});
    result.temperature =
        scaled(firstInteger({{&registry, "Temperature"}, {&battery, "Temperature"}}), 100);
    result.voltage =
        scaled(firstInteger({{&registry, "Voltage"}, {&registry, "AppleRawBatteryVoltage"}}), 1000);
    result.amperage = scaled(firstInteger({{&registry, "InstantAmperage"}}), 1000);
    result.adapterWatts = adapterWattsOf(registry, adapter);
    return result;
}

} // namespace morvanex
