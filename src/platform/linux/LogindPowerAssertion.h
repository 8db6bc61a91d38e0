#pragma once

#include <QDBusConnection>
#include <QString>
#include <chrono>
#include <functional>
#include <memory>

namespace morvanex::platform {

// Something held (a power assertion, a signal subscription) until the last copy of the token
// is dropped. Empty when nothing could be taken.
using HeldToken = std::shared_ptr<void>;

// Power assertions that keep the machine awake, and the wake-up notice that goes with them.
// A table of functions, so tests can count assertions without a login manager.
struct PowerAssertions {
    // Takes an assertion named `name` that keeps the system from sleeping when idle, and with
    // keepDisplayOn the display from blanking as well. Empty when it cannot be taken.
    std::function<HeldToken(bool keepDisplayOn, const QString& name)> create;
    // Calls onResume on this thread each time the machine wakes from sleep, for as long as the
    // token lives. Empty when wake-ups cannot be watched.
    std::function<HeldToken(std::function<void()> onResume)> watchResume;

    // logind on the system bus, the screen saver on the session bus.
    static PowerAssertions system();
    // logind reached through `systemBus`, the screen saver through `sessionBus`; every call
    // waits at most `bound` for an answer.
    static PowerAssertions over(QDBusConnection systemBus, QDBusConnection sessionBus,
                                std::chrono::milliseconds bound = std::chrono::milliseconds(1000));
};

} // namespace morvanex::platform
