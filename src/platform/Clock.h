#pragma once

#include <QDateTime>
#include <chrono>
#include <functional>

namespace morvanex::platform {

// The wall clock and the monotonic clock as values, so tests can drive time by hand.
struct Clock {
    // Current wall-clock time.
    std::function<QDateTime()> now = [] { return QDateTime::currentDateTimeUtc(); };
    // Seconds on a clock that never jumps (for rates and hold times).
    std::function<double()> monotonic = [] {
        using namespace std::chrono;
        return duration<double>(steady_clock::now().time_since_epoch()).count();
    };

    static Clock system() { return {}; }
};

} // namespace morvanex::platform
