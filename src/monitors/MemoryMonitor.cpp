#include "monitors/MemoryMonitor.h"

#include "platform/Sysctl.h"
#include "platform/linux/MemoryStatistics.h"

#include <algorithm>

namespace morvanex {

MemoryMonitor::MemoryMonitor(platform::Roots roots, platform::Clock clock,
                             std::int64_t pageSizeOverride)
    : roots_(std::move(roots)), clock_(std::move(clock)),
      systemPageSize_(pageSizeOverride > 0 ? pageSizeOverride
                                           : platform::Sysctl::systemPageSize()) {
    const platform::Sysctl sysctl(roots_, systemPageSize_);
    total = double(sysctl.integer(QStringLiteral("hw.memsize")).value_or(0));
    pageSize = double(sysctl.integer(QStringLiteral("hw.pagesize")).value_or(16384));
}

void MemoryMonitor::sample() {
    // One read of the kernel's memory figures serves the shares, the available share and the
    // swap below.
    const auto memory = platform::readMemInfo(roots_);
    if (!memory)
        return;
    const auto stats = platform::vmStatistics(*memory, roots_, systemPageSize_);
    if (!stats)
        return;
    const double appPages =
        std::max(double(std::int64_t(stats->internalPages - stats->purgeablePages)), 0.0);
    app = appPages * pageSize;
    wired = double(stats->wiredPages) * pageSize;
    compressed = double(stats->compressorPages) * pageSize;
    cached = double(stats->purgeablePages + stats->externalPages) * pageSize;
    free = std::max(total - (app + wired + compressed), 0.0);

    const double now = clock_.monotonic();
    if (lastSample && now - *lastSample > 0) {
        const double interval = now - *lastSample;
        // A 64-bit counter never wraps in practice; one that went down gives 0.
        const auto delta = [](std::uint64_t current, std::uint64_t before) {
            return current >= before ? double(current - before) : 0.0;
        };
        pageInsRate = delta(stats->pageins, lastPageIns) * pageSize / interval;
        pageOutsRate = delta(stats->pageouts, lastPageOuts) * pageSize / interval;
    }
    lastPageIns = stats->pageins;
    lastPageOuts = stats->pageouts;
    lastSample = now;

    // The available share and the swap record are what kern.memorystatus_level and
    // vm.swapusage answer, taken from the figures read above.
    if (const auto level = platform::availablePercent(*memory))
        pressure = std::clamp(100.0 - double(*level), 0.0, 100.0);
    const platform::Sysctl sysctl(roots_, systemPageSize_);
    pressureLevel =
        int(sysctl.integer(QStringLiteral("kern.memorystatus_vm_pressure_level")).value_or(1));
    if (const auto swap = platform::swapUsage(*memory)) {
        swapUsed = double(swap->used);
        swapTotal = double(swap->total);
    }
    pressureHistory.add(pressure);
    usedHistory.add(usedPercent());
}

} // namespace morvanex
