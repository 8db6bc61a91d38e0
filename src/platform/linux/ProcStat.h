#pragma once

#include "platform/Roots.h"

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

namespace morvanex::platform {

// Cumulative tick counters of one logical processor, folded into four kinds: user, system,
// idle and nice. System time includes interrupt handling; idle includes waiting for I/O (the
// processor was free to run anything). Time stolen by a hypervisor is in none of them. Each
// counter is the kernel's 64-bit count cut to 32 bits, so it wraps like a 32-bit counter.
struct ProcessorTicks {
    int index = 0;                        // the processor's number ("cpuN")
    std::array<std::uint32_t, 4> ticks{}; // user, system, idle, nice
};

// Every online processor in the kernel's order; nothing when /proc/stat cannot be read.
std::optional<std::vector<ProcessorTicks>> readProcessorTicks(const Roots& roots);

// Boot time in whole seconds since 1970 ("btime").
std::optional<std::int64_t> readBootTime(const Roots& roots);

// Seconds since boot (first field of /proc/uptime).
std::optional<double> readUptime(const Roots& roots);

// The 1-, 5- and 15-minute load averages; zeros when unreadable.
std::array<double, 3> readLoadAverage(const Roots& roots);

} // namespace morvanex::platform
