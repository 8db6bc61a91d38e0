#pragma once

#include "monitors/History.h"
#include "platform/Roots.h"

#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace morvanex {

namespace platform {
struct UPowerPeripheral;
using UPowerPeripheralsDone = std::function<void(std::vector<UPowerPeripheral>)>;
} // namespace platform

// One peripheral's battery (keyboard, mouse, headphones).
struct BluetoothBattery {
    QString name;    // the product name
    int percent = 0; // as the device reports it

    const QString& id() const { return name; }
    bool operator==(const BluetoothBattery&) const = default;
};

// The internal battery and power adapter from /sys/class/power_supply (several batteries
// summed into one), the firmware's low-power profile, and peripheral batteries from UPower.
// Main thread only.
class BatteryMonitor {
public:
    // Asks for the peripheral batteries; the answer comes through the callback, at once or
    // later from the main thread's event loop.
    using PeripheralReader = std::function<void(platform::UPowerPeripheralsDone)>;

    // `peripherals`: by default UPower on the system bus, asked without blocking (the list is
    // replaced when its answer arrives, normally within the same turn of the event loop).
    explicit BatteryMonitor(platform::Roots roots = platform::Roots::system(),
                            PeripheralReader peripherals = {});

    void sample();

    // "No battery", "Charged", "Charging", "Not charging" or "On battery".
    QString stateDescription() const;

    bool present = false;
    double percent = 0;
    bool isCharging = false;
    bool isCharged = false;
    bool onAC = false;
    std::optional<std::int64_t> minutesRemaining;
    std::optional<std::int64_t> cycleCount;
    std::optional<std::int64_t> designCapacity;  // mAh
    std::optional<std::int64_t> maxCapacity;     // mAh
    std::optional<std::int64_t> currentCapacity; // mAh
    std::optional<double> temperature;           // °C
    std::optional<double> voltage;               // V
    std::optional<double> amperage;              // A, negative while discharging
    std::optional<std::int64_t> adapterWatts;
    std::optional<QString> adapterName;
    std::vector<double> cellVoltages; // V
    std::optional<QString> condition;
    bool lowPowerMode = false;
    History history{600};                    // percent, every fifth sample
    std::vector<BluetoothBattery> bluetooth; // sorted by name
    std::int64_t tick = 0;

private:
    void replaceBluetooth(const std::vector<platform::UPowerPeripheral>& peripherals);

    platform::Roots roots_;
    PeripheralReader peripherals_;
    std::shared_ptr<int> alive_ = std::make_shared<int>(0); // watched by late answers
};

} // namespace morvanex
