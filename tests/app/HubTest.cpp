#include "app/Hub.h"

#include "app/InsightEngine.h"
#include "app/RuleEngine.h"
#include "services/MobileDeviceFake.h"
#include "support/HubFixture.h"
#include "support/Wait.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <gtest/gtest.h>

using namespace morvanex;

namespace {

void onlyModules(AppSettings& settings, std::vector<ModuleKind> enabled) {
    settings.update([&](Config& c) {
        for (ModuleConfig& module : c.modules)
            module.enabled =
                std::find(enabled.begin(), enabled.end(), module.kind) != enabled.end();
    });
}

TEST(Hub, VolumeScansAreRateLimited) {
    test::HubFixture f;
    onlyModules(f.settings, {ModuleKind::time});
    Hub& hub = *f.hub;
    hub.tick(); // the first tick always scans
    EXPECT_EQ(hub.counts.volumeScans, 1);
    ASSERT_FALSE(hub.disks.volumes.empty()) << "this machine has a root volume";
    f.advance(10);
    hub.tick(); // exactly 10 s: no scan
    EXPECT_EQ(hub.counts.volumeScans, 1);
    f.advance(0.5);
    hub.tick();
    EXPECT_EQ(hub.counts.volumeScans, 2);
    hub.disks.volumes.clear(); // an empty list rescans every time
    hub.tick();
    EXPECT_EQ(hub.counts.volumeScans, 3);
}

TEST(Hub, WeatherOnlyForWeatherAstronomyOrCombined) {
    struct Row {
        const char* name;
        std::vector<ModuleKind> enabled;
        int refreshes;
    };
    const Row rows[] = {
        {"time only", {ModuleKind::time}, 0},
        {"cpu and network", {ModuleKind::cpu, ModuleKind::network}, 0},
        {"combined alone", {ModuleKind::combined}, 1},
        {"astronomy", {ModuleKind::astronomy}, 1},
        {"weather", {ModuleKind::weather, ModuleKind::cpu}, 1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        test::HubFixture f;
        onlyModules(f.settings, row.enabled);
        f.hub->tick();
        EXPECT_EQ(f.hub->counts.weatherRefreshes, row.refreshes);
        EXPECT_EQ(f.hub->counts.deviceRefreshes, 0); // none attached
    }
}

TEST(Hub, AttachedDevicesAreReadAgainEverySixtySeconds) {
    test::FakeMobileDeviceLibrary library;
    test::HubFixture f([&library](Hub::Services& services) {
        services.deviceLibrary = [&library] { return std::optional(library.api()); };
    });
    onlyModules(f.settings, {ModuleKind::time});
    Hub& hub = *f.hub;
    hub.tick(); // nothing attached: no refresh
    EXPECT_EQ(hub.counts.deviceRefreshes, 0);

    hub.devices.start();
    test::FakeDevice phone;
    phone.identifier = QStringLiteral("id-a");
    phone.values = {{QStringLiteral("/DeviceName"), QStringLiteral("Ada")}};
    const platform::MobileDeviceHandle handle{QStringLiteral("A"), false};
    library.setDevice(handle, phone);
    ASSERT_TRUE(library.notify(handle, platform::MobileDeviceAPI::deviceArrived));
    ASSERT_TRUE(test::waitUntil(
        [&] { return hub.devices.devices().size() == 1 && !hub.devices.refreshing(); }));
    const QDateTime readAt = hub.devices.lastRefresh();

    f.advance(59.9);
    hub.tick();
    EXPECT_EQ(hub.counts.deviceRefreshes, 0);
    f.now = readAt.addSecs(60); // exactly 60 s: refreshed
    hub.tick();
    EXPECT_EQ(hub.counts.deviceRefreshes, 1);
    ASSERT_TRUE(test::waitUntil([&] { return !hub.devices.refreshing(); }));

    f.settings.update([](Config& c) { c.showDevices = false; });
    f.advance(120);
    hub.tick();
    EXPECT_EQ(hub.counts.deviceRefreshes, 1);
}

TEST(Hub, HeadlessEvaluatesInsightsButNoRulesAndRecordsNothing) {
    test::HubFixture f;
    onlyModules(f.settings, {ModuleKind::time});
    Hub& hub = *f.hub;
    int ticks = 0;
    hub.onTick = [&ticks] { ++ticks; };
    int changes = 0;
    QObject::connect(&hub, &Hub::changed, [&changes] { ++changes; });
    hub.startHeadless();
    hub.tick();
    EXPECT_TRUE(hub.isHeadless);
    EXPECT_FALSE(hub.isRecording);
    EXPECT_EQ(hub.counts.ruleEvaluations, 0);
    EXPECT_EQ(hub.counts.insightEvaluations, 2);
    EXPECT_EQ(hub.counts.recordings, 0);
    EXPECT_EQ(ticks, 2);
    EXPECT_EQ(changes, 2);
}

TEST(Hub, StartRecordsEachTick) {
    test::HubFixture f;
    onlyModules(f.settings, {ModuleKind::time});
    Hub& hub = *f.hub;
    hub.start();
    ASSERT_TRUE(hub.history);
    EXPECT_TRUE(hub.isRecording);
    EXPECT_EQ(hub.counts.recordings, 1);
    EXPECT_EQ(hub.counts.ruleEvaluations, 1);
    f.advance(2);
    hub.tick();
    EXPECT_EQ(hub.counts.recordings, 2);
}

TEST(Hub, RecordedSampleLeavesOutMetricsWithoutASource) {
    test::HubFixture f;
    Hub& hub = *f.hub;
    hub.cpu.user = 12;
    hub.cpu.system = 3;
    hub.gpu.gpus.clear();
    hub.memory.total = 0;
    hub.sensors.fans.clear();
    hub.sensors.sensors.clear();
    hub.battery.present = false;
    hub.battery.temperature.reset();
    hub.battery.voltage = 12.0;
    hub.battery.amperage.reset();
    hub.disks.readRate = 5;
    hub.network.download = 7;
    auto sample = hub.historySample();
    EXPECT_EQ(sample.at(HistoryMetric::cpuUser), 12);
    EXPECT_EQ(sample.at(HistoryMetric::memoryUsed), 0);
    EXPECT_EQ(sample.at(HistoryMetric::diskRead), 5);
    EXPECT_EQ(sample.at(HistoryMetric::download), 7);
    for (HistoryMetric absent : {HistoryMetric::gpu, HistoryMetric::fan, HistoryMetric::battery,
                                 HistoryMetric::power, HistoryMetric::temperature})
        EXPECT_EQ(sample.count(absent), 0u) << rawValue(absent).toStdString();

    hub.battery.present = true;
    hub.battery.percent = 55;
    hub.battery.amperage = -1.5;
    hub.sensors.fans = {Fan{0, 1200, 0, 5000}, Fan{1, 2400, 0, 5000}};
    sample = hub.historySample();
    EXPECT_EQ(sample.at(HistoryMetric::battery), 55);
    EXPECT_EQ(sample.at(HistoryMetric::power), 18);
    EXPECT_EQ(sample.at(HistoryMetric::fan), 2400);

    Sensor power;
    power.key = "PSTR";
    power.kind = SensorKind::power;
    power.value = 31;
    hub.sensors.sensors = {power};
    EXPECT_EQ(hub.historySample().at(HistoryMetric::power), 31);
}

TEST(Hub, MenuBarTemperatureFallsBack) {
    test::HubFixture f;
    Hub& hub = *f.hub;
    hub.sensors.sensors.clear();
    hub.battery.temperature = 31;
    f.settings.update([](Config& c) { c.menubarSensorKey = "Tnone"; });
    EXPECT_EQ(hub.menubarTemperature(), 31); // no such sensor, no CPU temperature: the battery
    Sensor cpu;
    cpu.key = "TC0P";
    cpu.group = SensorGroup::cpu;
    cpu.value = 60;
    Sensor chosen;
    chosen.key = "Ts0S";
    chosen.group = SensorGroup::system;
    chosen.value = 42;
    hub.sensors.sensors = {chosen, cpu};
    EXPECT_EQ(hub.menubarTemperature(), 60);
    f.settings.update([](Config& c) { c.menubarSensorKey = "Ts0S"; });
    EXPECT_EQ(hub.menubarTemperature(), 42);
    hub.battery.temperature.reset();
    hub.sensors.sensors.clear();
    EXPECT_EQ(hub.menubarTemperature(), std::nullopt);
}

TEST(Hub, RescheduleKeepsOneTimerAtTheUsableInterval) {
    test::HubFixture f;
    onlyModules(f.settings, {ModuleKind::time});
    f.settings.update([](Config& c) { c.updateInterval = 0; });
    f.hub->reschedule();
    f.hub->reschedule();
    // No busy timer for an interval of 0: the tick comes at the default period at most once
    // within a short wait.
    int ticks = 0;
    f.hub->onTick = [&ticks] { ++ticks; };
    QElapsedTimer waited;
    waited.start();
    while (waited.elapsed() < 300)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    EXPECT_EQ(ticks, 0);
}

} // namespace
