#include "dump/DumpPowerLines.h"

#include <gtest/gtest.h>

// Readable failure messages for texts.
inline void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}

using namespace morvanex;

namespace {

Sensor sensor(const QString& key, const QString& name, SensorGroup group, double value,
              SensorKind kind = SensorKind::temperature) {
    Sensor s;
    s.key = key;
    s.name = name;
    s.group = group;
    s.kind = kind;
    s.value = value;
    return s;
}

std::vector<Sensor> numbered(SensorGroup group, int count) {
    std::vector<Sensor> sensors;
    for (int i = 1; i <= count; ++i)
        sensors.push_back(sensor(QStringLiteral("Tp%1").arg(i, 2, 10, QLatin1Char('0')),
                                 QStringLiteral("Core %1").arg(i), group, 40 + i));
    return sensors;
}

TEST(DumpPowerLines, SensorsLineShowsTheControllerAndTheHottestCPU) {
    SensorMonitor sensors;
    EXPECT_EQ(dump::sensorsLine(false, sensors, TempUnit::celsius),
              "Sensors  available=false ready=false count=0 cpuMax=—");
    sensors.isReady = true;
    sensors.sensors = {sensor("TC0P", "CPU Proximity", SensorGroup::cpu, 61.26),
                       sensor("TG0P", "GPU Proximity", SensorGroup::gpu, 70),
                       sensor("VD0R", "DC In", SensorGroup::power, 12.1, SensorKind::voltage)};
    EXPECT_EQ(dump::sensorsLine(true, sensors, TempUnit::celsius),
              "Sensors  available=true ready=true count=3 cpuMax=61.3°");
    EXPECT_EQ(dump::sensorsLine(true, sensors, TempUnit::kelvin),
              "Sensors  available=true ready=true count=3 cpuMax=334.4 K");
}

TEST(DumpPowerLines, SensorGroupLinesListAtMostEightSensorsEach) {
    EXPECT_TRUE(dump::sensorGroupLines({}).isEmpty());

    const QStringList eight = dump::sensorGroupLines(numbered(SensorGroup::cpu, 8));
    ASSERT_EQ(eight.size(), 1);
    EXPECT_EQ(eight[0], "  CPU      Core 1[Tp01]=41.0, Core 2[Tp02]=42.0, Core 3[Tp03]=43.0, "
                        "Core 4[Tp04]=44.0, Core 5[Tp05]=45.0, Core 6[Tp06]=46.0, "
                        "Core 7[Tp07]=47.0, Core 8[Tp08]=48.0");

    const QStringList eleven = dump::sensorGroupLines(numbered(SensorGroup::storage, 11));
    ASSERT_EQ(eleven.size(), 1);
    EXPECT_TRUE(eleven[0].startsWith("  Storage  Core 1[Tp01]=41.0, "));
    EXPECT_TRUE(eleven[0].endsWith(", Core 8[Tp08]=48.0 … +3")) << eleven[0].toStdString();
    EXPECT_EQ(eleven[0].count(QStringLiteral("]=")), 8);
}

TEST(DumpPowerLines, SensorGroupLinesFollowGroupOrderAndListOrder) {
    // The list is sorted by key, not by group: lines come in group order, sensors in list order.
    const std::vector<Sensor> sensors = {
        sensor("PSTR", "System Total", SensorGroup::power, 18.25, SensorKind::power),
        sensor("TB0T", "Battery", SensorGroup::battery, 30.04),
        sensor("TC1C", "CPU Core 2", SensorGroup::cpu, 55.55),
        sensor("TC0C", "CPU Core 1", SensorGroup::cpu, -1),
        sensor("Ts0P", "Palm Rest", SensorGroup::other, 29),
    };
    EXPECT_EQ(dump::sensorGroupLines(sensors),
              QStringList({"  CPU      CPU Core 2[TC1C]=55.5, CPU Core 1[TC0C]=-1.0",
                           "  Battery  Battery[TB0T]=30.0", "  Power    System Total[PSTR]=18.2",
                           "  Other    Palm Rest[Ts0P]=29.0"}));
}

TEST(DumpPowerLines, FanLines) {
    Fan first;
    first.index = 0;
    first.rpm = 2399.9;
    first.minimum = 1200;
    first.maximum = 6000.5;
    Fan second;
    second.index = 1;
    EXPECT_EQ(
        dump::fanLines({first, second}),
        QStringList({"  Fan 1  2399 rpm (min 1200, max 6000)", "  Fan 2  0 rpm (min 0, max 0)"}));
}

TEST(DumpPowerLines, BatteryLineWithoutABattery) {
    BatteryMonitor battery;
    EXPECT_EQ(dump::batteryLine(battery),
              "Battery  present=false 0% No battery remaining=- cycles=-1 health=- temp=- V=0.0 "
              "A=0.0 adapter=0W cells=[] bt=[]");
}

TEST(DumpPowerLines, BatteryLineWithEveryReading) {
    BatteryMonitor battery;
    battery.present = true;
    battery.percent = 86.5;
    battery.minutesRemaining = 185;
    battery.cycleCount = 212;
    battery.designCapacity = 5000;
    battery.maxCapacity = 5600; // above design: the machine's own health is not capped
    battery.temperature = 30.15;
    battery.voltage = 12.3;
    battery.amperage = -1.25;
    battery.adapterWatts = 65;
    battery.cellVoltages = {3.85, 4.0};
    battery.bluetooth = {BluetoothBattery{QStringLiteral("Keyboard \"K\""), 80},
                         BluetoothBattery{QStringLiteral("Mouse"), 5}};
    EXPECT_EQ(dump::batteryLine(battery),
              "Battery  present=true 87% On battery remaining=3:05 cycles=212 health=112% "
              "temp=30.1 V=12.3 A=-1.25 adapter=65W cells=[3.85, 4.0] "
              "bt=[\"Keyboard \\\"K\\\" 80%\", \"Mouse 5%\"]");
}

TEST(DumpPowerLines, BatteryRemainingTimeAndHealthForms) {
    struct Row {
        std::optional<std::int64_t> minutes;
        std::optional<std::int64_t> design;
        std::optional<std::int64_t> maximum;
        const char* remaining;
        const char* health;
    };
    const Row rows[] = {
        {0, 4000, 3000, "0:00", "75%"},        {59, std::nullopt, 3000, "0:59", "-"},
        {60, 4000, std::nullopt, "1:00", "-"}, {605, 0, 3000, "10:05", "-"},
        {std::nullopt, 1, 1, "-", "100%"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.remaining);
        BatteryMonitor battery;
        battery.present = true;
        battery.minutesRemaining = row.minutes;
        battery.designCapacity = row.design;
        battery.maxCapacity = row.maximum;
        const QString line = dump::batteryLine(battery);
        EXPECT_TRUE(line.contains(QStringLiteral(" remaining=%1 ").arg(row.remaining)))
            << line.toStdString();
        EXPECT_TRUE(line.contains(QStringLiteral(" health=%1 ").arg(row.health)))
            << line.toStdString();
    }
}

} // namespace
