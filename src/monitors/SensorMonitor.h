#pragma once

#include "base/EnumText.h"
#include "monitors/History.h"

#include <QString>
#include <map>
#include <memory>
#include <optional>
#include <thread>
#include <utility>
#include <vector>

class QTimer;

namespace morvanex {

class SMC;

enum class SensorKind { temperature, voltage, current, power };

// Where a sensor is listed; the raw value is the display word ("CPU", "GPU", …).
enum class SensorGroup { cpu, gpu, memory, storage, battery, power, system, other };

template <> struct EnumCases<SensorKind> {
    static constexpr std::array cases{
        std::pair{SensorKind::temperature, std::string_view("temperature")},
        std::pair{SensorKind::voltage, std::string_view("voltage")},
        std::pair{SensorKind::current, std::string_view("current")},
        std::pair{SensorKind::power, std::string_view("power")}};
};

template <> struct EnumCases<SensorGroup> {
    static constexpr std::array cases{std::pair{SensorGroup::cpu, std::string_view("CPU")},
                                      std::pair{SensorGroup::gpu, std::string_view("GPU")},
                                      std::pair{SensorGroup::memory, std::string_view("Memory")},
                                      std::pair{SensorGroup::storage, std::string_view("Storage")},
                                      std::pair{SensorGroup::battery, std::string_view("Battery")},
                                      std::pair{SensorGroup::power, std::string_view("Power")},
                                      std::pair{SensorGroup::system, std::string_view("System")},
                                      std::pair{SensorGroup::other, std::string_view("Other")}};
};

// One discovered reading. Values are in the controller's units: degrees Celsius, watts, volts,
// amperes.
struct Sensor {
    QString key;  // the four-character controller key, e.g. "TC0P", "PSTR"
    QString name; // display name, numbered when repeated ("CPU Performance Core 2")
    SensorGroup group = SensorGroup::other;
    SensorKind kind = SensorKind::temperature;
    double value = 0; // latest accepted reading
    double peak = 0;  // highest accepted reading since discovery

    const QString& id() const { return key; }
    bool operator==(const Sensor&) const = default;
};

struct Fan {
    int index = 0; // from 0
    double rpm = 0;
    double minimum = 0;
    double maximum = 0;

    int id() const { return index; }
    bool operator==(const Fan&) const = default;
};

// The controller's key space as a short, named list of sensors and a list of fans. Discovery
// walks every key once on a background thread; after that every sample() re-reads the kept keys
// and the fans. Fields and queries belong to the main thread.
class SensorMonitor {
public:
    struct Summary {
        double average = 0;
        double maximum = 0;
        bool operator==(const Summary&) const = default;
    };
    struct Discovery {
        std::vector<Sensor> sensors;
        int fanCount = 0;
    };

    // Reads `smc`, which must outlive the monitor; none reads SMC::shared(), which is then
    // opened by the discovery thread rather than by the constructor.
    explicit SensorMonitor(SMC* smc = nullptr);
    SensorMonitor(const SensorMonitor&) = delete;
    SensorMonitor& operator=(const SensorMonitor&) = delete;
    // Waits for a discovery still running; its result is then dropped.
    ~SensorMonitor();

    // Starts discovery on a background thread of low priority; on its end the result is stored
    // on the main thread (by a timer of the main thread's event loop that looks for it every
    // 20 ms while discovery runs), the monitor becomes ready and samples once. Only the first
    // call counts. The hand-off goes through a lock of its own rather than through Qt's event
    // queue, so ThreadSanitizer, which cannot see into Qt, sees it too.
    void start();
    // Re-reads every sensor and fan; nothing before discovery has finished.
    void sample();

    // The hottest CPU temperature, else the hottest temperature of any group.
    std::optional<double> cpuTemperature() const;
    // Average and maximum of a group's temperatures; nothing when it has none.
    std::optional<Summary> summary(SensorGroup group) const;
    // The group's temperature sensors, in list order.
    std::vector<Sensor> temperatures(SensorGroup group) const;
    std::optional<Sensor> sensor(const QString& key) const;

    // The whole key walk; runs on any thread, touching only the controller.
    static Discovery discover(SMC& smc);
    // Display name and group of a temperature key.
    static std::pair<QString, SensorGroup> describeTemperature(const QString& key);
    // "FNum" as a fan count: 0 for an absent, non-finite or negative value, at most 8.
    static int fanCountFrom(std::optional<double> value);
    // Stores a discovery's result, becomes ready and samples once (what start() ends with).
    void finishDiscovery(Discovery discovery);

    std::vector<Sensor> sensors; // sorted by key
    std::vector<Fan> fans;       // of the last sample, by index
    History fanHistory{120};     // the fastest fan's speed per sample
    bool isReady = false;
    int fanCount = 0;                     // at most 8
    std::map<QString, History> histories; // per sensor key, capacity 120

private:
    struct DiscoverySlot;

    SMC& smc() const;
    void collectDiscovery();

    SMC* smc_;
    std::thread discovery_;
    std::shared_ptr<DiscoverySlot> slot_;  // the worker's result, under the slot's own lock
    std::unique_ptr<QTimer> collectTimer_; // main thread: picks the result up once it is there
};

} // namespace morvanex
