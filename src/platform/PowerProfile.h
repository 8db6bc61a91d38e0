#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QString>
#include <functional>
#include <memory>
#include <optional>

namespace morvanex::platform {

// The active power profile's name as power-profiles-daemon reports it ("power-saver",
// "balanced", "performance"); nothing when no daemon answers.
using PowerProfileDone = std::function<void(std::optional<QString>)>;
// Asks for the active profile; the answer arrives through the callback, later, from the
// calling thread's event loop. Never blocks.
using PowerProfileReader = std::function<void(PowerProfileDone)>;

// Whether a profile answer means the machine saves power ("power-saver"); no answer: no.
bool isPowerSaver(const std::optional<QString>& profile);

// A client of power-profiles-daemon's "ActiveProfile" property: the current service name
// (org.freedesktop.UPower.PowerProfiles) first, then the older one (net.hadess.PowerProfiles).
// Calls are asynchronous with a timeout; requests still open when the client is destroyed
// never call back. A missing daemon is logged once while it stays missing.
class PowerProfileClient {
public:
    // The system bus, connected on the first request.
    explicit PowerProfileClient(int timeoutMs = 2000);
    PowerProfileClient(QDBusConnection bus, int timeoutMs = 2000);
    PowerProfileClient(const PowerProfileClient&) = delete;
    PowerProfileClient& operator=(const PowerProfileClient&) = delete;
    ~PowerProfileClient();

    void request(PowerProfileDone done);

    // A reader over one client kept alive by the reader itself (the system bus by default).
    static PowerProfileReader systemReader();

private:
    void ask(std::size_t service, PowerProfileDone done);

    std::optional<QDBusConnection> bus_;
    int timeoutMs_;
    std::unique_ptr<QObject> context_; // parent of the calls in flight
    bool failing_ = false;
};

} // namespace morvanex::platform
