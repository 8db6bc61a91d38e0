#pragma once

#include <QDBusConnection>
#include <QDBusMessage>
#include <QObject>
#include <QString>
#include <QVariantMap>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace morvanex::platform {

// A peripheral's battery as UPower reports it (Bluetooth keyboards, mice, headsets; wireless
// receivers too).
struct UPowerPeripheral {
    QString name; // the device's Model
    int percent = 0;
    bool operator==(const UPowerPeripheral&) const = default;
};

using UPowerPeripheralsDone = std::function<void(std::vector<UPowerPeripheral>)>;

// One device's org.freedesktop.UPower.Device properties as a peripheral: not a power supply of
// the system, not line power, present, with a model name and a percentage from 0 to 100;
// nothing otherwise.
std::optional<UPowerPeripheral> upowerPeripheral(const QVariantMap& properties);

// Asks UPower for its devices without blocking the calling thread, which must run an event
// loop (the main thread). Each request's `done` runs later from that loop with the peripherals
// in UPower's order: no bus or no service gives an empty list, and a device whose properties do
// not arrive within the timeout is left out. Nothing is reported to the caller (a missing
// service is logged once while it lasts). Requests still open when the client is destroyed
// never call back.
class UPowerClient {
public:
    // The system bus, connected on the first request.
    explicit UPowerClient(int timeoutMs = 2000);
    UPowerClient(QDBusConnection bus, int timeoutMs = 2000);
    UPowerClient(const UPowerClient&) = delete;
    UPowerClient& operator=(const UPowerClient&) = delete;
    ~UPowerClient();

    void request(UPowerPeripheralsDone done);

private:
    void noteAnswer(const QDBusMessage& reply);

    std::optional<QDBusConnection> bus_;
    int timeoutMs_;
    std::unique_ptr<QObject> context_; // parent of the calls in flight
    bool failing_ = false;             // the last request failed, and that was logged
};

} // namespace morvanex::platform
