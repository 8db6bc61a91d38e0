#pragma once

#include "platform/Clock.h"
#include "platform/Roots.h"
#include "platform/linux/ProcessTable.h"

#include <QString>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <unordered_map>
#include <vector>

namespace morvanex {

// One process in one sample.
struct ProcessSample {
    std::int32_t pid = 0;
    QString name;         // display name
    double cpu = 0;       // percent of one core since the previous sample (a busy core is 100)
    double memory = 0;    // resident bytes at sampling time
    double diskRead = 0;  // bytes per second read from storage since the previous sample
    double diskWrite = 0; // bytes per second written to storage since the previous sample

    std::int32_t id() const { return pid; }
    bool operator==(const ProcessSample&) const = default;
};

// Lists every process of the machine on each tick and measures its processor use, resident
// memory and storage rates. Rates are counter differences over the real time between two
// samples: a process seen for the first time, and the first sample, give 0.
class ProcessMonitor final {
public:
    // The cumulative counters of one process, kept for the next sample.
    struct Counters {
        std::uint64_t cpu = 0;   // processor time in nanoseconds, user plus system
        std::uint64_t read = 0;  // bytes read from storage
        std::uint64_t write = 0; // bytes written to storage
        // Whether read and write came from a readable io record. Storage rates need two
        // readable records in a row; otherwise the first readable one would count the whole
        // history of the process as one interval's traffic.
        bool diskKnown = false;
        // The process's start time: a different one under the same id is a new process.
        std::uint64_t startTime = 0;

        bool operator==(const Counters&) const = default;
    };

    // The last sample, in the order the kernel listed the process ids.
    std::vector<ProcessSample> processes;
    // Counters of every process in the last sample.
    std::unordered_map<std::int32_t, Counters> previous;
    // Name cache; holds the same ids as previous after every sample.
    std::unordered_map<std::int32_t, QString> names;
    // Monotonic seconds of the last successful sample.
    std::optional<double> lastSample;
    // Processor-time units to nanoseconds: the process table already counts in nanoseconds.
    const double ticksToNanos = 1.0;

    explicit ProcessMonitor(const platform::Roots& roots = platform::Roots::system(),
                            platform::Clock clock = platform::Clock::system());

    // Takes one sample. When the process list cannot be read, everything stays as it was.
    void sample();

    // processes sorted by key, largest first (equal values keep their order), cut to count.
    std::vector<ProcessSample> top(double ProcessSample::*key, std::size_t count) const;

private:
    QString name(std::int32_t pid);

    platform::ProcessTable table;
    platform::Clock clock;
    // The containers of the sample before last, kept for their storage.
    std::unordered_map<std::int32_t, Counters> spareCounters;
    std::vector<ProcessSample> spareProcesses;
};

} // namespace morvanex
