#include "McpTestServer.h"

#include <QJsonArray>
#include <gtest/gtest.h>

using namespace morvanex;
using morvanex::test::canonical;
using morvanex::test::McpTestServer;

namespace {

Sensor sensor(const QString& key, const QString& name, SensorGroup group, SensorKind kind,
              double value, double peak) {
    return Sensor{key, name, group, kind, value, peak};
}

TEST(McpSensorsAnswer, WithoutControllerAccessOnlyTheNote) {
    McpTestServer f;
    f.smcOpen = false;
    f.hub.sensors.sensors = {
        sensor("TC0P", "CPU", SensorGroup::cpu, SensorKind::temperature, 50, 50)};
    for (const QJsonObject& arguments : {QJsonObject(), QJsonObject{{"all_sensors", true}}}) {
        EXPECT_EQ(canonical(f.answer("get_sensors", arguments)),
                  canonical(R"({"note": "No hardware sensors are readable on this computer."})"));
    }
}

TEST(McpSensorsAnswer, GroupsHottestFansAndPower) {
    McpTestServer f;
    f.hub.sensors.sensors = {
        sensor("PDTR", "DC In", SensorGroup::power, SensorKind::power, 20.004, 25),
        sensor("PSTR", "System Total", SensorGroup::power, SensorKind::power, 18.456, 31.5),
        sensor("TC0P", "CPU Proximity", SensorGroup::cpu, SensorKind::temperature, 41.236, 60.111),
        sensor("TC1C", "CPU Core 1", SensorGroup::cpu, SensorKind::temperature, 38.9, 40),
        sensor("TG0P", "GPU Proximity", SensorGroup::gpu, SensorKind::temperature, 35, 36),
        sensor("VD0R", "DC In", SensorGroup::power, SensorKind::voltage, 20.1, 20.2),
    };
    f.hub.sensors.fans = {Fan{0, 3600, 1200, 6000}, Fan{1, 5000.7, 5000, 5000}};
    EXPECT_EQ(canonical(f.answer("get_sensors")), canonical(R"({
        "temperature_groups": [
            {"group": "CPU", "average_c": 40.1, "max_c": 41.2},
            {"group": "GPU", "average_c": 35, "max_c": 35}
        ],
        "hottest_sensors_c": [
            {"name": "CPU Proximity", "key": "TC0P", "group": "CPU", "kind": "temperature",
             "value": 41.24, "peak_since_start": 60.11},
            {"name": "CPU Core 1", "key": "TC1C", "group": "CPU", "kind": "temperature",
             "value": 38.9, "peak_since_start": 40},
            {"name": "GPU Proximity", "key": "TG0P", "group": "GPU", "kind": "temperature",
             "value": 35, "peak_since_start": 36}
        ],
        "fans": [
            {"fan": 1, "rpm": 3600, "min_rpm": 1200, "max_rpm": 6000, "percent_of_range": 50},
            {"fan": 2, "rpm": 5000, "min_rpm": 5000, "max_rpm": 5000, "percent_of_range": 0}
        ],
        "power_watts": [
            {"name": "DC In", "key": "PDTR", "group": "Power", "kind": "power", "value": 20,
             "peak_since_start": 25},
            {"name": "System Total", "key": "PSTR", "group": "Power", "kind": "power",
             "value": 18.46, "peak_since_start": 31.5}
        ]
    })"));
}

TEST(McpSensorsAnswer, AllSensorsOnlyWhenAskedWithABoolean) {
    McpTestServer f;
    f.hub.sensors.sensors = {
        sensor("TC0P", "CPU", SensorGroup::cpu, SensorKind::temperature, 50, 50),
        sensor("VD0R", "DC In", SensorGroup::power, SensorKind::voltage, 12, 12),
        sensor("ID0R", "DC In", SensorGroup::power, SensorKind::current, 1.5, 2),
    };
    const std::pair<QJsonValue, bool> rows[] = {{true, true},
                                                {false, false},
                                                {QStringLiteral("true"), false},
                                                {1, false},
                                                {QJsonValue::Null, false}};
    for (const auto& [value, listed] : rows) {
        SCOPED_TRACE(json::compact(QJsonArray{value})->toStdString());
        const QJsonObject answer = f.answer("get_sensors", QJsonObject{{"all_sensors", value}});
        EXPECT_EQ(answer.contains("all_sensors"), listed);
        if (listed) {
            QStringList keys;
            for (const QJsonValue& item : answer.value("all_sensors").toArray())
                keys.append(item.toObject().value("key").toString());
            EXPECT_EQ(keys, QStringList({"TC0P", "VD0R", "ID0R"}));
        }
    }
}

TEST(McpSensorsAnswer, AtMostTenHottestEqualValuesInMonitorOrder) {
    McpTestServer f;
    for (int i = 0; i < 12; ++i) {
        f.hub.sensors.sensors.push_back(
            sensor(QStringLiteral("T%1").arg(i, 3, 10, QLatin1Char('0')),
                   QStringLiteral("Sensor %1").arg(i), SensorGroup::system, SensorKind::temperature,
                   i < 4 ? 70 : 40 + i, 0));
    }
    QStringList keys;
    for (const QJsonValue& item : f.answer("get_sensors").value("hottest_sensors_c").toArray())
        keys.append(item.toObject().value("key").toString());
    EXPECT_EQ(keys, QStringList({"T000", "T001", "T002", "T003", "T011", "T010", "T009", "T008",
                                 "T007", "T006"}));
}

TEST(McpSensorsAnswer, FanRangeShareIsLimited) {
    struct Row {
        Fan fan;
        double percent;
    };
    const Row rows[] = {
        {Fan{0, 1000, 1200, 6000}, 0},                                        // below the minimum
        {Fan{0, 7000, 1200, 6000}, 100},                                      // above the maximum
        {Fan{0, 2400, 1200, 6000}, 25},        {Fan{0, 2000, 2000, 2000}, 0}, // no range
        {Fan{0, 2000, 3000, 2000}, 0}, // minimum above maximum
        {Fan{0, std::nan(""), 1200, 6000}, 0},
    };
    McpTestServer f;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.fan.rpm);
        f.hub.sensors.fans = {row.fan};
        const QJsonObject fan = f.answer("get_sensors").value("fans").toArray().at(0).toObject();
        EXPECT_EQ(fan.value("percent_of_range").toDouble(), row.percent);
    }
}

TEST(McpBatteryAnswer, NoBatteryIsOneKey) {
    McpTestServer f;
    f.hub.battery.present = false;
    f.hub.battery.cycleCount = 10; // stale details never show
    EXPECT_EQ(canonical(f.answer("get_battery")), canonical(R"({"present": false})"));
}

TEST(McpBatteryAnswer, EveryKnownDetail) {
    McpTestServer f;
    BatteryMonitor& b = f.hub.battery;
    b.present = true;
    b.percent = 54.44;
    b.onAC = false;
    b.lowPowerMode = true;
    b.minutesRemaining = 125;
    b.maxCapacity = 5300;
    b.designCapacity = 5000; // health above 100 is kept
    b.condition = QStringLiteral("Normal");
    b.cycleCount = 321;
    b.temperature = 30.06;
    b.voltage = 12.345;
    b.amperage = -1.5;
    b.adapterWatts = 96;
    b.bluetooth = {BluetoothBattery{QStringLiteral("Keyboard"), 80},
                   BluetoothBattery{QStringLiteral("Mouse"), 15}};
    EXPECT_EQ(canonical(f.answer("get_battery")), canonical(R"({
        "present": true, "percent": 54.4, "state": "On battery", "on_power_adapter": false,
        "low_power_mode": true, "time_remaining": "2:05", "health_percent": 106,
        "condition": "Normal", "cycle_count": 321, "design_capacity_mah": 5000,
        "max_capacity_mah": 5300, "temperature_c": 30.1, "power_watts": -18.52,
        "adapter": "96 W",
        "bluetooth_devices": [{"name": "Keyboard", "percent": 80}, {"name": "Mouse", "percent": 15}]
    })"));
}

TEST(McpBatteryAnswer, MissingDetailsAreLeftOutNeverNull) {
    McpTestServer f;
    BatteryMonitor& b = f.hub.battery;
    b.present = true;
    b.percent = 100;
    b.onAC = true;
    b.isCharged = true;
    b.designCapacity = 0; // no health from a design capacity below 1
    b.maxCapacity = 4000;
    b.voltage = 12; // no power without the current
    EXPECT_EQ(canonical(f.answer("get_battery")), canonical(R"({
        "present": true, "percent": 100, "state": "Charged", "on_power_adapter": true,
        "low_power_mode": false, "design_capacity_mah": 0, "max_capacity_mah": 4000
    })"));
}

} // namespace
