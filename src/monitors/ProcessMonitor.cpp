#include "monitors/ProcessMonitor.h"

#include "base/Numbers.h"

#include <algorithm>
#include <utility>

namespace morvanex {
namespace {

constexpr double nanosPerSecond = 1e9;

// Increase of a cumulative counter. One that went down (which only a process id taken over
// by another process can cause) gives 0 rather than a wrapped, enormous difference.
double increase(std::uint64_t now, std::uint64_t before) {
    return now >= before ? double(now - before) : 0.0;
}

// Processor time scaled to nanoseconds, with the real-to-integer conversion range-checked.
std::uint64_t scaledNanos(std::uint64_t time, double factor) {
    const double nanos = double(time) * factor;
    constexpr double limit = 18446744073709551616.0; // 2^64
    return nanos >= 0.0 && nanos < limit ? std::uint64_t(nanos) : 0;
}

QByteArray baseName(const QByteArray& path) {
    return path.mid(path.lastIndexOf('/') + 1);
}

// The kernel's command name, unless it was cut to its limit: then the full program name from
// the command line or the executable, when that is how the cut name continues.
QString lookUpName(const platform::ProcessTable& table, std::int32_t pid) {
    const QByteArray shortName = table.shortName(pid);
    if (shortName.isEmpty())
        return QStringLiteral("pid ") + QString::fromStdString(numbers::integerText(pid));
    if (shortName.size() == platform::ProcessTable::shortNameLimit) {
        const auto continues = [&](const QByteArray& candidate) {
            return candidate.size() > shortName.size() && candidate.startsWith(shortName);
        };
        if (const QByteArray argument = baseName(table.firstArgument(pid)); continues(argument))
            return QString::fromUtf8(argument);
        if (const QByteArray executable = baseName(table.executablePath(pid));
            continues(executable))
            return QString::fromUtf8(executable);
    }
    return QString::fromUtf8(shortName);
}

} // namespace

ProcessMonitor::ProcessMonitor(const platform::Roots& roots, platform::Clock processClock)
    : table(roots), clock(std::move(processClock)) {}

void ProcessMonitor::sample() {
    const std::vector<std::int32_t> pids = table.pids();
    if (pids.empty())
        return;
    const double now = clock.monotonic();
    const double interval = lastSample ? now - *lastSample : 0.0;

    // The containers of the sample before last are filled again: at rest the same few hundred
    // processes are read on every tick, and their counters move over from the last sample
    // instead of being allocated anew.
    std::unordered_map<std::int32_t, Counters>& counters = spareCounters;
    counters.clear();
    counters.reserve(pids.size());
    std::vector<ProcessSample> samples = std::move(spareProcesses);
    samples.clear();
    samples.reserve(pids.size());
    for (const std::int32_t pid : pids) {
        if (pid <= 0)
            continue;
        const auto usage = table.usage(pid);
        if (!usage)
            continue;
        Counters current;
        current.cpu = scaledNanos(usage->cpuNanos, ticksToNanos);
        if (usage->disk) {
            current.read = usage->disk->read;
            current.write = usage->disk->written;
            current.diskKnown = true;
        }
        current.startTime = usage->startTime;

        auto held = previous.extract(pid);
        const std::optional<Counters> before =
            held ? std::optional<Counters>(held.mapped()) : std::nullopt;
        if (held) {
            held.mapped() = current;
            counters.insert(std::move(held));
        } else {
            counters.emplace(pid, current);
        }
        const bool seenBefore = before && before->startTime == current.startTime;
        if (!seenBefore)
            names.erase(pid); // a reused id: the cached name was the old process's

        ProcessSample record;
        record.pid = pid;
        record.name = name(pid);
        record.memory = double(usage->residentBytes);
        if (seenBefore && interval > 0) {
            const Counters& old = *before;
            record.cpu = increase(current.cpu, old.cpu) / (interval * nanosPerSecond) * 100.0;
            if (old.diskKnown && current.diskKnown) {
                record.diskRead = increase(current.read, old.read) / interval;
                record.diskWrite = increase(current.write, old.write) / interval;
            }
        }
        samples.push_back(std::move(record));
    }

    std::erase_if(names, [&](const auto& entry) { return !counters.contains(entry.first); });
    std::swap(previous, counters); // what is left in the old map are processes that ended
    lastSample = now;
    spareProcesses = std::exchange(processes, std::move(samples));
}

std::vector<ProcessSample> ProcessMonitor::top(double ProcessSample::*key,
                                               std::size_t count) const {
    std::vector<ProcessSample> sorted = processes;
    std::stable_sort(
        sorted.begin(), sorted.end(),
        [key](const ProcessSample& a, const ProcessSample& b) { return a.*key > b.*key; });
    sorted.erase(sorted.begin() + std::ptrdiff_t(std::min(count, sorted.size())), sorted.end());
    return sorted;
}

QString ProcessMonitor::name(std::int32_t pid) {
    if (const auto cached = names.find(pid); cached != names.end())
        return cached->second;
    QString found = lookUpName(table, pid);
    names.emplace(pid, found);
    return found;
}

} // namespace morvanex
