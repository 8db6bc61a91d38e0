#include "platform/QuitOnSignals.h"

#include "platform/Log.h"

#include <QCoreApplication>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <sys/eventfd.h>
#include <unistd.h>

namespace morvanex::platform {

namespace {

// Where the handler writes; -1 while nothing catches. Lock-free, so the handler may read it.
std::atomic<int> signalFd{-1};
static_assert(std::atomic<int>::is_always_lock_free);

// The last signal caught, for lastCaught().
std::atomic<int> caughtSignal{0};

// Whether an instance exists; only one may.
std::atomic<bool> instanceClaimed{false};

// Async-signal-safe: one atomic load and one write(2), errno preserved for the interrupted code.
extern "C" void onTerminationSignal(int signal) {
    const int fd = signalFd.load();
    if (fd < 0)
        return;
    caughtSignal.store(signal);
    const int savedErrno = errno;
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t written = ::write(fd, &one, sizeof one);
    errno = savedErrno;
}

// The process-wide catching: the eventfd the handler writes to and the handlers it replaced.
// Started by catchEarly() or the instance, stopped by the instance; main thread only.
struct Catching {
    int fd = -1;
    struct sigaction previousTerm {};
    struct sigaction previousInt {};
};

Catching& catching() {
    static Catching state;
    return state;
}

void install(int signal, struct sigaction* previous) {
    struct sigaction action {};
    action.sa_handler = onTerminationSignal;
    sigemptyset(&action.sa_mask);
    sigaddset(&action.sa_mask, SIGTERM);
    sigaddset(&action.sa_mask, SIGINT);
    action.sa_flags = SA_RESTART; // other threads' system calls carry on
    if (::sigaction(signal, &action, previous) != 0)
        qCWarning(log::platform, "QuitOnSignals: cannot handle signal %d: %s", signal,
                  std::strerror(errno));
}

// The eventfd of the catching, started now if it was not yet; -1 when it cannot start (the
// default dispositions then stay).
int startCatching() {
    Catching& state = catching();
    if (state.fd >= 0)
        return state.fd;
    state.fd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (state.fd < 0) {
        qCWarning(log::platform, "QuitOnSignals: eventfd failed: %s", std::strerror(errno));
        return -1;
    }
    signalFd.store(state.fd);
    install(SIGTERM, &state.previousTerm);
    install(SIGINT, &state.previousInt);
    return state.fd;
}

void stopCatching() {
    Catching& state = catching();
    if (state.fd < 0)
        return;
    ::sigaction(SIGTERM, &state.previousTerm, nullptr);
    ::sigaction(SIGINT, &state.previousInt, nullptr);
    // The previous handlers are back, so no new delivery reaches ours. A handler already running
    // on another thread at this instant could still write to the fd after it closes; that window
    // is inherent to ever closing it and is limited to signals racing our own destruction.
    signalFd.store(-1);
    ::close(state.fd);
    state = Catching();
}

} // namespace

void QuitOnSignals::catchEarly() {
    Q_ASSERT_X(!instanceClaimed.load(), "QuitOnSignals::catchEarly", "an instance exists already");
    startCatching();
    releaseHeld();
}

namespace {

sigset_t terminationSignals() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGINT);
    return set;
}

} // namespace

void QuitOnSignals::holdEarly() {
    const sigset_t set = terminationSignals();
    ::sigprocmask(SIG_BLOCK, &set, nullptr);
}

void QuitOnSignals::releaseHeld() {
    const sigset_t set = terminationSignals();
    if (::sigprocmask(SIG_UNBLOCK, &set, nullptr) != 0)
        qCWarning(log::platform, "QuitOnSignals: cannot unblock the termination signals: %s",
                  std::strerror(errno));
}

int QuitOnSignals::lastCaught() {
    return caughtSignal.load();
}

void QuitOnSignals::endBy(int signal) {
    std::signal(signal, SIG_DFL);
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, signal);
    ::sigprocmask(SIG_UNBLOCK, &set, nullptr);
    ::raise(signal);
    // Only when the signal did not end the process after all.
    std::_Exit(128 + signal);
}

QuitOnSignals::QuitOnSignals(std::function<void()> onSignal, QObject* parent)
    : QObject(parent), onSignal_(onSignal ? std::move(onSignal) : [] { QCoreApplication::quit(); }),
      active_(!instanceClaimed.exchange(true)) {
    Q_ASSERT_X(active_, "QuitOnSignals", "only one instance may exist at a time");
    if (!active_) {
        qCWarning(log::platform,
                  "QuitOnSignals: another instance is active; this one does nothing");
        return;
    }
    eventFd_ = startCatching();
    if (eventFd_ < 0)
        return; // without a way to reach the event loop, the default dispositions stay
    connect(&notifier_, &QSocketNotifier::activated, this, &QuitOnSignals::signalArrived);
    // A signal caught before now is already counted in the eventfd: the notifier reports it as
    // soon as the loop runs.
    notifier_.setSocket(eventFd_);
    notifier_.setEnabled(true);
}

QuitOnSignals::~QuitOnSignals() {
    if (!active_)
        return;
    notifier_.setEnabled(false); // before the descriptor it watches closes
    stopCatching();
    instanceClaimed.store(false);
}

void QuitOnSignals::signalArrived() {
    std::uint64_t count = 0;
    if (::read(eventFd_, &count, sizeof count) != sizeof count)
        return;  // nothing pending after all
    onSignal_(); // last: the callback may quit the loop that owns us
}

} // namespace morvanex::platform
