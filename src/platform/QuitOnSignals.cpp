#include "platform/QuitOnSignals.h"

#include <QCoreApplication>
#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <sys/eventfd.h>
#include <unistd.h>

namespace morvanex::platform {

namespace {

// Where the handler writes; -1 while no instance is active. Lock-free, so the handler may read it.
std::atomic<int> signalFd{-1};
static_assert(std::atomic<int>::is_always_lock_free);

// Async-signal-safe: one atomic load and one write(2), errno preserved for the interrupted code.
extern "C" void onTerminationSignal(int) {
    const int fd = signalFd.load();
    if (fd < 0)
        return;
    const int savedErrno = errno;
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t written = ::write(fd, &one, sizeof one);
    errno = savedErrno;
}

bool claimSignals() {
    int expected = -1;
    // Reserve the slot with a placeholder; the real fd is published once it exists.
    return signalFd.compare_exchange_strong(expected, -2);
}

void install(int signal, struct sigaction* previous) {
    struct sigaction action {};
    action.sa_handler = onTerminationSignal;
    sigemptyset(&action.sa_mask);
    sigaddset(&action.sa_mask, SIGTERM);
    sigaddset(&action.sa_mask, SIGINT);
    action.sa_flags = SA_RESTART; // other threads' system calls carry on
    if (::sigaction(signal, &action, previous) != 0)
        qWarning("QuitOnSignals: cannot handle signal %d: %s", signal, std::strerror(errno));
}

} // namespace

QuitOnSignals::EventFd::EventFd() : fd_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {
    if (fd_ < 0)
        qWarning("QuitOnSignals: eventfd failed: %s", std::strerror(errno));
}

QuitOnSignals::EventFd::~EventFd() {
    if (fd_ >= 0)
        ::close(fd_);
}

QuitOnSignals::QuitOnSignals(std::function<void()> onSignal, QObject* parent)
    : QObject(parent), onSignal_(onSignal ? std::move(onSignal) : [] { QCoreApplication::quit(); }),
      active_(claimSignals()), notifier_(eventFd_.get(), QSocketNotifier::Read) {
    Q_ASSERT_X(active_, "QuitOnSignals", "only one instance may exist at a time");
    if (!active_) {
        qWarning("QuitOnSignals: another instance is active; this one does nothing");
        notifier_.setEnabled(false);
        return;
    }
    if (eventFd_.get() < 0)
        return; // without a way to reach the event loop, the default dispositions stay
    connect(&notifier_, &QSocketNotifier::activated, this, &QuitOnSignals::signalArrived);
    signalFd.store(eventFd_.get());
    install(SIGTERM, &previousTerm_);
    install(SIGINT, &previousInt_);
    installed_ = true;
}

QuitOnSignals::~QuitOnSignals() {
    if (!active_)
        return;
    if (installed_) {
        ::sigaction(SIGTERM, &previousTerm_, nullptr);
        ::sigaction(SIGINT, &previousInt_, nullptr);
    }
    // The previous handlers are back, so no new delivery reaches ours. A handler already running
    // on another thread at this instant could still write to the fd after it closes; that window
    // is inherent to ever closing it and is limited to signals racing our own destruction.
    signalFd.store(-1);
}

void QuitOnSignals::signalArrived() {
    std::uint64_t count = 0;
    if (::read(eventFd_.get(), &count, sizeof count) != sizeof count)
        return;  // nothing pending after all
    onSignal_(); // last: the callback may quit the loop that owns us
}

} // namespace morvanex::platform
