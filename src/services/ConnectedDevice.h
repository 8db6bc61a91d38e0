#pragma once

#include "services/DeviceBattery.h"

#include <QString>
#include <cstdint>
#include <optional>

namespace morvanex {

// One attached iPhone, iPad or iPod touch with what could be read from it. Identified by `id`;
// equality compares every field.
struct ConnectedDevice {
    enum class Connection { usb, wifi };

    QString id; // the device's unique identifier
    Connection connection = Connection::usb;
    bool trusted = false; // paired with this computer, pairing valid, session started
    std::optional<QString> name;
    std::optional<QString> productType; // model code, such as "iPhone15,2"
    std::optional<QString> deviceClass; // such as "iPhone", "iPad" or "iPod"
    std::optional<QString> osVersion;
    std::optional<std::int64_t> batteryLevel; // percent
    std::optional<bool> isCharging;
    std::optional<bool> fullyCharged;
    std::optional<std::int64_t> storageTotal; // bytes
    std::optional<std::int64_t> storageFree;  // bytes
    std::optional<std::int64_t> dataCapacity; // bytes
    std::optional<QString> modelNumber;       // with its region suffix
    std::optional<QString> buildVersion;
    std::optional<QString> serialNumber;
    std::optional<DeviceBattery> battery;

    // Nothing without a product type; else its marketing name, or the product type itself
    // when the name is not known.
    std::optional<QString> modelName() const;
    // Never empty: the name, else the model name, else the class, else "iPhone".
    QString displayName() const;
    // The symbol name of the device's kind: "ipad", "ipodtouch" or "iphone".
    QString symbol() const;

    friend bool operator==(const ConnectedDevice&, const ConnectedDevice&) = default;
};

} // namespace morvanex
