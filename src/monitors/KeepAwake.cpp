#include "monitors/KeepAwake.h"

#include "base/Fmt.h"
#include "platform/Log.h"

#include <QTimeZone>
#include <algorithm>
#include <limits>

namespace morvanex {
namespace {

// The end timer runs on a clock that stands still while the machine sleeps, and the wall clock
// can be set: the timer never waits longer than this before it compares with the wall clock.
constexpr qint64 longestWaitMs = 60'000;

const QString assertionName = QStringLiteral("Morvanex Keep Awake");

} // namespace

QString KeepAwake::label(Duration duration) {
    switch (duration) {
    case Duration::minutes30:
        return QStringLiteral("30 minutes");
    case Duration::hour1:
        return QStringLiteral("1 hour");
    case Duration::hours2:
        return QStringLiteral("2 hours");
    case Duration::indefinitely:
        break;
    }
    return QStringLiteral("Until turned off");
}

std::optional<double> KeepAwake::length(Duration duration) {
    switch (duration) {
    case Duration::minutes30:
        return 1800;
    case Duration::hour1:
        return 3600;
    case Duration::hours2:
        return 7200;
    case Duration::indefinitely:
        break;
    }
    return std::nullopt;
}

std::optional<QDateTime> KeepAwake::endTime(Duration duration, const QDateTime& start) {
    const auto seconds = length(duration);
    if (!seconds)
        return std::nullopt;
    return start.addSecs(qint64(*seconds));
}

KeepAwake::KeepAwake(platform::PowerAssertions power, platform::Clock clock)
    : power_(std::move(power)), clock_(std::move(clock)), context_(std::make_unique<QObject>()) {}

KeepAwake::~KeepAwake() {
    // The timer and the wake-up watch call back into this object: gone first, and with the
    // context their queued calls are dropped.
    timer.reset();
    resumeWatch_.reset();
    context_.reset();
    held_.reset();
}

void KeepAwake::activate(bool keepDisplayOn, std::optional<QDateTime> until) {
    // The new inhibitor is taken before the old one goes: when it cannot be had, a keep-awake
    // already running stays as it was instead of ending silently.
    platform::HeldToken taken =
        power_.create ? power_.create(keepDisplayOn, assertionName) : platform::HeldToken();
    if (!taken && isActive)
        qCWarning(log::monitors) << "keep awake could not be changed; the current one stays";
    if (taken) {
        stop(false);
        held_ = std::move(taken);
        // Identifiers count up from 1 and skip 0, which stands for none.
        lastAssertion_ =
            lastAssertion_ == std::numeric_limits<std::uint32_t>::max() ? 1 : lastAssertion_ + 1;
        assertion = lastAssertion_;
        isActive = true;
        keepsDisplayOn = keepDisplayOn;
        endDate = until;
        if (endDate) {
            timer = std::make_unique<QTimer>();
            timer->setSingleShot(true);
            timer->setTimerType(Qt::PreciseTimer);
            // Queued onto an object of ours: the check may delete the timer (and the wake-up
            // watch), which must not happen while they are still delivering.
            QObject::connect(
                timer.get(), &QTimer::timeout, context_.get(), [this] { checkEnd(); },
                Qt::QueuedConnection);
            armTimer();
            if (power_.watchResume)
                resumeWatch_ = power_.watchResume([this] {
                    QMetaObject::invokeMethod(
                        context_.get(), [this] { checkEnd(); }, Qt::QueuedConnection);
                });
        }
    }
    if (onChange)
        onChange();
}

void KeepAwake::stop(bool notify) {
    timer.reset();
    resumeWatch_.reset();
    if (isActive) {
        held_.reset();
        assertion = 0;
    }
    isActive = false;
    endDate.reset();
    if (notify && onChange)
        onChange();
}

QString KeepAwake::statusText() const {
    if (!isActive)
        return QStringLiteral("Off");
    if (endDate)
        return QStringLiteral("Until ") + Fmt::time(endDate, QTimeZone::systemTimeZone());
    return QStringLiteral("Until turned off");
}

void KeepAwake::checkEnd() {
    if (!isActive || !endDate)
        return;
    if (clock_.now() >= *endDate) {
        stop(true);
        return;
    }
    armTimer();
}

void KeepAwake::armTimer() {
    if (!timer || !endDate)
        return;
    const qint64 remainingMs = clock_.now().msecsTo(*endDate);
    // One millisecond late rather than early: an early firing would only wait again.
    timer->start(int(std::clamp<qint64>(remainingMs + 1, 0, longestWaitMs)));
}

} // namespace morvanex
