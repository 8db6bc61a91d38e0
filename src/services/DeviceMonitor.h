#pragma once

#include "platform/Clock.h"
#include "platform/SerialQueue.h"
#include "platform/linux/MobileDeviceLibrary.h"
#include "platform/linux/MultiplexerSocket.h"
#include "services/ConnectedDevice.h"

#include <QDateTime>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <utility>
#include <vector>

namespace morvanex {

// The iPhones, iPads and iPod touch devices attached by USB or over Wi-Fi, with what could be
// read from each. Attach and detach notifications and every device read run on the serial
// queue "Morvanex.devices"; the list is published on the main thread. Without the device
// library the monitor never subscribes or reads, and the list stays empty.
class DeviceMonitor {
public:
    // Finds the device library's function table; none (or no function): no device support.
    using Loader = std::function<std::optional<platform::MobileDeviceAPI>()>;

    // Loads the system's device library when first needed.
    DeviceMonitor();
    // Uses the given function table (none: no device support).
    explicit DeviceMonitor(std::optional<platform::MobileDeviceAPI> api,
                           platform::Clock clock = platform::Clock::system());
    // Calls `load` once, when the library is first needed: by start(), refresh() or
    // hasLibrary(). The library and what it pulls in stay out of a process that never shows
    // devices. With a `multiplexerSocket` (see platform::MultiplexerSocket), start() waits for
    // the device daemon's socket before it loads the library and subscribes: until the daemon
    // runs, no device can be attached.
    explicit DeviceMonitor(Loader load, platform::Clock clock = platform::Clock::system(),
                           const QString& multiplexerSocket = {});
    DeviceMonitor(const DeviceMonitor&) = delete;
    DeviceMonitor& operator=(const DeviceMonitor&) = delete;
    ~DeviceMonitor();

    // Main thread. Subscribes to attach and detach notifications once (when the device daemon
    // is there: see the constructor); later calls, and calls without the library, do nothing.
    void start();
    // Main thread. Re-reads every attached device on the queue and publishes the list. Asked
    // while a refresh runs, the refresh runs again once that one has published, so a device
    // attached meanwhile is always listed.
    void refresh();
    // Any thread: a notification about one attachment (message 1 arrived, 2 removed).
    void handle(const platform::MobileDeviceHandle& device, unsigned message);

    // The read of one device, on the queue.
    static std::optional<ConnectedDevice> read(const platform::MobileDeviceHandle& device,
                                               ConnectedDevice::Connection connection,
                                               const platform::MobileDeviceAPI& api);

    // USB before Wi-Fi; within one connection by display name, ordinal over NFC text.
    static void sortDevices(std::vector<ConnectedDevice>& devices);

    // Main thread: the published list, in display order.
    const std::vector<ConnectedDevice>& devices() const { return devices_; }
    // Start of the last refresh that ran; long past before the first.
    const QDateTime& lastRefresh() const { return lastRefresh_; }
    bool refreshing() const { return refreshing_; }
    // Any thread. Loads the library when that has not happened yet.
    bool hasLibrary() const { return api().has_value(); }
    // Main thread: puts `devices` in place of the published list as given, without calling
    // onUpdate (the dump's sample devices). The next refresh replaces them with what is attached.
    void setDevices(std::vector<ConnectedDevice> devices) { devices_ = std::move(devices); }

    // Main thread: called after the list changed.
    std::function<void()> onUpdate;

private:
    void readAll();
    void publish(std::vector<ConnectedDevice> devices);

    // The function table, loaded on the first call; safe from any thread.
    const std::optional<platform::MobileDeviceAPI>& api() const;

    Loader load_;
    mutable std::once_flag loadOnce_;
    mutable std::optional<platform::MobileDeviceAPI> api_;
    const platform::Clock clock_;
    std::vector<ConnectedDevice> devices_;
    QDateTime lastRefresh_;
    bool refreshing_ = false;
    bool refreshAgain_ = false;
    // Posted work runs only while this is alive (checked on the main thread).
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
    // The queue's own: the attached devices and how each is attached.
    std::map<platform::MobileDeviceHandle, ConnectedDevice::Connection> handles_;
    // Watched for the device daemon until start() can subscribe.
    platform::MultiplexerSocket multiplexer_;
    bool waitingForMultiplexer_ = false;
    // Declared after what its work uses, so it finishes that work before they go.
    platform::SerialQueue queue_;
    // Declared last: unsubscribing first stops notifications before anything else goes.
    platform::MobileDeviceAPI::Subscription subscription_;
};

} // namespace morvanex
