#pragma once

#include <QByteArray>
#include <QHash>
#include <QObject>
#include <QString>
#include <QStringList>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>

class QProcess;
class QTimer;

namespace morvanex::platform {

// How a tool's run ended.
struct NetToolOutcome {
    QByteArray output;       // standard output, up to the run's limit
    int exitStatus = 0;      // the exit status, or the signal number when `signalled`
    bool signalled = false;  // ended by a signal (terminate(), the time bound, or another)
    bool timedOut = false;   // killed because it outlived its time bound
    bool overflowed = false; // wrote more than the limit; `output` holds the start only
    // The end of standard error (its last `errorsKept` bytes), where a tool says why it failed.
    QByteArray errors;
};

// One run of a command-line network tool as a child process, driven by the event loop of the
// thread that created it. Standard output is collected as it arrives (up to a limit);
// standard error is read as it arrives and only its end kept, or not connected at all, so a
// chatty tool never blocks on a full pipe. Destroying the run kills the child, reaps it and drops
// the completion without calling it.
class NetToolRun {
public:
    struct Options {
        QString program;
        QStringList arguments;
        QHash<QString, QString> environment;            // set on top of this process's environment
        bool discardErrors = false;                     // standard error to the null device
        std::optional<std::chrono::milliseconds> bound; // killed after this long
        qint64 outputLimit = 4 * 1024 * 1024;
    };
    static constexpr qsizetype errorsKept = 4096;

    explicit NetToolRun(Options options);
    NetToolRun(const NetToolRun&) = delete;
    NetToolRun& operator=(const NetToolRun&) = delete;
    ~NetToolRun();

    // Launches the tool. False when it could not be started (missing, not executable, or no
    // interpreter); `done` is then never called. Otherwise `done` runs once, from the event
    // loop, after the child has ended, unless the run was destroyed first. At most one start per
    // run. Call it on a thread with an event loop (the main thread).
    bool start(std::function<void(NetToolOutcome)> done);

    // Asks a running child to end (SIGTERM); the completion still follows.
    void terminate();
    // Ends a running child at once (SIGKILL); the completion still follows.
    void kill();

    bool running() const;

private:
    void collectOutput();
    void collectErrors();
    void finished(int exitCode, bool crashed);

    Options options_;
    std::unique_ptr<QObject> context_; // owns the process and the bound's timer
    QProcess* process_ = nullptr;
    QTimer* boundTimer_ = nullptr;
    std::function<void(NetToolOutcome)> done_;
    NetToolOutcome outcome_;
    bool started_ = false;
    bool ended_ = false;
    // Completions posted to the event loop check it, so none runs after destruction.
    std::shared_ptr<const bool> alive_ = std::make_shared<const bool>(true);
};

} // namespace morvanex::platform
