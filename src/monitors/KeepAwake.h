#pragma once

#include "platform/Clock.h"
#include "platform/linux/LogindPowerAssertion.h"

#include <QDateTime>
#include <QString>
#include <QTimer>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

namespace morvanex {

// Keeps the machine from sleeping, for a chosen time or until turned off, by holding one power
// assertion; with the display option the display stays awake as well. Main thread only.
class KeepAwake {
public:
    enum class Duration { minutes30, hour1, hours2, indefinitely };
    static constexpr std::array<Duration, 4> allDurations{Duration::minutes30, Duration::hour1,
                                                          Duration::hours2, Duration::indefinitely};

    // "30 minutes", "1 hour", "2 hours", "Until turned off".
    static QString label(Duration duration);
    // Seconds; nothing for indefinitely.
    static std::optional<double> length(Duration duration);
    // When keep-awake started at `start` for `duration` ends; nothing for indefinitely.
    static std::optional<QDateTime> endTime(Duration duration, const QDateTime& start);

    explicit KeepAwake(platform::PowerAssertions power = platform::PowerAssertions::system(),
                       platform::Clock clock = platform::Clock::system());
    KeepAwake(const KeepAwake&) = delete;
    KeepAwake& operator=(const KeepAwake&) = delete;
    // Releases a held assertion, without a callback.
    ~KeepAwake();

    // Ends a running keep-awake silently, then takes a new assertion until `until` (or until
    // turned off). Calls onChange whether or not the assertion could be taken.
    void activate(bool keepDisplayOn, std::optional<QDateTime> until);
    // Releases the assertion; calls onChange when `notify` is true, even when inactive.
    void stop(bool notify);

    // "Off", "Until " and the end's short clock time, or "Until turned off".
    QString statusText() const;

    bool isActive = false;
    std::optional<QDateTime> endDate;
    bool keepsDisplayOn = false;
    std::function<void()> onChange;
    std::uint32_t assertion = 0;   // identifier of the held assertion; 0 while none is held
    std::unique_ptr<QTimer> timer; // fires at endDate

private:
    // Stops once the end time has passed; otherwise waits again.
    void checkEnd();
    void armTimer();

    const platform::PowerAssertions power_;
    const platform::Clock clock_;
    platform::HeldToken held_;
    platform::HeldToken resumeWatch_;
    // Receives the queued end checks; they die with it.
    std::unique_ptr<QObject> context_;
    std::uint32_t lastAssertion_ = 0;
};

} // namespace morvanex
