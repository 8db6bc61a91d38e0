#pragma once

#include "base/AppSettings.h"
#include "history/HistoryMetric.h"
#include "history/HistoryStore.h"
#include "monitors/BatteryMonitor.h"
#include "monitors/CPUMonitor.h"
#include "monitors/DiskMonitor.h"
#include "monitors/GPUMonitor.h"
#include "monitors/KeepAwake.h"
#include "monitors/MemoryMonitor.h"
#include "monitors/NetworkMonitor.h"
#include "monitors/ProcessMonitor.h"
#include "monitors/SMC.h"
#include "monitors/SensorMonitor.h"
#include "monitors/SpeedTest.h"
#include "platform/Clock.h"
#include "platform/Roots.h"
#include "platform/UserDefaults.h"
#include "platform/linux/DrmPciNames.h"
#include "platform/linux/ICalendarSources.h"
#include "platform/linux/LogindPowerAssertion.h"
#include "platform/linux/Statvfs.h"
#include "services/AstronomyMonitor.h"
#include "services/CalendarEvents.h"
#include "services/DeviceMonitor.h"
#include "services/WeatherService.h"

#include <QObject>
#include <QTimer>
#include <functional>
#include <map>
#include <memory>
#include <optional>

namespace morvanex {

class InsightEngine;
class RuleEngine;

// Where the hub's monitors read the machine and the world. system() is the real machine; tests
// and the report's sample data hand in fixtures instead (a small tree of the machine's root
// folders, fakes, local addresses, a history file of their own), so they never read this
// machine or touch the user's files.
struct HubSources {
    // The root folders read by the processor, memory, process, GPU, disk and battery
    // monitors. The network monitor reads through `network`, built from the same roots by
    // system(): give both when pointing the hub at a fixture tree.
    platform::Roots roots = platform::Roots::system();
    // A volume's space. The mount table names the volumes by their real folders, so a fixture
    // answers for those.
    platform::StatvfsFunction statvfs = platform::readStatvfs;
    // The PCI ID database files that name graphics devices.
    QStringList pciIds = platform::defaultPciIdsFiles();
    // The controller the sensors read; none: the machine's own (SMC::shared()), then opened by
    // the sensor discovery rather than by the hub's constructor.
    std::shared_ptr<SMC> smc;
    // Peripheral batteries; none: UPower on the system bus.
    BatteryMonitor::PeripheralReader peripherals;
    // Counters, addresses, routes, DNS, Wi-Fi, the ping tool and the public-address service.
    NetworkMonitor::Sources network = NetworkMonitor::Sources::system();
    WeatherEndpoints weather = WeatherEndpoints::standard();
    // The connected-device library, called when devices are first needed; none (or no
    // function) means no device support.
    std::function<std::optional<platform::MobileDeviceAPI>()> deviceLibrary = [] {
        return platform::MobileDeviceAPI::load();
    };
    // The device daemon's socket, waited for before the library is loaded; empty: none to
    // wait for (fakes).
    QString deviceMultiplexer = platform::MultiplexerSocket::systemPath();
    // Keep-awake's power assertions.
    platform::PowerAssertions power = platform::PowerAssertions::system();
    // Where saved speed-test results live, and the speed-test tool.
    platform::UserDefaults speedTestResults = platform::UserDefaults::standard();
    QString speedTestTool = SpeedTest::defaultTool;
    // The folders of the user's calendars.
    platform::ICalendarRoots calendars = platform::ICalendarRoots::user();
    // The program that reads them.
    CalendarReader calendarReader = CalendarReader::besideExecutable();
    // The history database file.
    QString historyURL = HistoryStore::defaultURL();

    static HubSources system() { return {}; }
};

// Owns every monitor, the history store and the two engines, and drives them all from one
// repeating tick on the main thread. Every view, the agent server and the report read live
// values through it.
class Hub : public QObject {
    Q_OBJECT
public:
    using Sources = HubSources;
    using Services = HubSources;

    // Who the hub samples for, which decides how it starts.
    enum class Mode {
        // The tray application: history opened for writing, each tick recorded, rules evaluated.
        application,
        // The agent server: history opened read-only, nothing recorded, no rules, no weather
        // (no answer reads it), the public address asked for only once a question needs it.
        headless,
    };

    // Creates the monitors over `sources`; samples nothing and starts no timer.
    explicit Hub(AppSettings& settings, platform::Clock clock = platform::Clock::system(),
                 Sources sources = Sources::system());
    ~Hub() override;

    // Starts sensor discovery, opens the history, starts the device monitor when devices are
    // shown, ticks once and starts the timer. Once per hub.
    void start(Mode mode = Mode::application);
    // (Re)creates the tick timer from the configured interval.
    void reschedule();
    // One sampling pass.
    void tick();

    // The temperature the menu bar shows and the history records, in degrees Celsius.
    std::optional<double> menubarTemperature() const;
    // What one tick records: every metric with a source this tick.
    HistoryStore::Values historySample() const;

    RuleEngine& rules();
    InsightEngine& insights();
    // The controller the sensors read.
    SMC& smc() const;

    AppSettings& settings;
    const platform::Clock clock;
    // Declared before the monitors, which may hold parts of it (the controller) until they end.
    const Sources sources;
    CPUMonitor cpu;
    MemoryMonitor memory;
    ProcessMonitor processes;
    GPUMonitor gpu;
    DiskMonitor disks;
    NetworkMonitor network;
    SensorMonitor sensors;
    BatteryMonitor battery;
    WeatherService weather;
    AstronomyMonitor astronomy;
    DeviceMonitor devices;
    KeepAwake keepAwake;
    SpeedTest speedTest;
    CalendarEvents calendar;
    std::unique_ptr<HistoryStore> history;
    bool isRecording = false;
    bool isHeadless = false;

    // Observation points for tests and the report: how often the gated steps ran.
    struct Counts {
        int volumeScans = 0;
        int deviceRefreshes = 0;
        int weatherRefreshes = 0;
        int ruleEvaluations = 0;
        int insightEvaluations = 0;
        int recordings = 0;
    };
    Counts counts;

signals:
    // Fired once per tick and whenever an asynchronous source has new data.
    void changed();
    // Fired after `changed` at the end of every tick and after the asynchronous updates that
    // the menu bar shows (weather, keep awake, devices): the status items redraw on it.
    // Connect with a context object, so a window that closes stops listening.
    void ticked();

private:
    void openHistory(bool readOnly);
    void recordHistory();
    void publishAndRedraw();

    std::unique_ptr<RuleEngine> rules_;
    std::unique_ptr<InsightEngine> insights_;
    QTimer timer_;
};

// Whether any enabled module shows weather or sun and moon (the only reason to fetch them).
bool needsWeather(const Config& config);

} // namespace morvanex
