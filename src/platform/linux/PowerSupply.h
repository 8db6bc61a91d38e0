#pragma once

#include "platform/Roots.h"

#include <QString>
#include <optional>
#include <vector>

namespace morvanex::platform {

// One system battery of /sys/class/power_supply, in the kernel's units: µAh, µWh, µV, µA, µW,
// tenths of a degree Celsius, seconds. A driver reports charge_* or energy_* (or only a
// percentage); every figure it does not publish is absent.
struct PowerSupplyBattery {
    QString name;                   // "BAT0"
    QString status;                 // "Charging", "Discharging", "Full", "Not charging", "Unknown"
    std::optional<double> capacity; // percent
    std::optional<double> chargeNow, chargeFull, chargeFullDesign;
    std::optional<double> energyNow, energyFull, energyFullDesign;
    std::optional<double> voltageNow, voltageMinDesign;
    std::optional<double> currentNow; // sign differs between drivers
    std::optional<double> powerNow;
    std::optional<std::int64_t> cycleCount;
    std::optional<double> temperature;
    std::optional<std::int64_t> timeToEmpty, timeToFull;
    QString health; // "Good", "Overheat", …; empty when not published
};

// A supply that powers the machine from outside: type Mains, or USB (USB-C power delivery).
struct PowerSupplyAdapter {
    QString name;
    QString type;
    bool online = false;
    std::optional<double> voltageMax; // µV
    std::optional<double> currentMax; // µA
    QString manufacturer;
    QString modelName;
};

struct PowerSupplies {
    std::vector<PowerSupplyBattery> batteries; // by name
    std::vector<PowerSupplyAdapter> adapters;  // by name
};

// The system's supplies. Batteries of peripherals (scope "Device": wireless mice, pens) and
// empty battery bays (present 0) are left out.
PowerSupplies readPowerSupplies(const Roots& roots);

// The firmware's platform profile is "low-power" (power-profiles-daemon's power saver).
bool readLowPowerMode(const Roots& roots);

} // namespace morvanex::platform
