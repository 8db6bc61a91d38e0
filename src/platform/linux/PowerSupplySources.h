#pragma once

#include "platform/linux/PowerSupply.h"

#include <QString>
#include <cstdint>
#include <optional>
#include <vector>

namespace morvanex::platform {

// The internal battery as a power source: the fields of the power-management service's
// description that the battery monitor reads. Several batteries (a laptop with two packs) are
// summed into one.
struct PowerSourceDescription {
    QString type = QStringLiteral("InternalBattery");
    // "Current Capacity" over "Max Capacity" is the charge: mWh (or mAh) summed over the
    // batteries, or the percentage over 100 for drivers that publish only that.
    std::optional<std::int64_t> currentCapacity;
    std::optional<std::int64_t> maxCapacity;
    std::optional<bool> isCharging;               // a battery is charging
    std::optional<bool> isCharged;                // every battery is full
    QString powerSourceState;                     // "AC Power" or "Battery Power"
    std::optional<std::int64_t> timeToEmpty;      // minutes
    std::optional<std::int64_t> timeToFullCharge; // minutes
    std::optional<QString> batteryHealth;         // the driver's health text
};

// The connected adapter, as the smart battery's "AdapterDetails".
struct AdapterDetails {
    std::optional<std::int64_t> watts;
    std::optional<QString> name;
    std::optional<QString> description;
};

// The smart battery's properties in the controller's units: mAh, hundredths of a degree
// Celsius, millivolts, milliamperes (negative while discharging).
struct SmartBatteryProperties {
    std::optional<std::int64_t> cycleCount;         // the most among the batteries
    std::optional<std::int64_t> designCapacity;     // summed
    std::optional<std::int64_t> rawMaxCapacity;     // summed
    std::optional<std::int64_t> rawCurrentCapacity; // summed
    std::optional<std::int64_t> temperature;        // the warmest battery
    std::optional<std::int64_t> voltage;            // the mean
    std::optional<std::int64_t> instantAmperage;    // total power over the mean voltage
    std::optional<std::vector<double>> cellVoltage; // not published on Linux
    std::optional<AdapterDetails> adapterDetails;   // an online adapter
};

struct PowerSourceSnapshot {
    std::optional<PowerSourceDescription> battery; // none without a system battery
    bool onAC = false;
    SmartBatteryProperties smartBattery;
};

// Energy drivers become mAh through the battery's minimum design voltage (else its present
// voltage); charge drivers become mWh the same way, so mixed batteries still add up.
PowerSourceSnapshot describePowerSupplies(const PowerSupplies& supplies);

} // namespace morvanex::platform
