#include "app/Hub.h"

#include "app/InsightEngine.h"
#include "app/RuleEngine.h"
#include "services/MobileDeviceFake.h"
#include "support/FixtureTree.h"
#include "support/HubFixture.h"
#include "support/TestEnv.h"
#include "support/Wait.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <gtest/gtest.h>
#include <limits>
#include <memory>

using namespace morvanex;

namespace {

void onlyModules(AppSettings& settings, std::vector<ModuleKind> enabled) {
    settings.update([&](Config& c) {
        for (ModuleConfig& module : c.modules)
            module.enabled =
                std::find(enabled.begin(), enabled.end(), module.kind) != enabled.end();
    });
}

// Collects the messages logged on this thread while alive.
class LogCapture {
public:
    LogCapture() : previous_(qInstallMessageHandler(&record)) { lines().clear(); }
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;
    ~LogCapture() { qInstallMessageHandler(previous_); }

    static QStringList& lines() {
        static QStringList instance;
        return instance;
    }

private:
    static void record(QtMsgType, const QMessageLogContext& context, const QString& text) {
        lines().append(QString::fromLatin1(context.category) + QLatin1String(": ") + text);
    }
    QtMessageHandler previous_;
};

TEST(Hub, TickReadsTheMachineItIsGiven) {
    test::HubFixture f;
    onlyModules(f.settings, {ModuleKind::time});
    Hub& hub = *f.hub;
    hub.sensors.start(); // discovery reads the fixture's hardware monitors
    ASSERT_TRUE(test::waitUntil([&] { return hub.sensors.isReady; }));
    hub.tick();

    // Two seconds later each processor was busy 30 ticks for the user and 10 for the system
    // out of 100, the disk read 1000 sectors and wrote 4000, eth0 received 400 kB and sent 100 kB.
    test::writeFile(f.machine, "proc/stat",
                    "cpu  3060 0 1520 15620 0 0 0 0 0 0\n"
                    "cpu0 1030 0 510 8560 0 0 0 0 0 0\n"
                    "cpu1 2030 0 1010 7060 0 0 0 0 0 0\n"
                    "btime 1799990000\n");
    test::writeFile(f.machine, "proc/diskstats",
                    " 259 0 nvme0n1 1100 0 3000 0 600 0 8000 0 0 0 0 0 0 0 0 0 0\n");
    test::writeFile(f.machine, "proc/net/dev",
                    "Inter-| Receive | Transmit\n"
                    " face |bytes packets errs drop fifo frame compressed multicast|bytes packets "
                    "errs drop fifo colls carrier compressed\n"
                    "  eth0: 1400000 1000 0 0 0 0 0 0 300000 500 0 0 0 0 0 0\n");
    f.advance(2);
    hub.tick();

    EXPECT_EQ(hub.cpu.brand, "Fixture Processor 2000");
    EXPECT_EQ(hub.cpu.logicalCount, 2);
    EXPECT_DOUBLE_EQ(hub.cpu.user, 30);
    EXPECT_DOUBLE_EQ(hub.cpu.system, 10);
    EXPECT_EQ(hub.cpu.loadAverage, (std::array<double, 3>{0.5, 0.4, 0.3}));
    EXPECT_EQ(hub.memory.total, 8'000'000.0 * 1024);
    ASSERT_EQ(hub.disks.volumes.size(), 1u);
    EXPECT_EQ(hub.disks.volumes[0].name, "Fixture");
    EXPECT_TRUE(hub.disks.volumes[0].isRoot);
    EXPECT_EQ(hub.disks.volumes[0].total, 500e9);
    EXPECT_EQ(hub.disks.volumes[0].available, 200e9);
    EXPECT_DOUBLE_EQ(hub.disks.readRate, 1000.0 * 512 / 2);
    EXPECT_DOUBLE_EQ(hub.disks.writeRate, 4000.0 * 512 / 2);
    EXPECT_DOUBLE_EQ(hub.network.download, 400'000.0 / 2);
    EXPECT_DOUBLE_EQ(hub.network.upload, 100'000.0 / 2);
    EXPECT_EQ(hub.network.primaryInterface, "eth0");
    EXPECT_EQ(hub.network.router, "192.0.2.1");
    EXPECT_EQ(hub.network.dns, QStringList{"192.0.2.53"});
    ASSERT_EQ(hub.gpu.gpus.size(), 1u);
    EXPECT_EQ(hub.gpu.gpus[0].name, "Fixture Graphics");
    EXPECT_TRUE(hub.battery.present);
    EXPECT_EQ(hub.battery.percent, 75);
    EXPECT_EQ(hub.sensors.cpuTemperature(), 52);
    ASSERT_EQ(hub.sensors.fans.size(), 1u);
    EXPECT_EQ(hub.sensors.fans[0].rpm, 1800);
    EXPECT_TRUE(std::any_of(hub.processes.processes.begin(), hub.processes.processes.end(),
                            [](const ProcessSample& p) { return p.name == "fixtured"; }));
    EXPECT_TRUE(hub.smc().isOpen());

    const HistoryStore::Values sample = hub.historySample();
    EXPECT_DOUBLE_EQ(sample.at(HistoryMetric::cpuUser), 30);
    EXPECT_DOUBLE_EQ(sample.at(HistoryMetric::cpuSystem), 10);
    EXPECT_EQ(sample.at(HistoryMetric::gpu), 25);
    EXPECT_DOUBLE_EQ(sample.at(HistoryMetric::diskRead), 256'000);
    EXPECT_DOUBLE_EQ(sample.at(HistoryMetric::download), 200'000);
    EXPECT_EQ(sample.at(HistoryMetric::temperature), 52);
    EXPECT_EQ(sample.at(HistoryMetric::fan), 1800);
    EXPECT_EQ(sample.at(HistoryMetric::battery), 75);
    EXPECT_DOUBLE_EQ(sample.at(HistoryMetric::power), 12 * 1.5); // no PSTR: volts x amperes
}

// The first tick has no interval behind it: its rates are no readings, and the sample it
// records leaves them out rather than storing zeros; the readings that need no interval are in.
TEST(Hub, RatesAreRecordedOnlyOnceMeasuredOverAnInterval) {
    test::HubFixture f;
    onlyModules(f.settings, {ModuleKind::time});
    Hub& hub = *f.hub;
    hub.tick();
    const HistoryStore::Values first = hub.historySample();
    for (HistoryMetric rate :
         {HistoryMetric::cpuUser, HistoryMetric::cpuSystem, HistoryMetric::diskRead,
          HistoryMetric::diskWrite, HistoryMetric::download, HistoryMetric::upload})
        EXPECT_EQ(first.count(rate), 0u) << rawValue(rate).toStdString();
    EXPECT_EQ(first.count(HistoryMetric::memoryUsed), 1u);
    EXPECT_EQ(first.count(HistoryMetric::memoryPressure), 1u);

    f.advance(2);
    hub.tick();
    const HistoryStore::Values second = hub.historySample();
    for (HistoryMetric rate :
         {HistoryMetric::cpuUser, HistoryMetric::cpuSystem, HistoryMetric::diskRead,
          HistoryMetric::diskWrite, HistoryMetric::download, HistoryMetric::upload})
        EXPECT_EQ(second.count(rate), 1u) << rawValue(rate).toStdString();
}

TEST(Hub, VolumeScansAreRateLimited) {
    test::HubFixture f;
    onlyModules(f.settings, {ModuleKind::time});
    Hub& hub = *f.hub;
    hub.tick(); // the first tick always scans
    EXPECT_EQ(hub.counts.volumeScans, 1);
    ASSERT_EQ(hub.disks.volumes.size(), 1u) << "the fixture's root volume";
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
    test::HubFixture f([&library](Hub::Sources& sources) {
        sources.deviceLibrary = [&library] { return std::optional(library.api()); };
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
    QObject::connect(&hub, &Hub::ticked, [&ticks] { ++ticks; });
    int changes = 0;
    QObject::connect(&hub, &Hub::changed, [&changes] { ++changes; });
    hub.start(Hub::Mode::headless);
    hub.tick();
    EXPECT_TRUE(hub.isHeadless);
    EXPECT_FALSE(hub.isRecording);
    EXPECT_EQ(hub.counts.ruleEvaluations, 0);
    EXPECT_EQ(hub.counts.insightEvaluations, 2);
    EXPECT_EQ(hub.counts.recordings, 0);
    EXPECT_EQ(ticks, 2);
    EXPECT_EQ(changes, 2);
}

// What no answer of the agent server reads is not fetched or loaded for it: the weather, the
// public address until asked for, and the device library while no device daemon runs.
TEST(Hub, HeadlessLoadsAndFetchesOnlyWhatIsAskedFor) {
    test::FakeMobileDeviceLibrary library;
    int loads = 0;
    const QString socket = test::scratchDir() + "/usbmuxd";
    test::HubFixture f([&](Hub::Sources& sources) {
        sources.deviceLibrary = [&] {
            ++loads;
            return std::optional(library.api());
        };
        sources.deviceMultiplexer = socket;
    });
    onlyModules(f.settings, {ModuleKind::weather});
    f.settings.update([](Config& c) { c.showDevices = true; });
    Hub& hub = *f.hub;
    EXPECT_EQ(loads, 0); // not by the constructor
    hub.start(Hub::Mode::headless);
    f.advance(2);
    hub.tick();
    QCoreApplication::processEvents();
    EXPECT_EQ(hub.counts.weatherRefreshes, 0);
    EXPECT_TRUE(hub.network.publicAddressOnDemand);
    EXPECT_EQ(hub.network.lastPublicIPFetch, -std::numeric_limits<double>::infinity());
    EXPECT_EQ(loads, 0);

    // The daemon starts (a device was plugged in): the library is loaded and subscribed to.
    test::writeFile(test::scratchDir(), "usbmuxd", "");
    ASSERT_TRUE(test::waitUntil([&] { return library.subscribed(); }));
    EXPECT_EQ(loads, 1);
    EXPECT_TRUE(hub.devices.hasLibrary());
    EXPECT_EQ(loads, 1);

    // The application fetches the weather and starts devices at once when the daemon runs.
    int appLoads = 0;
    test::HubFixture app([&](Hub::Sources& sources) {
        sources.deviceLibrary = [&] {
            ++appLoads;
            return std::optional<platform::MobileDeviceAPI>();
        };
    });
    onlyModules(app.settings, {ModuleKind::weather});
    app.hub->start();
    EXPECT_EQ(app.hub->counts.weatherRefreshes, 1);
    EXPECT_FALSE(app.hub->network.publicAddressOnDemand);
    EXPECT_EQ(appLoads, 1);
}

TEST(Hub, StartRecordsEachTick) {
    test::HubFixture f;
    onlyModules(f.settings, {ModuleKind::time});
    Hub& hub = *f.hub;
    hub.start();
    ASSERT_TRUE(hub.history);
    EXPECT_FALSE(hub.isHeadless);
    EXPECT_TRUE(hub.isRecording);
    EXPECT_EQ(hub.counts.recordings, 1);
    EXPECT_EQ(hub.counts.ruleEvaluations, 1);
    f.advance(2);
    hub.tick();
    EXPECT_EQ(hub.counts.recordings, 2);
    // The store is the one the hub was given; the user's database is never touched.
    hub.history->flush();
    EXPECT_TRUE(QFileInfo::exists(f.machine + "/history/history.sqlite"));
    EXPECT_FALSE(QFileInfo::exists(HistoryStore::defaultURL()));
}

TEST(Hub, StoreThatCannotOpenLeavesTicksRunningWithoutHistory) {
    struct Row {
        const char* name;
        Hub::Mode mode;
        const char* file; // below the fixture's /proc
    };
    const Row rows[] = {
        // Neither created nor opened below a file.
        {"application", Hub::Mode::application, "/stat/history.sqlite"},
        // A file that is no database is not opened for reading.
        {"headless", Hub::Mode::headless, "/meminfo"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const Hub::Mode mode = row.mode;
        test::HubFixture f(
            [&row](Hub::Sources& sources) { sources.historyURL = sources.roots.proc + row.file; });
        onlyModules(f.settings, {ModuleKind::time});
        const LogCapture log;
        f.hub->start(mode);
        f.advance(2);
        f.hub->tick();
        EXPECT_FALSE(f.hub->history);
        EXPECT_FALSE(f.hub->isRecording);
        EXPECT_EQ(f.hub->counts.insightEvaluations, 2);
        EXPECT_EQ(f.hub->counts.recordings, 0);
        EXPECT_EQ(LogCapture::lines().filter("morvanex.app: Running without history").size(), 1)
            << LogCapture::lines().join('\n').toStdString();
    }
}

TEST(Hub, TickSubscriptionsEndWithTheirContextOrConnection) {
    test::HubFixture f;
    onlyModules(f.settings, {ModuleKind::time});
    Hub& hub = *f.hub;
    std::vector<QString> calls;
    auto panel = std::make_unique<QObject>();
    auto window = std::make_unique<QObject>();
    QObject app;
    // The first subscriber closes the window during the second tick; the window's subscriber
    // comes later in the same emission and is no longer called.
    bool closeWindow = false;
    QObject::connect(&hub, &Hub::ticked, &app, [&] {
        calls.push_back("app");
        if (closeWindow)
            window.reset();
    });
    QObject::connect(&hub, &Hub::ticked, panel.get(), [&] { calls.push_back("panel"); });
    QObject::connect(&hub, &Hub::ticked, window.get(), [&] { calls.push_back("window"); });
    const QMetaObject::Connection status =
        QObject::connect(&hub, &Hub::ticked, &app, [&] { calls.push_back("status"); });

    hub.tick();
    EXPECT_EQ(calls, (std::vector<QString>{"app", "panel", "window", "status"}));
    calls.clear();
    panel.reset();
    closeWindow = true;
    hub.tick();
    EXPECT_EQ(calls, (std::vector<QString>{"app", "status"}));
    calls.clear();
    QObject::disconnect(status);
    hub.keepAwake.activate(false, std::nullopt); // an asynchronous update redraws too
    EXPECT_EQ(calls, (std::vector<QString>{"app"}));
    hub.keepAwake.stop(false);
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
    // Every monitor has measured its rates over an interval.
    hub.cpu.totalHistory.add(15);
    hub.disks.readHistory.add(5);
    hub.network.hasRates = true;
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
    QObject::connect(f.hub.get(), &Hub::ticked, [&ticks] { ++ticks; });
    QElapsedTimer waited;
    waited.start();
    while (waited.elapsed() < 300)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    EXPECT_EQ(ticks, 0);
}

} // namespace
