// The answers of "get_sensors" and "get_battery". Unlike the overview, these leave a key out
// when its reading is missing; they never write null.

#include "agents/MCPServer.h"
#include "agents/McpNumbers.h"
#include "agents/McpText.h"
#include "base/Numbers.h"

#include <algorithm>
#include <vector>

namespace morvanex {
namespace {

using mcp::r;

QJsonObject describe(const Sensor& sensor) {
    return QJsonObject{{"name", mcp::text(sensor.name)},  {"key", mcp::text(sensor.key)},
                       {"group", rawValue(sensor.group)}, {"kind", rawValue(sensor.kind)},
                       {"value", r(sensor.value, 2)},     {"peak_since_start", r(sensor.peak, 2)}};
}

QJsonObject describe(const Fan& fan) {
    const double percent =
        fan.minimum < fan.maximum
            ? std::clamp((fan.rpm - fan.minimum) / (fan.maximum - fan.minimum) * 100, 0.0, 100.0)
            : 0.0;
    return QJsonObject{{"fan", fan.index + 1},
                       {"rpm", qint64(mcp::wholeOrZero(fan.rpm))},
                       {"min_rpm", qint64(mcp::wholeOrZero(fan.minimum))},
                       {"max_rpm", qint64(mcp::wholeOrZero(fan.maximum))},
                       {"percent_of_range", r(percent)}};
}

QJsonArray temperatureGroups(const SensorMonitor& monitor) {
    QJsonArray groups;
    for (const SensorGroup group : allCases<SensorGroup>()) {
        const std::vector<Sensor> readings = monitor.temperatures(group);
        if (readings.empty())
            continue;
        double sum = 0;
        double highest = readings.front().value;
        for (const Sensor& sensor : readings) {
            sum += sensor.value;
            highest = std::max(highest, sensor.value);
        }
        groups.append(QJsonObject{{"group", rawValue(group)},
                                  {"average_c", r(sum / double(readings.size()))},
                                  {"max_c", r(highest)}});
    }
    return groups;
}

QJsonArray hottest(const SensorMonitor& monitor) {
    std::vector<const Sensor*> temperatures;
    for (const Sensor& sensor : monitor.sensors) {
        if (sensor.kind == SensorKind::temperature)
            temperatures.push_back(&sensor);
    }
    std::stable_sort(temperatures.begin(), temperatures.end(), [](const auto* a, const auto* b) {
        return mcp::rankKey(a->value) > mcp::rankKey(b->value);
    });
    QJsonArray out;
    for (std::size_t i = 0; i < std::min<std::size_t>(temperatures.size(), 10); ++i)
        out.append(describe(*temperatures[i]));
    return out;
}

} // namespace

QJsonObject MCPServer::sensors(bool all) const {
    if (!sources_.smcOpen || !sources_.smcOpen())
        return QJsonObject{{"note", "No hardware sensors are readable on this computer."}};
    const SensorMonitor& monitor = hub.sensors;
    QJsonArray fans;
    for (const Fan& fan : monitor.fans)
        fans.append(describe(fan));
    QJsonArray power;
    for (const Sensor& sensor : monitor.sensors) {
        if (sensor.group == SensorGroup::power && sensor.kind == SensorKind::power)
            power.append(describe(sensor));
    }
    QJsonObject answer{{"temperature_groups", temperatureGroups(monitor)},
                       {"hottest_sensors_c", hottest(monitor)},
                       {"fans", fans},
                       {"power_watts", power}};
    if (all) {
        QJsonArray every;
        for (const Sensor& sensor : monitor.sensors)
            every.append(describe(sensor));
        answer.insert("all_sensors", every);
    }
    return answer;
}

QJsonObject MCPServer::battery() const {
    const BatteryMonitor& battery = hub.battery;
    if (!battery.present)
        return QJsonObject{{"present", false}};
    QJsonObject answer{{"present", true},
                       {"percent", r(battery.percent)},
                       {"state", battery.stateDescription()},
                       {"on_power_adapter", battery.onAC},
                       {"low_power_mode", battery.lowPowerMode}};
    if (battery.minutesRemaining)
        answer.insert("time_remaining", mcp::hoursMinutes(*battery.minutesRemaining));
    if (battery.maxCapacity && battery.designCapacity && *battery.designCapacity >= 1) {
        answer.insert("health_percent",
                      r(double(*battery.maxCapacity) / double(*battery.designCapacity) * 100));
    }
    if (battery.condition)
        answer.insert("condition", mcp::text(*battery.condition));
    if (battery.cycleCount)
        answer.insert("cycle_count", qint64(*battery.cycleCount));
    if (battery.designCapacity)
        answer.insert("design_capacity_mah", qint64(*battery.designCapacity));
    if (battery.maxCapacity)
        answer.insert("max_capacity_mah", qint64(*battery.maxCapacity));
    if (battery.temperature)
        answer.insert("temperature_c", r(*battery.temperature));
    if (battery.voltage && battery.amperage)
        answer.insert("power_watts", r(*battery.voltage * *battery.amperage, 2));
    if (battery.adapterWatts) {
        QString adapter =
            QString::fromLatin1(numbers::integerText(*battery.adapterWatts)) + QStringLiteral(" W");
        if (battery.adapterName)
            adapter += QStringLiteral(" \u00b7 ") + mcp::text(*battery.adapterName);
        answer.insert("adapter", adapter);
    }
    if (!battery.bluetooth.empty()) {
        QJsonArray devices;
        for (const BluetoothBattery& device : battery.bluetooth)
            devices.append(
                QJsonObject{{"name", mcp::text(device.name)}, {"percent", device.percent}});
        answer.insert("bluetooth_devices", devices);
    }
    return answer;
}

} // namespace morvanex
