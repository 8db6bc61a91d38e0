#pragma once

#include <QProcessEnvironment>
#include <QStringList>
#include <array>
#include <chrono>
#include <gtest/gtest.h>
#include <optional>
#include <string>
#include <sys/types.h>

namespace morvanex::test {

// A child process started with exactly the standard descriptors a test gives it: a pipe nobody
// reads, a closed standard input, which QProcess cannot arrange. Killed and reaped on
// destruction if it still runs.
class ChildProcess {
public:
    // Starts `command` (program first, a path). Descriptor i of the child is `descriptors[i]` of
    // this process, or closed where that is -1.
    ChildProcess(const QStringList& command, const QProcessEnvironment& environment,
                 std::array<int, 3> descriptors);
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;
    ~ChildProcess();

    bool started() const { return pid_ > 0; }
    pid_t pid() const { return pid_; }

    // Waits at most `timeout` for the child to end; its wait status, or nothing while it runs.
    std::optional<int> waitFor(std::chrono::milliseconds timeout);

private:
    pid_t pid_ = -1;
    std::optional<int> status_;
};

// A wait status as text for a failure message: "exit 0", "signal 15", "still running".
std::string describeStatus(const std::optional<int>& status);

} // namespace morvanex::test
