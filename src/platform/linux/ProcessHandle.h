#pragma once

#include <cstdint>

namespace morvanex::platform {

// A hold on one process, taken through a pidfd: signals sent through it reach the process
// that had the id when the handle was taken, or nobody once it has exited, never a later
// process that received the same id. Kernels without pidfds (before 5.3) fall back to the
// bare id.
class ProcessHandle {
public:
    // Takes hold of the process now running as pid. Invalid for ids below 1 and for ids with
    // no process behind them.
    explicit ProcessHandle(std::int32_t pid);
    ~ProcessHandle();
    ProcessHandle(ProcessHandle&& other) noexcept;
    ProcessHandle& operator=(ProcessHandle&& other) noexcept;
    ProcessHandle(const ProcessHandle&) = delete;
    ProcessHandle& operator=(const ProcessHandle&) = delete;

    std::int32_t pid() const { return id; }
    bool valid() const { return fd >= 0 || bareId; }

    // Sends the signal; false when the process has gone or refuses it (another user's).
    bool signal(int number) const;

private:
    void release();

    std::int32_t id = 0;
    int fd = -1;
    bool bareId = false; // no pidfd support: signals go to the id
};

} // namespace morvanex::platform
