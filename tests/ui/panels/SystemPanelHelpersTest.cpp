#include "support/HubFixture.h"
#include "ui/panels/BatteryPanel.h"
#include "ui/panels/DisksPanel.h"
#include "ui/panels/GPUPanel.h"
#include "ui/panels/MemoryPanel.h"
#include "ui/panels/ProcessorPanel.h"
#include "ui/panels/SensorRows.h"
#include "ui/panels/SensorsPanel.h"
#include "ui/panels/SystemPanelParts.h"

#include <QLocale>
#include <gtest/gtest.h>
#include <limits>

using namespace morvanex;
using namespace morvanex::ui;

namespace {

constexpr double NaN = std::numeric_limits<double>::quiet_NaN();
constexpr double Inf = std::numeric_limits<double>::infinity();

Sensor sensor(const QString& key, SensorGroup group, SensorKind kind, double value,
              const QString& name = {}) {
    return Sensor{key, name.isEmpty() ? key : name, group, kind, value, value};
}

ProcessSample process(std::int32_t pid, double cpu, double memory = 0, double read = 0,
                      double write = 0) {
    return ProcessSample{pid, QStringLiteral("p%1").arg(pid), cpu, memory, read, write};
}

std::vector<std::int32_t> pids(const std::vector<ProcessSample>& list) {
    std::vector<std::int32_t> out;
    for (const auto& p : list)
        out.push_back(p.pid);
    return out;
}

template <typename Rows> std::vector<std::int32_t> rowPids(const Rows& rows) {
    std::vector<std::int32_t> out;
    for (const auto& [p, text] : rows)
        out.push_back(p.pid);
    return out;
}

class PanelHelpers : public testing::Test {
protected:
    void SetUp() override { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }
    void TearDown() override { QLocale::setDefault(QLocale::c()); }
};

} // namespace

TEST_F(PanelHelpers, WholeNumberTextsFailToADash) {
    EXPECT_EQ(systempanel::wholeGrouped(1234.9), "1,234");
    EXPECT_EQ(systempanel::wholeGrouped(NaN), "—");
    EXPECT_EQ(systempanel::wholeGrouped(1e300), "—");
    EXPECT_EQ(systempanel::roundedWhole(86.5), "87");
    EXPECT_EQ(systempanel::roundedWhole(86.4), "86");
    EXPECT_EQ(systempanel::roundedWhole(-Inf), "—");
}

TEST_F(PanelHelpers, SensorsHottestAndMenuBarSensor) {
    SensorMonitor monitor(nullptr);
    monitor.sensors = {sensor("TG0P", SensorGroup::gpu, SensorKind::temperature, 70),
                       sensor("TC0P", SensorGroup::cpu, SensorKind::temperature, 60),
                       sensor("TC1P", SensorGroup::cpu, SensorKind::temperature, 60),
                       sensor("PSTR", SensorGroup::power, SensorKind::power, 90),
                       sensor("TB0T", SensorGroup::battery, SensorKind::temperature, 70)};
    // The first of equal values wins; power readings never count as hottest.
    EXPECT_EQ(SensorsPanel::hottest(monitor.sensors)->key, "TG0P");
    EXPECT_EQ(SensorsPanel::menubarSensor(monitor, std::nullopt)->key, "TC0P");
    EXPECT_EQ(SensorsPanel::menubarSensor(monitor, QString("PSTR"))->key, "PSTR");
    EXPECT_EQ(SensorsPanel::menubarSensor(monitor, QString("GONE"))->key, "TC0P");
    monitor.sensors.erase(monitor.sensors.begin() + 1, monitor.sensors.begin() + 3);
    EXPECT_EQ(SensorsPanel::menubarSensor(monitor, QString("GONE")), std::nullopt);
    EXPECT_EQ(SensorsPanel::hottest({}), std::nullopt);
}

TEST_F(PanelHelpers, SensorsLabelsValuesAndContent) {
    const Sensor dc = sensor("VD0R", SensorGroup::power, SensorKind::voltage, 20.123, "DC In");
    EXPECT_EQ(SensorsPanel::label(dc), "DC In voltage");
    EXPECT_EQ(SensorsPanel::value(dc, TempUnit::celsius, 2), "20.12 V");
    const Sensor amps = sensor("ID0R", SensorGroup::power, SensorKind::current, 1.5, "DC In");
    EXPECT_EQ(SensorsPanel::label(amps), "DC In current");
    EXPECT_EQ(SensorsPanel::value(amps, TempUnit::celsius, 1), "1.5 A");
    const Sensor heat = sensor("TC0P", SensorGroup::cpu, SensorKind::temperature, 45, "CPU");
    EXPECT_EQ(SensorsPanel::label(heat), "CPU");
    EXPECT_EQ(SensorsPanel::value(heat, TempUnit::fahrenheit, 1), "113.0°");
    EXPECT_EQ(SensorsPanel::value(heat, TempUnit::kelvin, 0), "318 K");

    using C = SensorsPanel::Content;
    EXPECT_EQ(SensorsPanel::content(false, true, SensorMode::detailed), C::notAccessible);
    EXPECT_EQ(SensorsPanel::content(true, false, SensorMode::detailed), C::discovering);
    EXPECT_EQ(SensorsPanel::content(true, true, SensorMode::detailed), C::detailed);
    EXPECT_EQ(SensorsPanel::content(true, true, SensorMode::simple), C::simple);
}

TEST_F(PanelHelpers, SensorsPowerOrder) {
    const std::vector<Sensor> rows =
        SensorsPanel::powerRows({sensor("PDTR", SensorGroup::power, SensorKind::power, 5),
                                 sensor("TC0P", SensorGroup::cpu, SensorKind::temperature, 50),
                                 sensor("ID0R", SensorGroup::power, SensorKind::current, 1),
                                 sensor("VD0R", SensorGroup::power, SensorKind::voltage, 20),
                                 sensor("PSTR", SensorGroup::power, SensorKind::power, 9),
                                 sensor("PZ0R", SensorGroup::power, SensorKind::power, 3)});
    QStringList keys;
    for (const Sensor& s : rows)
        keys << s.key;
    EXPECT_EQ(keys, QStringList({"PSTR", "PDTR", "PZ0R", "VD0R", "ID0R"}));
}

TEST_F(PanelHelpers, SensorsFans) {
    struct Case {
        Fan fan;
        double fraction;
    };
    for (const Case& c : std::vector<Case>{{{0, 3500, 1000, 6000}, 0.5},
                                           {{0, 3000, 3000, 3000}, 0},
                                           {{0, 500, 1000, 6000}, 0},
                                           {{0, 7000, 1000, 6000}, 1},
                                           {{0, NaN, 1000, 6000}, 0}})
        EXPECT_DOUBLE_EQ(SensorsPanel::fanFraction(c.fan), c.fraction) << c.fan.rpm;
    EXPECT_EQ(SensorsPanel::rpmText(1234.9), "1,234 rpm");
    EXPECT_EQ(SensorsPanel::rpmText(NaN), "— rpm");
    EXPECT_EQ(SensorsPanel::fanRange({0, 0, 1200, 6000}), "1,200 – 6,000");
}

TEST_F(PanelHelpers, TemperatureBarScaleAndColour) {
    EXPECT_DOUBLE_EQ(TemperatureRow::position(0, 110), 0);
    EXPECT_DOUBLE_EQ(TemperatureRow::position(-5, 110), 0);
    EXPECT_DOUBLE_EQ(TemperatureRow::position(55, 110), 55);
    EXPECT_DOUBLE_EQ(TemperatureRow::position(150, 110), 110);
    EXPECT_DOUBLE_EQ(TemperatureRow::position(NaN, 110), 0);
    EXPECT_EQ(TemperatureRow::fillTint(89.9), Tint::orange);
    EXPECT_EQ(TemperatureRow::fillTint(90), Tint::red);
    EXPECT_EQ(TemperatureRow::fillTint(50), Tint::yellow);
    EXPECT_EQ(TemperatureRow::fillTint(49.9), Tint::green);
    EXPECT_EQ(TemperatureRow::valuesText(48.2, 61.4, TempUnit::celsius), "48° / 61°");
    EXPECT_EQ(DetailedSensorRow::menuTitles(SensorKind::temperature),
              QStringList{"Show in Menu Bar"});
    for (SensorKind kind : {SensorKind::voltage, SensorKind::current, SensorKind::power})
        EXPECT_TRUE(DetailedSensorRow::menuTitles(kind).isEmpty());
}

TEST_F(PanelHelpers, BatterySubtitle) {
    BatteryMonitor b;
    b.present = true;
    b.isCharging = true;
    b.minutesRemaining = 125;
    EXPECT_EQ(BatteryPanel::subtitle(b), "Charging · 2 h 5 min until full");
    b.minutesRemaining = 60;
    EXPECT_EQ(BatteryPanel::subtitle(b), "Charging · 1 h 0 min until full");
    b.isCharging = false;
    b.minutesRemaining = 45;
    EXPECT_EQ(BatteryPanel::subtitle(b), "On battery · 45 min left");
    b.onAC = true;
    b.percent = 99.6;
    b.minutesRemaining.reset();
    EXPECT_EQ(BatteryPanel::subtitle(b), "Charged");
    b.present = false;
    EXPECT_EQ(BatteryPanel::subtitle(b), "No battery");
}

TEST_F(PanelHelpers, BatterySignificantApps) {
    std::vector<ProcessSample> eight;
    for (int i = 0; i < 8; ++i)
        eight.push_back(process(i + 1, 90 - 10 * i));
    EXPECT_EQ(pids(BatteryPanel::significant(eight)),
              (std::vector<std::int32_t>{1, 2, 3, 4, 5, 6}));
    // Ties keep the monitor's order; exactly 5 % is not listed; only the first six count.
    EXPECT_EQ(pids(BatteryPanel::significant(
                  {process(1, 5.0), process(2, 30), process(3, 30), process(4, 250)})),
              (std::vector<std::int32_t>{4, 2, 3}));
    std::vector<ProcessSample> seven{process(1, 90), process(2, 90), process(3, 90), process(4, 90),
                                     process(5, 90), process(6, 90), process(7, 80)};
    EXPECT_EQ(BatteryPanel::significant(seven).size(), 6u);
    EXPECT_EQ(BatteryPanel::appsLabel(0), "Apps");
    EXPECT_EQ(BatteryPanel::appsLabel(3), "Apps · 3");
}

TEST_F(PanelHelpers, BatteryHistoryStartAndSymbols) {
    BatteryMonitor b;
    struct Case {
        double interval;
        const char* text;
    };
    for (const Case& c : std::vector<Case>{{2, "100 min ago"},
                                           {1, "50 min ago"},
                                           {3, "2 h ago"},
                                           {5, "4 h ago"},
                                           {10, "8 h ago"},
                                           {NaN, "—"},
                                           {1e300, "—"}})
        EXPECT_EQ(BatteryPanel::historyStart(b, c.interval), c.text) << c.interval;

    EXPECT_EQ(BatteryPanel::deviceSymbol("Magic KEYBOARD"), "keyboard");
    EXPECT_EQ(BatteryPanel::deviceSymbol("Keyboard and Mouse"), "keyboard");
    EXPECT_EQ(BatteryPanel::deviceSymbol("MX mouse"), "computermouse");
    EXPECT_EQ(BatteryPanel::deviceSymbol("Magic Trackpad"), "rectangle.and.hand.point.up.left");
    EXPECT_EQ(BatteryPanel::deviceSymbol("Ann's AirPods Pro"), "airpods");
    EXPECT_EQ(BatteryPanel::deviceSymbol("Headset"), "dot.radiowaves.left.and.right");
}

TEST_F(PanelHelpers, BatteryHealth) {
    BatteryMonitor b;
    b.designCapacity = 5000;
    b.maxCapacity = 4000;
    EXPECT_DOUBLE_EQ(*BatteryPanel::health(b), 80);
    EXPECT_EQ(BatteryPanel::healthWord(b), "Good");
    EXPECT_EQ(BatteryPanel::badgeLabel("Good"), "Normal");
    EXPECT_EQ(BatteryPanel::badgeTint("Good"), Tint::green);
    b.maxCapacity = 3990;
    EXPECT_EQ(BatteryPanel::healthWord(b), "Service Recommended");
    EXPECT_EQ(BatteryPanel::badgeTint("Service Recommended"), Tint::orange);
    b.condition = QString("Poor");
    EXPECT_EQ(BatteryPanel::healthWord(b), "Poor");
    EXPECT_EQ(BatteryPanel::badgeLabel("Poor"), "Poor");
    EXPECT_EQ(BatteryPanel::badgeTint("Poor"), Tint::red);
    EXPECT_EQ(BatteryPanel::badgeTint("Fair"), Tint::orange);
    BatteryMonitor none;
    none.designCapacity = 0;
    none.maxCapacity = 4000;
    EXPECT_EQ(BatteryPanel::health(none), std::nullopt);
    EXPECT_EQ(BatteryPanel::healthWord(none), std::nullopt);
    none.condition = QString("Fair");
    EXPECT_EQ(BatteryPanel::healthWord(none), "Fair");
    EXPECT_EQ(BatteryPanel::capacityText(4382), "4,382 mAh");
    EXPECT_EQ(BatteryPanel::capacityText(std::nullopt), std::nullopt);
}

TEST_F(PanelHelpers, BatteryPowerLinesAndTemperature) {
    SensorMonitor sensors(nullptr);
    BatteryMonitor b;
    b.onAC = true;
    b.voltage = 12.0;
    b.amperage = 0.004;
    b.adapterWatts = 96;
    b.adapterName = QString("Power Adapter");
    using L = BatteryPanel::Line;
    EXPECT_EQ(BatteryPanel::powerLines(b, sensors, false),
              (std::vector<L>{{"Source", "Power adapter"},
                              {"Adapter", "96 W · Power Adapter"},
                              {"Power Saver", "Off"}}));
    b.amperage = 0.005;
    EXPECT_EQ(BatteryPanel::powerLines(b, sensors, true)[2], (L{"Charging power", "0.1 W"}));
    EXPECT_EQ(BatteryPanel::powerLines(b, sensors, true).back(), (L{"Power Saver", "On"}));
    b.onAC = false;
    b.amperage = -1.5;
    sensors.sensors = {sensor("PSTR", SensorGroup::power, SensorKind::power, 7.25)};
    // A machine without a battery can only be running from the mains.
    EXPECT_EQ(BatteryPanel::powerLines(b, sensors, false).front(), (L{"Source", "Power adapter"}));
    b.present = true;
    EXPECT_EQ(BatteryPanel::powerLines(b, sensors, false),
              (std::vector<L>{{"Source", "Battery"},
                              {"Discharge rate", "18.0 W"},
                              {"System power", "7.2 W"},
                              {"Power Saver", "Off"}}));

    EXPECT_EQ(BatteryPanel::temperatureText(b, sensors, TempUnit::celsius), std::nullopt);
    sensors.sensors = {sensor("TB0T", SensorGroup::battery, SensorKind::temperature, 31.2),
                       sensor("TB1T", SensorGroup::battery, SensorKind::temperature, 33.4)};
    EXPECT_EQ(BatteryPanel::temperatureText(b, sensors, TempUnit::celsius), "33.4°");
    b.temperature = 30.0;
    EXPECT_EQ(BatteryPanel::temperatureText(b, sensors, TempUnit::celsius), "30.0°");
}

TEST_F(PanelHelpers, ProcessorTexts) {
    CPUMonitor cpu;
    cpu.brand = "Ryzen 7";
    cpu.logicalCount = 16;
    cpu.user = 60;
    cpu.system = 39.5;
    EXPECT_EQ(CPUPanel::subtitle(cpu), "Ryzen 7 · 16 cores");
    EXPECT_EQ(CPUPanel::heroText(cpu), "100");
    EXPECT_EQ(CPUPanel::legend(cpu)[2].value, "1%");
    cpu.system = 70;
    EXPECT_EQ(CPUPanel::legend(cpu)[2].value, "0%");
    cpu.system = NaN;
    EXPECT_EQ(CPUPanel::heroText(cpu), "—");
    EXPECT_EQ(CPUPanel::coresTrailing(cpu), "16 threads");
    cpu.performanceCount = 4;
    cpu.efficiencyCount = 6;
    EXPECT_EQ(CPUPanel::coresTrailing(cpu), "4 Performance · 6 Efficiency");
    EXPECT_EQ(CPUPanel::loadAverageText({1.5, 1.256, 0}), "1.50  ·  1.26  ·  0.00");
    EXPECT_EQ(CPUPanel::loadAverageText({}), "");
    const auto rows = CPUPanel::topRows({process(1, 3), process(2, 12.34), process(3, 12.34),
                                         process(4, 1), process(5, 50), process(6, 0)});
    EXPECT_EQ(rowPids(rows), (std::vector<std::int32_t>{5, 2, 3, 1, 4}));
    EXPECT_EQ(rows[1].second, "12.3%");
}

TEST_F(PanelHelpers, CoreGridOrderAndFill) {
    std::vector<CPUMonitor::Core> cores;
    for (int i = 0; i < 10; ++i)
        cores.push_back({9 - i, 0, 0, 9 - i <= 5});
    std::vector<int> order;
    for (const auto& core : CoreGrid::ordered(cores))
        order.push_back(core.index);
    EXPECT_EQ(order, (std::vector<int>{6, 7, 8, 9, 0, 1, 2, 3, 4, 5}));
    EXPECT_DOUBLE_EQ(CoreGrid::fill({0, 200, 50, false}), 1);
    EXPECT_DOUBLE_EQ(CoreGrid::fill({0, 0, 0, false}), 0);
    EXPECT_DOUBLE_EQ(CoreGrid::fill({0, 20, 5, true}), 0.25);
    EXPECT_DOUBLE_EQ(CoreGrid::fill({0, NaN, 5, true}), 0);
}

TEST_F(PanelHelpers, GraphicsTexts) {
    GPUMonitor gpu;
    SensorMonitor sensors(nullptr);
    EXPECT_EQ(GPUPanel::subtitle(gpu), "No GPU statistics");
    EXPECT_EQ(GPUPanel::heroText(gpu), "—");
    EXPECT_TRUE(GPUPanel::statistics(gpu, sensors, TempUnit::celsius).empty());
    GPUMonitor::GPU first;
    first.name = "Radeon";
    first.utilization = 42.5;
    gpu.gpus.push_back(first);
    EXPECT_EQ(GPUPanel::subtitle(gpu), "Radeon");
    EXPECT_EQ(GPUPanel::heroText(gpu), "43");
    gpu.gpus[0].cores = 32;
    gpu.gpus[0].renderer = 10;
    EXPECT_EQ(GPUPanel::subtitle(gpu), "Radeon · 32 cores");
    const auto legend = GPUPanel::legend(gpu.gpus[0]);
    ASSERT_EQ(legend.size(), 2u);
    EXPECT_EQ(legend[1].label, "Renderer");
    EXPECT_EQ(legend[1].color, Tint::indigo);
    sensors.sensors = {sensor("TG0P", SensorGroup::gpu, SensorKind::temperature, 40),
                       sensor("TG1P", SensorGroup::gpu, SensorKind::temperature, 51.85),
                       sensor("PG0R", SensorGroup::power, SensorKind::power, 12.34)};
    using L = GPUPanel::Line;
    EXPECT_EQ(GPUPanel::statistics(gpu, sensors, TempUnit::kelvin),
              (std::vector<L>{{"Temperature", "319 K avg · 325 K max"}, {"Power", "12.3 W"}}));
    gpu.gpus[0].memoryUsed = 1536.0 * 1024 * 1024;
    EXPECT_EQ(GPUPanel::statistics(gpu, sensors, TempUnit::celsius)[0],
              (L{"Memory in use", "1.5 GB"}));
}

TEST_F(PanelHelpers, MemoryTexts) {
    for (auto [level, tint, word] :
         std::vector<std::tuple<int, Tint, const char*>>{{0, Tint::green, "Normal"},
                                                         {1, Tint::green, "Normal"},
                                                         {2, Tint::yellow, "Warning"},
                                                         {3, Tint::yellow, "Warning"},
                                                         {4, Tint::red, "Critical"},
                                                         {7, Tint::red, "Critical"}}) {
        EXPECT_EQ(MemoryPanel::levelTint(level), tint) << level;
        EXPECT_EQ(MemoryPanel::levelWord(level), word) << level;
    }
    MemoryMonitor m;
    m.total = 0; // a size not read yet
    EXPECT_EQ(MemoryPanel::heroText(m), "0");
    EXPECT_TRUE(MemoryPanel::segments(m).empty());
    m.total = 1000;
    m.app = 300;
    m.wired = 150;
    m.compressed = 45;
    m.cached = 100;
    EXPECT_EQ(MemoryPanel::heroText(m), "50"); // 49.5 rounds up
    const auto segments = MemoryPanel::segments(m);
    ASSERT_EQ(segments.size(), 4u);
    EXPECT_DOUBLE_EQ(segments[3].fraction, 0.1);
    EXPECT_EQ(segments[3].color, Tint::gray);
    m.app = NaN;
    EXPECT_EQ(MemoryPanel::heroText(m), "—");
    const auto rows = MemoryPanel::topRows({process(1, 0, 10), process(2, 0, 30), process(3, 0, 30),
                                            process(4, 0, 5), process(5, 0, 1), process(6, 0, 2)});
    EXPECT_EQ(rowPids(rows), (std::vector<std::int32_t>{2, 3, 1, 4, 6}));
}

TEST_F(PanelHelpers, DiskTexts) {
    DiskMonitor::Volume v;
    v.name = "Root";
    v.total = 1000;
    v.available = v.availableImportant = 100;
    EXPECT_EQ(DisksPanel::barTint(v), Tint::blue); // exactly 90 %
    v.available = v.availableImportant = 99;
    EXPECT_EQ(DisksPanel::barTint(v), Tint::red); // 90.1 %
    v.availableImportant = 2000;
    EXPECT_DOUBLE_EQ(DisksPanel::usedBytes(v), 0);
    EXPECT_DOUBLE_EQ(DisksPanel::usedPercent(v), 0);
    v.total = 0;
    EXPECT_DOUBLE_EQ(DisksPanel::usedPercent(v), 0);
    EXPECT_EQ(DisksPanel::barTint(v), Tint::blue);

    DiskMonitor::Volume p;
    p.available = 5e9;
    p.availableImportant = 5e9 + 1'000'000;
    EXPECT_EQ(DisksPanel::purgeableText(p), std::nullopt);
    p.availableImportant += 1;
    EXPECT_EQ(DisksPanel::purgeableText(p), "1.0 MB purgeable");

    DiskMonitor::Volume removable;
    removable.isRemovable = true;
    removable.isLocal = true;
    EXPECT_EQ(DisksPanel::symbol(removable), "externaldrive");
    DiskMonitor::Volume network;
    network.isLocal = false;
    EXPECT_EQ(DisksPanel::symbol(network), "server.rack");
    EXPECT_EQ(DisksPanel::symbol(DiskMonitor::Volume{}), "internaldrive");

    DiskMonitor disks;
    EXPECT_EQ(DisksPanel::subtitle(disks), std::nullopt);
    EXPECT_EQ(DisksPanel::heroText(disks), "—");
    DiskMonitor::Volume root;
    root.name = "Root";
    root.isRoot = true;
    root.total = 500e9;
    root.available = root.availableImportant = 120.5e9;
    disks.volumes = {root};
    EXPECT_EQ(DisksPanel::subtitle(disks), "Root · 120 GB available");
    EXPECT_EQ(DisksPanel::heroText(disks), "76");

    std::vector<ProcessSample> seven;
    for (int i = 1; i <= 7; ++i)
        seven.push_back(process(i, 0, 0, 0, 0));
    seven[2].diskRead = 100;
    seven[5].diskWrite = 5000;
    const auto rows = DisksPanel::topRows(seven);
    EXPECT_EQ(rowPids(rows), (std::vector<std::int32_t>{6, 3}));
    EXPECT_EQ(rows[0].second, "0 B/s / 4.9 KB/s");
    std::vector<ProcessSample> late = seven;
    for (auto& sample : late)
        sample.diskRead = sample.diskWrite = 0;
    for (int i = 0; i < 5; ++i)
        late.insert(late.begin(), process(100 + i, 0));
    EXPECT_TRUE(DisksPanel::topRows(late).empty());
}
