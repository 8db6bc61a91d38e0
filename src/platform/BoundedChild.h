#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <atomic>
#include <chrono>
#include <memory>
#include <optional>
#include <sys/types.h>

namespace morvanex::platform {

// One run of a helper program whose work may have no end, driven from a thread that may block
// (not the main thread). Its standard input is a buffer given at the start, its standard output
// is read by the caller as it arrives, and its standard error is this process's. The child
// starts with no signal blocked and none of this process's other descriptors. It is killed
// (SIGKILL) and reaped when the run is destroyed, so nothing waits for its work.
class BoundedChild {
public:
    // How a pump() ended.
    enum class Pump {
        output,    // output arrived
        ended,     // the child ended and its output is all read; see endStatus()
        timedOut,  // the deadline passed first
        cancelled, // `cancelled` held
    };
    using Clock = std::chrono::steady_clock;

    // Starts `program` (a path as the file system spells it, which need not be UTF-8) with
    // `arguments`, its standard input reading `input`. Nothing (and `error` set to a one-line
    // reason) when it could not be started.
    static std::unique_ptr<BoundedChild> start(const QByteArray& program,
                                               const QStringList& arguments,
                                               const QByteArray& input, QString& error);

    BoundedChild(const BoundedChild&) = delete;
    BoundedChild& operator=(const BoundedChild&) = delete;
    ~BoundedChild();

    // Waits until output arrives (appended to `output`), the child ends, `deadline` passes or
    // `cancelled` holds, whichever comes first. `cancelled` is looked at every few tens of
    // milliseconds.
    Pump pump(QByteArray& output, Clock::time_point deadline, const std::atomic<bool>& cancelled);

    // How the child ended, as text ("exit status 3", "signal 9"); empty while it runs.
    QString endStatus() const;
    // The child's exit status; nothing while it runs or when a signal ended it.
    std::optional<int> exitStatus() const;

    pid_t pid() const { return pid_; }

private:
    BoundedChild(pid_t pid, int output) : pid_(pid), output_(output) {}
    bool reap(bool wait);

    pid_t pid_ = -1;
    int output_ = -1; // the read end of the child's standard output, -1 once at its end
    std::optional<int> status_;
};

} // namespace morvanex::platform
