#pragma once

#include "platform/Roots.h"

#include <QByteArray>
#include <QHash>
#include <cstdint>
#include <optional>

namespace morvanex::platform {

// The kernel's memory figures in pages of `pageSize` bytes, folded into the categories the
// memory monitor shows.
struct VMStatistics {
    std::uint64_t internalPages = 0;   // processes' anonymous memory and shared memory
                                       // (AnonPages + Shmem)
    std::uint64_t purgeablePages = 0;  // memory the kernel may drop without writing: none on Linux
    std::uint64_t wiredPages = 0;      // the kernel's own memory: SUnreclaim, KernelStack,
                                       // PageTables
    std::uint64_t compressorPages = 0; // compressed pages held in RAM (zswap)
    std::uint64_t externalPages = 0;   // caches that can be dropped: page cache without Shmem,
                                       // buffers, reclaimable slab
    std::uint64_t pageins = 0;         // pages read back from swap since boot (pswpin)
    std::uint64_t pageouts = 0;        // pages written to swap since boot (pswpout)
};

struct SwapUsage {
    std::uint64_t total = 0; // bytes
    std::uint64_t avail = 0;
    std::uint64_t used = 0;
};

// The figures of /proc/meminfo in KiB, by key. A sample takes every figure it needs from one
// read, so they all describe the same moment and the file is parsed once.
struct MemInfo {
    QHash<QByteArray, std::uint64_t> kib;
};

// Nothing when /proc/meminfo is unreadable or has no MemTotal.
std::optional<MemInfo> readMemInfo(const Roots& roots);

// From /proc/meminfo and /proc/vmstat; nothing when /proc/meminfo is unreadable.
std::optional<VMStatistics> readVMStatistics(const Roots& roots, std::int64_t pageSize);
// The same from figures already read; /proc/vmstat is read here.
std::optional<VMStatistics> vmStatistics(const MemInfo& memory, const Roots& roots,
                                         std::int64_t pageSize);

// Installed memory in bytes (MemTotal).
std::optional<std::uint64_t> readPhysicalMemory(const Roots& roots);

// Share of memory the kernel can still hand out without swapping, 0...100 (MemAvailable of
// MemTotal).
std::optional<std::int64_t> readAvailablePercent(const Roots& roots);
std::optional<std::int64_t> availablePercent(const MemInfo& memory);

std::optional<SwapUsage> readSwapUsage(const Roots& roots);
std::optional<SwapUsage> swapUsage(const MemInfo& memory);

// 1 normal, 2 warning, 4 critical, from the memory pressure stall information: tasks that
// waited for memory in the last 10 seconds. Nothing when the kernel keeps no such figures.
std::optional<std::int64_t> readPressureLevel(const Roots& roots);

} // namespace morvanex::platform
