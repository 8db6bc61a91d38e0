#include "monitors/SensorMonitor.h"

#include "monitors/SMC.h"
#include "platform/linux/SmcApplesmcEmulator.h"
#include "platform/linux/SmcKeyTable.h"
#include "support/FixtureTree.h"
#include "support/LogCapture.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <gtest/gtest.h>
#include <limits>
#include <map>
#include <memory>
#include <stdexcept>
#include <thread>

using namespace morvanex;

namespace {

// A controller whose keys read from a table the test can change between samples; a key whose
// value is removed fails to read. Every value is a "flt " unless given as raw bytes.
struct FakeController {
    struct Value {
        QByteArray type;
        QByteArray bytes;
    };
    std::shared_ptr<std::map<QByteArray, std::optional<Value>>> values =
        std::make_shared<std::map<QByteArray, std::optional<Value>>>();
    std::unique_ptr<SMC> smc;
    // Called on every read of a key's value, on the reading thread.
    std::shared_ptr<std::function<void()>> onRead = std::make_shared<std::function<void()>>();

    explicit FakeController(const std::vector<std::pair<QByteArray, double>>& keys,
                            std::vector<std::pair<QByteArray, Value>> raw = {}) {
        std::vector<platform::SmcTableKey> table;
        const auto add = [&](const QByteArray& key, const Value& value) {
            (*values)[key] = value;
            table.push_back({key, value.type, std::uint32_t(value.bytes.size()),
                             [values = values, key, hook = onRead]() -> std::optional<QByteArray> {
                                 if (*hook)
                                     (*hook)();
                                 const auto& v = values->at(key);
                                 return v ? std::optional(v->bytes) : std::nullopt;
                             }});
        };
        const std::size_t total = 1 + keys.size() + raw.size();
        add("#KEY", {"ui32", platform::smcUnsignedBytes(total, 4)});
        for (const auto& [key, value] : keys)
            add(key, {"flt ", platform::smcFloatBytes(value)});
        for (const auto& [key, value] : raw)
            add(key, value);
        smc = std::make_unique<SMC>(std::make_unique<platform::SmcKeyTableTransport>(table));
    }

    void set(const QByteArray& key, double value) {
        (*values)[key] = Value{"flt ", platform::smcFloatBytes(value)};
    }
    void fail(const QByteArray& key) { (*values)[key] = std::nullopt; }
};

std::unique_ptr<SensorMonitor> readyMonitor(SMC& smc) {
    auto monitor = std::make_unique<SensorMonitor>(&smc);
    monitor->finishDiscovery(SensorMonitor::discover(smc));
    return monitor;
}

struct Row {
    const char* key;
    const char* name;
    SensorGroup group;
    SensorKind kind;
    double value;
};

void expectSensors(const std::vector<Sensor>& sensors, const std::vector<Row>& rows) {
    ASSERT_EQ(sensors.size(), rows.size());
    for (std::size_t i = 0; i < rows.size(); ++i) {
        SCOPED_TRACE(rows[i].key);
        EXPECT_EQ(sensors[i].key, QLatin1String(rows[i].key));
        EXPECT_EQ(sensors[i].name, QString::fromUtf8(rows[i].name));
        EXPECT_EQ(sensors[i].group, rows[i].group);
        EXPECT_EQ(sensors[i].kind, rows[i].kind);
        EXPECT_NEAR(sensors[i].value, rows[i].value, 1e-4);
        EXPECT_EQ(sensors[i].peak, sensors[i].value);
    }
}

constexpr auto T = SensorKind::temperature;
constexpr auto P = SensorKind::power;

} // namespace

TEST(SensorMonitor, GroupsAndKindsByText) {
    EXPECT_EQ(rawValue(SensorGroup::cpu), QStringLiteral("CPU"));
    EXPECT_EQ(rawValue(SensorGroup::storage), QStringLiteral("Storage"));
    EXPECT_EQ(fromRawValue<SensorGroup>(u"Power"), SensorGroup::power);
    EXPECT_EQ(fromRawValue<SensorGroup>(u"power"), std::nullopt);
    EXPECT_EQ(allCases<SensorGroup>().size(), 8u);
    EXPECT_EQ(allCases<SensorGroup>().back(), SensorGroup::other);
    EXPECT_EQ(rawValue(SensorKind::voltage), QStringLiteral("voltage"));
    EXPECT_EQ(fromRawValue<SensorKind>(u"current"), SensorKind::current);
}

TEST(SensorMonitor, TemperatureNames) {
    const std::vector<std::tuple<const char*, const char*, SensorGroup>> rows{
        {"Tp01", "CPU Performance Core", SensorGroup::cpu},
        {"Te05", "CPU Efficiency Core", SensorGroup::cpu},
        {"Tg0f", "GPU", SensorGroup::gpu},
        {"TG0P", "GPU", SensorGroup::gpu},
        {"Tm02", "Memory", SensorGroup::memory},
        {"TM0P", "Memory", SensorGroup::memory},
        {"TB0T", "Battery", SensorGroup::battery},
        {"TH0x", "SSD", SensorGroup::storage},
        {"TW0P", "Wi-Fi", SensorGroup::system},
        {"Ts0S", "Palm Rest", SensorGroup::system},
        {"Ta0P", "Airflow", SensorGroup::system},
        {"TA0P", "Ambient", SensorGroup::system},
        {"TPCD", "Platform Controller Hub", SensorGroup::system},
        {"TI0P", "Thunderbolt", SensorGroup::system},
        {"TC0P", "CPU Proximity", SensorGroup::cpu},
        {"TC1C", "CPU Core", SensorGroup::cpu},
        {"TCXC", "CPU Die", SensorGroup::cpu},
        {"TC0D", "CPU Die", SensorGroup::cpu},
        {"TZ01", "Sensor TZ01", SensorGroup::other},
        {"tp01", "Sensor tp01", SensorGroup::other},
    };
    for (const auto& [key, name, group] : rows) {
        SCOPED_TRACE(key);
        const auto described = SensorMonitor::describeTemperature(QString::fromLatin1(key));
        EXPECT_EQ(described.first, QString::fromLatin1(name));
        EXPECT_EQ(described.second, group);
    }
}

TEST(SensorMonitor, NumbersRepeatedTemperatureNamesInKeyOrder) {
    FakeController c({{"Tp05", 60}, {"TB0T", 30}, {"Tp01", 50}, {"PDTR", 20}, {"VD0R", 20.1}});
    const auto found = SensorMonitor::discover(*c.smc);
    expectSensors(found.sensors,
                  {{"PDTR", "DC In", SensorGroup::power, P, 20},
                   {"TB0T", "Battery", SensorGroup::battery, T, 30},
                   {"Tp01", "CPU Performance Core 1", SensorGroup::cpu, T, 50},
                   {"Tp05", "CPU Performance Core 2", SensorGroup::cpu, T, 60},
                   {"VD0R", "DC In", SensorGroup::power, SensorKind::voltage, 20.1}});
    EXPECT_EQ(found.fanCount, 0);
}

TEST(SensorMonitor, DiscoveryRanges) {
    FakeController c({{"TA00", 5},
                      {"TA01", 125},
                      {"TA02", 5.1},
                      {"TA03", 124.9},
                      {"TA04", std::numeric_limits<double>::quiet_NaN()},
                      {"PSTR", 0},
                      {"PCPC", 1000},
                      {"PC0C", -1},
                      {"PG0R", std::numeric_limits<double>::infinity()},
                      {"VP0R", 12.1},
                      {"F0Ac", 1200},
                      {"XYZW", 50}});
    const auto found = SensorMonitor::discover(*c.smc);
    expectSensors(found.sensors,
                  {{"PSTR", "System Total", SensorGroup::power, P, 0},
                   {"TA02", "Ambient 1", SensorGroup::system, T, 5.1},
                   {"TA03", "Ambient 2", SensorGroup::system, T, 124.9},
                   {"VP0R", "12V Rail", SensorGroup::power, SensorKind::voltage, 12.1}});
}

TEST(SensorMonitor, KeysThatDoNotReadAreLeftOut) {
    FakeController c({{"TB0T", 30}, {"TB1T", 31}});
    c.fail("TB1T");
    const auto found = SensorMonitor::discover(*c.smc);
    expectSensors(found.sensors, {{"TB0T", "Battery", SensorGroup::battery, T, 30}});
}

TEST(SensorMonitor, FanCount) {
    EXPECT_EQ(SensorMonitor::fanCountFrom(std::nullopt), 0);
    EXPECT_EQ(SensorMonitor::fanCountFrom(2), 2);
    EXPECT_EQ(SensorMonitor::fanCountFrom(10), 8);
    EXPECT_EQ(SensorMonitor::fanCountFrom(-1), 0);
    EXPECT_EQ(SensorMonitor::fanCountFrom(std::numeric_limits<double>::quiet_NaN()), 0);
    EXPECT_EQ(SensorMonitor::fanCountFrom(std::numeric_limits<double>::infinity()), 0);
    EXPECT_EQ(SensorMonitor::fanCountFrom(1e300), 0);

    FakeController ten({}, {{"FNum", {"ui8 ", QByteArray::fromHex("0a")}}});
    EXPECT_EQ(SensorMonitor::discover(*ten.smc).fanCount, 8);
    FakeController broken({}, {{"FNum", {"flt ", QByteArray::fromHex("0000c0ff")}}});
    EXPECT_EQ(SensorMonitor::discover(*broken.smc).fanCount, 0);
}

TEST(SensorMonitor, SamplingUpdatesValuesPeaksHistoriesAndFans) {
    FakeController c({{"TC0P", 40},
                      {"Tg00", 80},
                      {"F0Ac", 1200},
                      {"F0Mn", 1000},
                      {"F0Mx", 6000},
                      {"F1Ac", 1500}},
                     {{"FNum", {"ui8 ", QByteArray::fromHex("02")}}});
    SensorMonitor monitor(c.smc.get());
    monitor.sample(); // not ready: nothing happens
    EXPECT_TRUE(monitor.sensors.empty());
    EXPECT_TRUE(monitor.fans.empty());
    EXPECT_TRUE(monitor.fanHistory.values.empty());

    monitor.finishDiscovery(SensorMonitor::discover(*c.smc));
    EXPECT_TRUE(monitor.isReady);
    EXPECT_EQ(monitor.fanCount, 2);
    ASSERT_EQ(monitor.fans.size(), 2u);
    EXPECT_EQ(monitor.fans[0], (Fan{0, 1200, 1000, 6000}));
    EXPECT_EQ(monitor.fans[1], (Fan{1, 1500, 0, 0})); // F1Mn and F1Mx do not exist
    EXPECT_EQ(monitor.fanHistory.values, std::vector<double>{1500});
    EXPECT_EQ(monitor.histories.at("TC0P").values, std::vector<double>{40});
    EXPECT_EQ(monitor.histories.at("TC0P").capacity, 120);

    // Later readings take no range test; a failed read keeps the sensor as it was.
    c.set("TC0P", 130);
    c.fail("Tg00");
    c.set("F1Ac", 900);
    monitor.sample();
    EXPECT_EQ(monitor.sensor("TC0P")->value, 130);
    EXPECT_EQ(monitor.sensor("TC0P")->peak, 130);
    EXPECT_EQ(monitor.sensor("Tg00")->value, 80);
    EXPECT_EQ(monitor.histories.at("Tg00").values, std::vector<double>{80});
    EXPECT_EQ(monitor.histories.at("TC0P").values, (std::vector<double>{40, 130}));
    EXPECT_EQ(monitor.fanHistory.values, (std::vector<double>{1500, 1200}));

    // Not finite: no change. A lower value keeps the peak.
    c.set("TC0P", std::numeric_limits<double>::infinity());
    monitor.sample();
    EXPECT_EQ(monitor.sensor("TC0P")->value, 130);
    c.set("TC0P", 50);
    monitor.sample();
    EXPECT_EQ(monitor.sensor("TC0P")->value, 50);
    EXPECT_EQ(monitor.sensor("TC0P")->peak, 130);

    // A fan key that fails reads as 0.
    c.fail("F0Ac");
    monitor.sample();
    EXPECT_EQ(monitor.fans[0].rpm, 0);
}

TEST(SensorMonitor, Queries) {
    FakeController c({{"TC0P", 40}, {"TC1C", 60}, {"Tg00", 80}, {"PSTR", 12}});
    const auto holder = readyMonitor(*c.smc);
    const SensorMonitor& monitor = *holder;
    EXPECT_EQ(monitor.cpuTemperature(), 60);
    EXPECT_EQ(monitor.summary(SensorGroup::cpu), (SensorMonitor::Summary{50, 60}));
    EXPECT_EQ(monitor.summary(SensorGroup::gpu), (SensorMonitor::Summary{80, 80}));
    EXPECT_EQ(monitor.summary(SensorGroup::power),
              std::nullopt); // power sensors are not temperatures
    EXPECT_EQ(monitor.summary(SensorGroup::memory), std::nullopt);
    EXPECT_EQ(monitor.temperatures(SensorGroup::cpu).size(), 2u);
    EXPECT_EQ(monitor.sensor("PSTR")->name, QStringLiteral("System Total"));
    EXPECT_EQ(monitor.sensor("pstr"), std::nullopt);

    FakeController gpuOnly({{"Tg00", 80}, {"TB0T", 30}});
    EXPECT_EQ(readyMonitor(*gpuOnly.smc)->cpuTemperature(), 80);
    FakeController none({{"PSTR", 12}});
    EXPECT_EQ(readyMonitor(*none.smc)->cpuTemperature(), std::nullopt);
}

TEST(SensorMonitor, ClosedControllerGivesEmptyReadyMonitor) {
    SMC closed(nullptr);
    SensorMonitor monitor(&closed);
    monitor.finishDiscovery(SensorMonitor::discover(closed));
    EXPECT_TRUE(monitor.isReady);
    EXPECT_TRUE(monitor.sensors.empty());
    EXPECT_TRUE(monitor.fans.empty());
    EXPECT_EQ(monitor.fanCount, 0);
    EXPECT_EQ(monitor.cpuTemperature(), std::nullopt);
    EXPECT_EQ(monitor.summary(SensorGroup::cpu), std::nullopt);
}

// ---- Fixture machines through the Linux transports

namespace {

SMC fixtureController(const char* name) {
    const auto roots =
        platform::Roots::under(QStringLiteral(MORVANEX_FIXTURES "/sensors/") + QLatin1String(name));
    return SMC(platform::openSmcTransport(roots));
}

// A fixture machine's controller and a monitor over it, discovery done.
struct FixtureMachine {
    SMC smc;
    std::unique_ptr<SensorMonitor> holder;
    const SensorMonitor& monitor;

    explicit FixtureMachine(const char* name)
        : smc(fixtureController(name)), holder(readyMonitor(smc)), monitor(*holder) {}
};

} // namespace

TEST(SensorMonitorFixtures, IntelLaptop) {
    const FixtureMachine machine("intel-laptop");
    ASSERT_TRUE(machine.smc.isOpen());
    const SensorMonitor& monitor = machine.monitor;
    const auto cpu = SensorGroup::cpu;
    const auto other = SensorGroup::other;
    expectSensors(monitor.sensors, {{"PC0C", "CPU Core", SensorGroup::power, P, 0},
                                    {"PCPC", "CPU Package", SensorGroup::power, P, 0},
                                    {"TB00", "Battery", SensorGroup::battery, T, 29.8},
                                    {"TCD0", "CPU Die", cpu, T, 61},
                                    {"TH00", "SSD", SensorGroup::storage, T, 38.85},
                                    {"TP00", "Platform Controller Hub", SensorGroup::system, T, 47},
                                    {"TW00", "Wi-Fi", SensorGroup::system, T, 40},
                                    {"TZ00", "Sensor TZ00", other, T, 45},
                                    {"TZ01", "Sensor TZ01", other, T, 52},
                                    {"TZ03", "Sensor TZ03", other, T, 45},
                                    {"Te00", "CPU Efficiency Core 1", cpu, T, 50},
                                    {"Te01", "CPU Efficiency Core 2", cpu, T, 51},
                                    {"Te02", "CPU Efficiency Core 3", cpu, T, 50},
                                    {"Te03", "CPU Efficiency Core 4", cpu, T, 52},
                                    {"Te04", "CPU Efficiency Core 5", cpu, T, 53},
                                    {"Te05", "CPU Efficiency Core 6", cpu, T, 50},
                                    {"Te06", "CPU Efficiency Core 7", cpu, T, 51},
                                    {"Te07", "CPU Efficiency Core 8", cpu, T, 52},
                                    {"Tp00", "CPU Performance Core 1", cpu, T, 58},
                                    {"Tp01", "CPU Performance Core 2", cpu, T, 57},
                                    {"Tp02", "CPU Performance Core 3", cpu, T, 60},
                                    {"Tp03", "CPU Performance Core 4", cpu, T, 59}});
    EXPECT_EQ(monitor.fans, (std::vector<Fan>{{0, 2460, 0, 0}, {1, 2210, 0, 0}}));
    EXPECT_EQ(monitor.cpuTemperature(), 61);
}

TEST(SensorMonitorFixtures, AmdDesktop) {
    const FixtureMachine machine("amd-desktop");
    ASSERT_TRUE(machine.smc.isOpen());
    const SensorMonitor& monitor = machine.monitor;
    const auto other = SensorGroup::other;
    const auto gpu = SensorGroup::gpu;
    expectSensors(monitor.sensors, {{"PG0R", "GPU", SensorGroup::power, P, 35},
                                    {"TCD0", "CPU Die 1", SensorGroup::cpu, T, 45.125},
                                    {"TCD1", "CPU Die 2", SensorGroup::cpu, T, 41.75},
                                    {"TCD2", "CPU Die 3", SensorGroup::cpu, T, 40.5},
                                    {"TH00", "SSD", SensorGroup::storage, T, 36.85},
                                    {"TZ00", "Sensor TZ00", other, T, 32},
                                    {"TZ01", "Sensor TZ01", other, T, 38.5},
                                    {"Tg00", "GPU 1", gpu, T, 42},
                                    {"Tg01", "GPU 2", gpu, T, 44},
                                    {"Tg02", "GPU 3", gpu, T, 46}});
    EXPECT_EQ(monitor.fans,
              (std::vector<Fan>{{0, 0, 0, 3300}, {1, 850, 300, 0}, {2, 1200, 300, 0}}));
    EXPECT_EQ(monitor.summary(SensorGroup::cpu)->maximum, 45.125);
}

TEST(SensorMonitorFixtures, AppleSmcThroughHwmon) {
    const FixtureMachine machine("applesmc");
    ASSERT_TRUE(machine.smc.isOpen());
    const SensorMonitor& monitor = machine.monitor;
    const auto cpu = SensorGroup::cpu;
    const auto system = SensorGroup::system;
    expectSensors(monitor.sensors, {{"TA0P", "Ambient", system, T, 31.25},
                                    {"TB0T", "Battery 1", SensorGroup::battery, T, 30},
                                    {"TB1T", "Battery 2", SensorGroup::battery, T, 30},
                                    {"TC0D", "CPU Die 1", cpu, T, 55.75},
                                    {"TC0E", "CPU Die 2", cpu, T, 56.25},
                                    {"TC0F", "CPU Die 3", cpu, T, 56},
                                    {"TC0P", "CPU Proximity", cpu, T, 48},
                                    {"TC1C", "CPU Core 1", cpu, T, 54},
                                    {"TC2C", "CPU Core 2", cpu, T, 55},
                                    {"TCD0", "CPU Die 4", cpu, T, 57},
                                    {"TM0P", "Memory", SensorGroup::memory, T, 45.5},
                                    {"TW0P", "Wi-Fi", system, T, 41},
                                    {"Th1H", "Sensor Th1H", SensorGroup::other, T, 47.25},
                                    {"Tp00", "CPU Performance Core 1", cpu, T, 55},
                                    {"Tp01", "CPU Performance Core 2", cpu, T, 56},
                                    {"Ts0P", "Palm Rest", system, T, 29.25}});
    EXPECT_EQ(monitor.fans, (std::vector<Fan>{{0, 2160, 2160, 6156}, {1, 1997, 2000, 5700}}));
}

TEST(SensorMonitorFixtures, AppleSmcKeyInterface) {
    auto state = std::make_shared<test::ApplesmcState>();
    state->keys =
        test::loadApplesmcKeys(QStringLiteral(MORVANEX_FIXTURES "/sensors/applesmc/keys.txt"));
    ASSERT_EQ(state->keys.size(), 15u);
    SMC smc(std::make_unique<platform::SmcApplesmcTransport>(
        std::make_unique<test::ApplesmcEmulator>(state)));
    const auto holder = readyMonitor(smc);
    const SensorMonitor& monitor = *holder;
    expectSensors(monitor.sensors, {{"PCPC", "CPU Package", SensorGroup::power, P, 8},
                                    {"PSTR", "System Total", SensorGroup::power, P, 14.5},
                                    {"TB0T", "Battery", SensorGroup::battery, T, 30},
                                    {"TC0P", "CPU Proximity", SensorGroup::cpu, T, 48},
                                    {"TC1C", "CPU Core", SensorGroup::cpu, T, 54},
                                    {"Th1H", "Sensor Th1H", SensorGroup::other, T, 47.25}});
    EXPECT_EQ(monitor.fans, (std::vector<Fan>{{0, 2160, 2160, 6156}, {1, 1997, 2000, 5700}}));
}

TEST(SensorMonitorFixtures, ThisVirtualMachine) {
    const FixtureMachine machine("vm");
    EXPECT_FALSE(machine.smc.isOpen());
    const SensorMonitor& monitor = machine.monitor;
    EXPECT_TRUE(monitor.isReady);
    EXPECT_TRUE(monitor.sensors.empty());
    EXPECT_TRUE(monitor.fans.empty());
    EXPECT_EQ(monitor.cpuTemperature(), std::nullopt);
}

// ---- start(): discovery in the background, result on the main thread

namespace {

bool waitUntil(const std::function<bool()>& done, int timeoutMs = 60000) {
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return true;
}

} // namespace

TEST(SensorMonitorStart, DiscoversInTheBackgroundAndSamplesOnce) {
    FakeController c({{"TC0P", 40}, {"F0Ac", 1200}},
                     {{"FNum", {"ui8 ", QByteArray::fromHex("01")}}});
    SensorMonitor monitor(c.smc.get());
    monitor.start();
    monitor.start(); // only the first call counts
    ASSERT_TRUE(waitUntil([&] { return monitor.isReady; }));
    ASSERT_EQ(monitor.sensors.size(), 1u);
    EXPECT_EQ(monitor.fans.size(), 1u);
    EXPECT_EQ(monitor.histories.at("TC0P").values.size(), 1u); // the one sample
    EXPECT_EQ(monitor.fanHistory.values.size(), 1u);
}

TEST(SensorMonitorStart, ADiscoveryThatThrowsFindsNothingAndSaysWhy) {
    const test::LogCapture logged;
    FakeController c({{"TC0P", 40}});
    *c.onRead = [] { throw std::runtime_error("controller gone"); };
    SensorMonitor monitor(c.smc.get());
    monitor.start();
    ASSERT_TRUE(waitUntil([&] { return monitor.isReady; }));
    EXPECT_TRUE(monitor.sensors.empty());
    EXPECT_TRUE(logged.contains("morvanex.monitors: Sensor discovery failed: controller gone"))
        << logged.all();
}

TEST(SensorMonitorStart, MonitorGoneBeforeTheResultArrives) {
    FakeController c({{"TC0P", 40}});
    auto reads = std::make_shared<std::atomic<int>>(0);
    *c.onRead = [reads] { ++*reads; };
    {
        SensorMonitor monitor(c.smc.get());
        monitor.start();
    } // waits for the discovery thread; the result is dropped with the monitor
    // The end waited for the whole walk of the keys, and nothing reads the controller after it:
    // no thread is left, and the collecting timer went with the monitor.
    const int readsAtEnd = *reads;
    EXPECT_GE(readsAtEnd, 2); // the key count and the one sensor at least
    for (int i = 0; i < 5; ++i)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 30);
    EXPECT_EQ(*reads, readsAtEnd);

    // The controller serves the next monitor as before.
    SensorMonitor next(c.smc.get());
    next.start();
    ASSERT_TRUE(waitUntil([&] { return next.isReady; }));
    EXPECT_EQ(next.sensors.size(), 1u);
}

// The default construction reads this machine's controller: its temperatures are those of the
// kernel's hwmon inputs (the test reads them itself), and a machine without any has none.
TEST(SensorMonitorStart, DefaultConstructionReadsThisMachine) {
    std::vector<double> inputs; // °C
    const QDir hwmon(QStringLiteral("/sys/class/hwmon"));
    for (const QString& device : hwmon.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        const QDir folder(hwmon.filePath(device));
        for (const QString& input : folder.entryList({QStringLiteral("temp*_input")})) {
            QFile file(folder.filePath(input));
            bool ok = false;
            const double milli =
                file.open(QIODevice::ReadOnly) ? file.readAll().trimmed().toDouble(&ok) : 0;
            if (ok)
                inputs.push_back(milli / 1000);
        }
    }
    const bool applesmc = QDir(QStringLiteral("/sys/devices/platform/applesmc.768")).exists();

    SensorMonitor monitor;
    monitor.start();
    ASSERT_TRUE(waitUntil([&] { return monitor.isReady; }));
    std::vector<double> temperatures;
    for (const Sensor& sensor : monitor.sensors) {
        if (sensor.kind == SensorKind::temperature)
            temperatures.push_back(sensor.value);
    }
    if (applesmc) {
        EXPECT_FALSE(temperatures.empty()) << "the controller's keys hold temperatures";
    } else if (inputs.empty()) {
        EXPECT_TRUE(temperatures.empty());
        EXPECT_EQ(monitor.cpuTemperature(), std::nullopt);
    } else {
        ASSERT_FALSE(temperatures.empty());
        // Each is one of the inputs, read a moment apart: within a few degrees of their range.
        const auto [coolest, hottest] = std::minmax_element(inputs.begin(), inputs.end());
        for (const double value : temperatures) {
            EXPECT_GE(value, *coolest - 5);
            EXPECT_LE(value, *hottest + 5);
        }
    }
}

// Discovery walks thousands of keys on its worker while the main thread samples another
// monitor on the same controller and reads keys directly; the test checks that the main thread's
// reads really fell in the middle of the walk. Built with -fsanitize=thread, this test must run
// without a report.
TEST(SensorMonitorThreads, DiscoveryOnWorkerWhileMainSamples) {
    std::vector<std::pair<QByteArray, double>> keys;
    const char digits[] = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
    for (int i = 0; i < 3000; ++i)
        keys.push_back({QByteArray("T") + digits[i / 62 % 62] + digits[i % 62] + "x", 40 + i % 50});
    keys.push_back({"F0Ac", 1000});
    FakeController c(keys, {{"FNum", {"ui8 ", QByteArray::fromHex("01")}}});

    // The worker's reads are slowed down a little so that the walk takes a while; the main
    // thread notes how far the walk had got at each of its own reads.
    const auto mainThread = std::this_thread::get_id();
    std::atomic<int> workerReads{0};
    std::atomic<int> mainReadsDuringWalk{0};
    *c.onRead = [&] {
        if (std::this_thread::get_id() != mainThread) {
            ++workerReads;
            std::this_thread::sleep_for(std::chrono::microseconds(100));
        } else if (const int done = workerReads.load(); done > 0 && done < 3000) {
            ++mainReadsDuringWalk;
        }
    };

    SensorMonitor sampled(c.smc.get());
    SensorMonitor::Discovery few;
    few.sensors = {{"T00x", "Sensor T00x", SensorGroup::other, SensorKind::temperature, 40, 40},
                   {"T01x", "Sensor T01x", SensorGroup::other, SensorKind::temperature, 41, 41}};
    few.fanCount = 1;
    sampled.finishDiscovery(few);

    SensorMonitor discovering(c.smc.get());
    SensorMonitor onShared; // SMC::shared(), opened by its discovery thread
    discovering.start();
    onShared.start();
    ASSERT_TRUE(waitUntil([&] {
        sampled.sample();
        discovering.sample(); // nothing until ready
        c.smc->read(QStringLiteral("F0Ac"));
        return discovering.isReady && onShared.isReady;
    }));
    EXPECT_GT(mainReadsDuringWalk.load(), 0);
    EXPECT_EQ(discovering.sensors.size(), 3000u);
    EXPECT_EQ(discovering.fans.size(), 1u);
    EXPECT_EQ(sampled.fans.size(), 1u);
    EXPECT_EQ(onShared.sensors.size(), SensorMonitor::discover(SMC::shared()).sensors.size());
}
