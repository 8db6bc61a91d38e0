#pragma once

#include "monitors/History.h"
#include "platform/Clock.h"
#include "platform/Roots.h"

#include <cstdint>
#include <optional>

namespace morvanex {

// Physical memory split into the shares the panels show, the kernel's pressure figures, swap
// use and paging rates. Amounts are bytes.
class MemoryMonitor {
public:
    explicit MemoryMonitor(platform::Roots roots = platform::Roots::system(),
                           platform::Clock clock = platform::Clock::system(),
                           std::int64_t pageSizeOverride = 0); // 0: the system's page size

    void sample();

    double used() const { return app + wired + compressed; }
    // The used share of installed memory in percent; 0 while the size is unknown. Above 100
    // when a racy read counts more than is installed.
    double usedPercent() const { return total > 0 ? used() / total * 100 : 0; }

    double total = 0;
    double app = 0;
    double wired = 0;
    double compressed = 0;
    double cached = 0;
    double free = 0;
    double pressure = 0;   // percent
    int pressureLevel = 1; // 1 normal, 2 warning, 4 critical
    double swapUsed = 0;
    double swapTotal = 0;
    double pageInsRate = 0; // bytes per second
    double pageOutsRate = 0;
    History pressureHistory{120};
    History usedHistory{120};
    std::uint64_t lastPageIns = 0;
    std::uint64_t lastPageOuts = 0;
    std::optional<double> lastSample; // monotonic seconds of the last successful sample
    double pageSize = 16384;

private:
    platform::Roots roots_;
    platform::Clock clock_;
    std::int64_t systemPageSize_;
};

} // namespace morvanex
