#pragma once

#include <QObject>
#include <QSocketNotifier>
#include <functional>

namespace morvanex::platform {

// Turns SIGTERM and SIGINT into a call on the main thread's event loop, by default
// QCoreApplication::quit(), so shutdown runs through the normal exit path (history is flushed,
// keep-awake released). The signal handler only writes to an eventfd; a socket notifier on the
// thread that constructed this object (the main thread) reads it and makes the call.
// A signal that arrives before the event loop runs is remembered until it does.
//
// A process can start catching the signals before any Qt object may exist, with catchEarly()
// first thing in main: a signal that arrives meanwhile is kept, and the QuitOnSignals created
// later (once the application object exists) takes over the catching and makes its call as
// soon as its loop runs. Until then the signals end nothing.
//
// Only one instance may exist at a time (asserted; a second one in a release build stays inert).
// Destruction stops the catching and restores the handlers that were installed before it began
// (before catchEarly(), when that started it). Do not delete the object from within its own
// callback; use deleteLater().
class QuitOnSignals final : public QObject {
    Q_OBJECT
public:
    explicit QuitOnSignals(std::function<void()> onSignal = {}, QObject* parent = nullptr);
    QuitOnSignals(const QuitOnSignals&) = delete;
    QuitOnSignals& operator=(const QuitOnSignals&) = delete;
    ~QuitOnSignals() override;

    // Starts catching SIGTERM and SIGINT now, as described above, and lets through what
    // holdEarly() held. Main thread only, before any instance exists; calling it again does
    // nothing.
    static void catchEarly();

    // Blocks SIGTERM and SIGINT, so that one arriving while the executable's own initialisers
    // run waits for main instead of ending the process half-started. For the executable's
    // earliest initialiser, while the process has one thread.
    static void holdEarly();
    // Unblocks what holdEarly() blocked: a held signal is then delivered at once, to the
    // catching if it runs, else to its default action.
    static void releaseHeld();

    // The last of SIGTERM and SIGINT that the catching received, 0 before any: for a mode that,
    // having put its things in order, ends by the signal it was sent.
    static int lastCaught();
    // Ends the process by `signal` with the signal's default action, as if nothing had caught
    // it, so the parent sees what ended it. Main thread, while no instance catches.
    [[noreturn]] static void endBy(int signal);

private:
    void signalArrived();

    const std::function<void()> onSignal_;
    const bool active_;
    int eventFd_ = -1; // the catching's, owned by it; stopped and closed on destruction
    QSocketNotifier notifier_{QSocketNotifier::Read};
};

} // namespace morvanex::platform
