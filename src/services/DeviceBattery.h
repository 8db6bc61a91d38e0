#pragma once

#include <QVariantMap>
#include <cstdint>
#include <optional>

namespace morvanex {

// Battery details of an attached iPhone or iPad, from the power-source entry of its I/O
// registry (asked through the device's diagnostics relay).
struct DeviceBattery {
    std::optional<std::int64_t> cycleCount;     // charge cycles
    std::optional<std::int64_t> designCapacity; // mAh
    std::optional<std::int64_t> maxCapacity;    // mAh, full-charge capacity now
    std::optional<std::int64_t> currentCharge;  // mAh
    std::optional<std::int64_t> reportedHealth; // percent of design capacity, as reported
    std::optional<double> temperature;          // degrees Celsius
    std::optional<double> voltage;              // volts
    std::optional<double> amperage;             // amperes, negative while discharging
    std::optional<std::int64_t> adapterWatts;   // watts of the attached power adapter

    // The details a registry dictionary gives, or nothing when it names no cycle count, design
    // capacity or maximum capacity (whatever else it holds).
    static std::optional<DeviceBattery> fromRegistry(const QVariantMap& registry);

    friend bool operator==(const DeviceBattery&, const DeviceBattery&) = default;
};

} // namespace morvanex
