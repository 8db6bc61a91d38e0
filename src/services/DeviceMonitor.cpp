#include "services/DeviceMonitor.h"

#include "platform/MainQueue.h"
#include "services/MobileDevice.h"

#include <QByteArray>
#include <algorithm>
#include <utility>

namespace morvanex {

namespace {

QDateTime distantPast() {
    return QDateTime(QDate(1, 1, 1), QTime(0, 0), Qt::UTC);
}

// Code-point order of the canonically composed text: UTF-8 bytes compare in code-point order.
QByteArray sortKey(const QString& text) {
    return text.normalized(QString::NormalizationForm_C).toUtf8();
}

} // namespace

DeviceMonitor::DeviceMonitor()
    : DeviceMonitor(Loader([] { return platform::MobileDeviceAPI::load(); }),
                    platform::Clock::system(), platform::MultiplexerSocket::systemPath()) {}

DeviceMonitor::DeviceMonitor(std::optional<platform::MobileDeviceAPI> api, platform::Clock clock)
    : DeviceMonitor(Loader([api = std::move(api)] { return api; }), std::move(clock)) {}

DeviceMonitor::DeviceMonitor(Loader load, platform::Clock clock, const QString& multiplexerSocket)
    : load_(std::move(load)), clock_(std::move(clock)), lastRefresh_(distantPast()),
      multiplexer_(multiplexerSocket), queue_(QStringLiteral("Morvanex.devices")) {}

const std::optional<platform::MobileDeviceAPI>& DeviceMonitor::api() const {
    std::call_once(loadOnce_, [this] {
        if (load_)
            api_ = load_();
    });
    return api_;
}

DeviceMonitor::~DeviceMonitor() {
    // Stop notifications first; the queue then finishes its work before the members go.
    subscription_.reset();
}

void DeviceMonitor::start() {
    if (subscription_ || waitingForMultiplexer_)
        return;
    if (!multiplexer_.present()) {
        waitingForMultiplexer_ = true;
        multiplexer_.whenPresent([this] {
            waitingForMultiplexer_ = false;
            start();
        });
        return;
    }
    if (!api())
        return;
    subscription_ = api_->subscribe([this](const platform::MobileDeviceHandle& device,
                                           unsigned message) { handle(device, message); });
}

void DeviceMonitor::handle(const platform::MobileDeviceHandle& device, unsigned message) {
    if (!api())
        return;
    const std::weak_ptr<bool> alive = alive_;
    const auto refreshOnMain = [this, alive] {
        platform::postToMain([this, alive] {
            if (alive.lock())
                refresh();
        });
    };
    if (message == platform::MobileDeviceAPI::deviceArrived) {
        queue_.async([this, device, refreshOnMain] {
            handles_[device] =
                api_->interfaceType(device) == platform::MobileDeviceAPI::networkInterface
                    ? ConnectedDevice::Connection::wifi
                    : ConnectedDevice::Connection::usb;
            refreshOnMain();
        });
    } else if (message == platform::MobileDeviceAPI::deviceRemoved) {
        queue_.async([this, device, refreshOnMain] {
            if (handles_.erase(device) > 0)
                refreshOnMain();
        });
    }
}

void DeviceMonitor::refresh() {
    if (!api())
        return;
    if (refreshing_) {
        refreshAgain_ = true;
        return;
    }
    refreshing_ = true;
    lastRefresh_ = clock_.now();
    queue_.async([this] { readAll(); });
}

std::optional<ConnectedDevice> DeviceMonitor::read(const platform::MobileDeviceHandle& device,
                                                   ConnectedDevice::Connection connection,
                                                   const platform::MobileDeviceAPI& api) {
    return mobiledevice::readDevice(device, connection, api);
}

void DeviceMonitor::sortDevices(std::vector<ConnectedDevice>& devices) {
    std::vector<std::pair<QByteArray, ConnectedDevice>> keyed;
    keyed.reserve(devices.size());
    for (ConnectedDevice& device : devices)
        keyed.emplace_back(sortKey(device.displayName()), std::move(device));
    std::stable_sort(keyed.begin(), keyed.end(), [](const auto& a, const auto& b) {
        if (a.second.connection != b.second.connection)
            return a.second.connection == ConnectedDevice::Connection::usb;
        return a.first < b.first;
    });
    devices.clear();
    for (auto& entry : keyed)
        devices.push_back(std::move(entry.second));
}

// On the queue.
void DeviceMonitor::readAll() {
    std::map<QString, ConnectedDevice> byId;
    for (const auto& [device, connection] : handles_) {
        std::optional<ConnectedDevice> reading = read(device, connection, *api_);
        if (!reading)
            continue;
        const auto known = byId.find(reading->id);
        if (known != byId.end() && known->second.connection == ConnectedDevice::Connection::usb)
            continue; // a device attached both ways is listed by its USB reading
        byId.insert_or_assign(reading->id, std::move(*reading));
    }
    std::vector<ConnectedDevice> devices;
    devices.reserve(byId.size());
    for (auto& entry : byId)
        devices.push_back(std::move(entry.second));
    sortDevices(devices);

    const std::weak_ptr<bool> alive = alive_;
    platform::postToMain([this, alive, devices = std::move(devices)]() mutable {
        if (alive.lock())
            publish(std::move(devices));
    });
}

void DeviceMonitor::publish(std::vector<ConnectedDevice> devices) {
    refreshing_ = false;
    if (devices != devices_) {
        devices_ = std::move(devices);
        if (onUpdate) {
            const std::weak_ptr<bool> alive = alive_;
            onUpdate();
            if (!alive.lock())
                return; // the callback let the monitor go
        }
    }
    if (std::exchange(refreshAgain_, false))
        refresh();
}

} // namespace morvanex
