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
#include "monitors/SensorMonitor.h"
#include "monitors/SpeedTest.h"
#include "platform/Clock.h"
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

// The public services the hub's monitors reach; tests point them at local fakes.
struct HubServices {
    WeatherEndpoints weather = WeatherEndpoints::standard();
    QUrl publicAddress = QUrl(NetworkMonitor::publicAddressService);
    // The connected-device library; none means no device support.
    std::function<std::optional<platform::MobileDeviceAPI>()> deviceLibrary = [] {
        return platform::MobileDeviceAPI::load();
    };
};

// Owns every monitor, the history store and the two engines, and drives them all from one
// repeating tick on the main thread. Every view, the agent server and the report read live
// values through it.
class Hub : public QObject {
    Q_OBJECT
public:
    using Services = HubServices;

    explicit Hub(AppSettings& settings, platform::Clock clock = platform::Clock::system(),
                 Services services = {});
    ~Hub() override;

    // For the tray application: history opened for writing, each tick recorded.
    void start();
    // For the agent server: history opened read-only, nothing recorded, no rules.
    void startHeadless();
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

    AppSettings& settings;
    const platform::Clock clock;
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
    std::function<void()> onTick;

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
