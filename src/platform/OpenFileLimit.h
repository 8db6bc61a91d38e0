#pragma once

#include <cstdint>
#include <optional>

namespace morvanex::platform {

// The process's open-file limits (RLIMIT_NOFILE). No limit is the largest value.
struct OpenFileLimits {
    std::uint64_t soft = 0;
    std::uint64_t hard = 0;

    bool operator==(const OpenFileLimits&) const = default;
};

std::optional<OpenFileLimits> openFileLimits();

// Raises the soft open-file limit to the hard one (at most 524288), as long-running monitors
// do: the process table keeps every process's files open when it may. The soft limit found here is remembered
// for child processes (see restoreStartingOpenFileLimit). When the limit cannot be raised it
// stays as it is and the failure is logged. Returns the limits now in effect.
std::optional<OpenFileLimits> raiseOpenFileLimit();

// For a child process between fork and exec: gives the program the soft limit this process
// started with, since programs written for select() expect descriptors below 1024. Does
// nothing when the limit was never raised. Async-signal-safe.
void restoreStartingOpenFileLimit();

} // namespace morvanex::platform
