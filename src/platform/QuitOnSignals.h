#pragma once

#include <QObject>
#include <QSocketNotifier>
#include <csignal>
#include <functional>

namespace morvanex::platform {

// Turns SIGTERM and SIGINT into a call on the main thread's event loop, by default
// QCoreApplication::quit(), so shutdown runs through the normal exit path (history is flushed,
// keep-awake released). The signal handler only writes to an eventfd; a socket notifier on the
// thread that constructed this object (the main thread) reads it and makes the call.
// A signal that arrives before the event loop runs is remembered until it does.
//
// Only one instance may exist at a time (asserted; a second one in a release build stays inert).
// Destruction restores the handlers that were installed before. Do not delete the object from
// within its own callback; use deleteLater().
class QuitOnSignals final : public QObject {
    Q_OBJECT
public:
    explicit QuitOnSignals(std::function<void()> onSignal = {}, QObject* parent = nullptr);
    QuitOnSignals(const QuitOnSignals&) = delete;
    QuitOnSignals& operator=(const QuitOnSignals&) = delete;
    ~QuitOnSignals() override;

private:
    void signalArrived();

    // The eventfd, closed last, after the notifier watching it is gone.
    class EventFd {
    public:
        EventFd();
        EventFd(const EventFd&) = delete;
        EventFd& operator=(const EventFd&) = delete;
        ~EventFd();
        int get() const { return fd_; }

    private:
        int fd_;
    };

    const std::function<void()> onSignal_;
    const bool active_;
    EventFd eventFd_;
    QSocketNotifier notifier_;
    bool installed_ = false;
    struct sigaction previousTerm_ {};
    struct sigaction previousInt_ {};
};

} // namespace morvanex::platform
