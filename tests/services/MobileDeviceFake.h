#pragma once

#include "platform/linux/MobileDeviceLibrary.h"

#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantMap>
#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <utility>
#include <vector>

namespace morvanex::test {

// One pretend device behind the fake library: what each call answers.
struct FakeDevice {
    std::optional<QString> identifier;
    int connectResult = 0;
    int pairedResult = 1;
    int validateResult = 0;
    int sessionResult = 0;
    // Values by "domain/key"; the global domain is "/key".
    QVariantMap values;
    // The diagnostics relay.
    int startServiceResult = 0;
    bool serviceGivesConnection = true;
    int sendResult = 0;
    int receiveResult = 0;
    QVariant reply;
};

// The mobile-device library's function table over pretend devices. Records every call in
// order ("connect A", "copyValue A com.apple.mobile.battery/BatteryIsCharging", ...), can
// deliver attach and detach notifications, and can hold one kind of call until released, so
// tests can act while a read is under way. Thread-safe; must outlive every table it made.
class FakeMobileDeviceLibrary {
public:
    using Handle = platform::MobileDeviceHandle;

    void setDevice(const Handle& handle, FakeDevice device) {
        const std::lock_guard lock(mutex_);
        devices_[handle] = std::move(device);
    }
    void setValue(const Handle& handle, const QString& path, const QVariant& value) {
        const std::lock_guard lock(mutex_);
        devices_[handle].values.insert(path, value);
    }

    // A table with every entry, or without the four service entries.
    platform::MobileDeviceAPI api(bool withService = true) {
        platform::MobileDeviceAPI api;
        api.subscribe = [this](platform::MobileDeviceAPI::Notification notify) {
            const std::lock_guard lock(mutex_);
            notify_ = std::make_shared<platform::MobileDeviceAPI::Notification>(std::move(notify));
            ++subscriptions_;
            return std::shared_ptr<void>(notify_.get(), [this](void*) {
                const std::lock_guard held(mutex_);
                notify_.reset();
            });
        };
        api.connect = [this](const Handle& h) {
            return call("connect", h, &FakeDevice::connectResult);
        };
        api.disconnect = [this](const Handle& h) { return call("disconnect", h, nullptr); };
        api.isPaired = [this](const Handle& h) {
            return call("isPaired", h, &FakeDevice::pairedResult);
        };
        api.validatePairing = [this](const Handle& h) {
            return call("validatePairing", h, &FakeDevice::validateResult);
        };
        api.startSession = [this](const Handle& h) {
            return call("startSession", h, &FakeDevice::sessionResult);
        };
        api.stopSession = [this](const Handle& h) { return call("stopSession", h, nullptr); };
        api.interfaceType = [](const Handle& h) { return h.network ? 2 : 1; };
        api.copyIdentifier = [this](const Handle& h) -> std::optional<QString> {
            record(QStringLiteral("copyIdentifier ") + h.udid);
            const std::lock_guard lock(mutex_);
            return devices_[h].identifier;
        };
        api.copyValue = [this](const Handle& h, const QString& domain, const QString& key) {
            const QString path = domain + QLatin1Char('/') + key;
            record(QStringLiteral("copyValue ") + h.udid + QLatin1Char(' ') + path);
            const std::lock_guard lock(mutex_);
            return devices_[h].values.value(path);
        };
        if (!withService)
            return api;
        api.startService = [this](const Handle& h, const QString& service,
                                  platform::MobileDeviceAPI::ServiceConnection& connection) {
            record(QStringLiteral("startService ") + h.udid + QLatin1Char(' ') + service);
            const std::lock_guard lock(mutex_);
            const FakeDevice& device = devices_[h];
            if (device.serviceGivesConnection)
                connection = std::make_shared<Handle>(h);
            return device.startServiceResult;
        };
        api.sendMessage = [this](const platform::MobileDeviceAPI::ServiceConnection& connection,
                                 const QVariant& message, int format) {
            const Handle h = *std::static_pointer_cast<Handle>(connection);
            record(QStringLiteral("sendMessage ") + h.udid + QLatin1Char(' ') +
                   message.toMap().value(QStringLiteral("Request")).toString() + QLatin1Char(' ') +
                   QString::number(format));
            const std::lock_guard lock(mutex_);
            sent_.push_back(message);
            const bool goodbye =
                message.toMap().value(QStringLiteral("Request")) == QStringLiteral("Goodbye");
            return goodbye ? 0 : devices_[h].sendResult;
        };
        api.receiveMessage = [this](const platform::MobileDeviceAPI::ServiceConnection& connection,
                                    QVariant& reply) {
            const Handle h = *std::static_pointer_cast<Handle>(connection);
            record(QStringLiteral("receiveMessage ") + h.udid);
            const std::lock_guard lock(mutex_);
            reply = devices_[h].reply;
            return devices_[h].receiveResult;
        };
        api.invalidate = [this](const platform::MobileDeviceAPI::ServiceConnection& connection) {
            record(QStringLiteral("invalidate ") +
                   std::static_pointer_cast<Handle>(connection)->udid);
        };
        return api;
    }

    // Delivers a notification as the library's event thread would; false without subscriber.
    bool notify(const Handle& handle, unsigned message) {
        std::shared_ptr<platform::MobileDeviceAPI::Notification> notify;
        {
            const std::lock_guard lock(mutex_);
            notify = notify_;
        }
        if (!notify)
            return false;
        (*notify)(handle, message);
        return true;
    }
    int subscriptions() const {
        const std::lock_guard lock(mutex_);
        return subscriptions_;
    }
    bool subscribed() const {
        const std::lock_guard lock(mutex_);
        return notify_ != nullptr;
    }

    QStringList calls() const {
        const std::lock_guard lock(mutex_);
        return calls_;
    }
    int count(const QString& callPrefix) const {
        const std::lock_guard lock(mutex_);
        int n = 0;
        for (const QString& call : calls_)
            n += call.startsWith(callPrefix) ? 1 : 0;
        return n;
    }
    std::vector<QVariant> sent() const {
        const std::lock_guard lock(mutex_);
        return sent_;
    }
    void clearCalls() {
        const std::lock_guard lock(mutex_);
        calls_.clear();
        sent_.clear();
    }

    // Makes calls whose record starts with `callPrefix` wait until release().
    void hold(const QString& callPrefix) {
        const std::lock_guard lock(mutex_);
        held_ = callPrefix;
        waiting_ = false;
    }
    // Waits (bounded) until a held call is waiting; false on time-out.
    bool waitUntilHeld() {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, std::chrono::seconds(30), [this] { return waiting_; });
    }
    void release() {
        {
            const std::lock_guard lock(mutex_);
            held_.reset();
        }
        changed_.notify_all();
    }

private:
    void record(const QString& call) {
        std::unique_lock lock(mutex_);
        calls_.append(call);
        if (held_ && call.startsWith(*held_)) {
            waiting_ = true;
            changed_.notify_all();
            changed_.wait(lock, [this] { return !held_; });
        }
    }
    int call(const char* name, const Handle& h, int FakeDevice::*result) {
        record(QString::fromLatin1(name) + QLatin1Char(' ') + h.udid);
        const std::lock_guard lock(mutex_);
        return result ? devices_[h].*result : 0;
    }

    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::map<Handle, FakeDevice> devices_;
    std::shared_ptr<platform::MobileDeviceAPI::Notification> notify_;
    int subscriptions_ = 0;
    QStringList calls_;
    std::vector<QVariant> sent_;
    std::optional<QString> held_;
    bool waiting_ = false;
};

} // namespace morvanex::test
