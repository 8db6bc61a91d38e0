#pragma once

#include "services/ConnectedDevice.h"
#include "ui/kit/Palette.h"

#include <QString>
#include <cstdint>
#include <optional>

// What the device panel says about one connected phone or tablet, as plain values.
namespace morvanex::ui::device {

// The symbol of the device's kind ("iphone", "ipad", "ipodtouch").
QString deviceSymbol(const ConnectedDevice& device);

// The header's second line: the model name, else the class, else "Device"; then " · Charged"
// or " · Charging" when that is known (a full battery wins over a charging one).
QString subtitle(const ConnectedDevice& device);

// The battery card's state without battery details: "Charged", "Charging" or "On battery".
QString batteryState(const ConnectedDevice& device);

// "Unlock <name> and tap Trust when asked …": why an untrusted device shows so little.
QString trustHint(const ConnectedDevice& device);

// The battery's health in percent: the reported one, else the full-charge capacity over the
// design capacity (at most 100); nothing when neither is known or the design capacity is
// below 1.
std::optional<double> health(const DeviceBattery& battery);

struct HealthBadge {
    Tint color = Tint::green;
    QString text;
    bool operator==(const HealthBadge&) const = default;
};
// Green "Normal" from 80 on, orange "Service Recommended" below.
HealthBadge healthBadge(double health);
// The health bar's colour: orange below 80, green from 80 on.
Tint healthBarColor(double health);

struct Storage {
    double used = 0;     // bytes of the data partition in use
    double fraction = 0; // used ÷ capacity, 0...1
    Tint barColor = Tint::blue;
    bool operator==(const Storage&) const = default;
};
// The data partition's use, when its capacity (at least 1) and free space are known. Free
// space beyond the capacity counts as nothing used; a negative one as all used.
std::optional<Storage> storage(const ConnectedDevice& device);

// A byte count in decimal units, as file sizes are shown: "128.0 GB".
QString byteCount(double bytes);

// "iOS 17.4 (21E219)", "iPadOS 17.4"; nothing without a system version.
std::optional<QString> softwareText(const ConnectedDevice& device);
// "Wi-Fi" or "USB".
QString connectionText(const ConnectedDevice& device);

// The grid's cells; nothing where the value is absent.
// "3,279 mAh": grouped in the user's locale.
std::optional<QString> milliampHours(std::optional<std::int64_t> value);
// "4.31 V", "-0.52 A", "20 W".
std::optional<QString> voltageText(std::optional<double> volts);
std::optional<QString> amperageText(std::optional<double> amperes);
std::optional<QString> adapterText(std::optional<std::int64_t> watts);

} // namespace morvanex::ui::device
