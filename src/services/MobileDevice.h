#pragma once

#include "platform/linux/MobileDeviceLibrary.h"
#include "services/ConnectedDevice.h"

#include <QVariantMap>
#include <optional>

// The short sessions in which an attached device is read. Called on the device monitor's queue
// only, one device at a time; nothing here keeps state between calls.
namespace morvanex::mobiledevice {

// Reads one device: its identity without a session, then, when it trusts this computer, its
// name, battery, storage, model and battery details inside a session. Nothing when the device
// gives no identifier; an unreachable or untrusting device is listed untrusted.
std::optional<ConnectedDevice> readDevice(const platform::MobileDeviceHandle& device,
                                          ConnectedDevice::Connection connection,
                                          const platform::MobileDeviceAPI& api);

// The power-source entry of the device's I/O registry, asked through its diagnostics relay.
// Only inside a started session. Nothing when the library lacks the service functions or any
// step fails; once the service started, the connection is always closed with a goodbye.
std::optional<QVariantMap> batteryRegistry(const platform::MobileDeviceAPI& api,
                                           const platform::MobileDeviceHandle& device);

} // namespace morvanex::mobiledevice
