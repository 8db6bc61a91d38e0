#include "platform/linux/MemoryStatistics.h"

#include "platform/ParseNumber.h"
#include "platform/linux/ProcFiles.h"

#include <QList>
#include <algorithm>

namespace morvanex::platform {
namespace {

using Values = QHash<QByteArray, std::uint64_t>;

std::optional<Values> meminfo(const Roots& roots) {
    static procfiles::LoggedRead file("memory figures");
    const auto text = file.read(roots.proc + QStringLiteral("/meminfo"));
    if (!text)
        return std::nullopt;
    Values values = procfiles::keyValues(*text);
    if (!values.contains("MemTotal"))
        return std::nullopt;
    return values;
}

// Stall shares above these mean the machine is short of memory: some tasks waiting is a
// warning, all tasks waiting at once is critical.
constexpr double warningSomeShare = 10.0;
constexpr double criticalFullShare = 5.0;

std::optional<double> avg10(const QByteArray& line) {
    for (const QByteArray& field : line.split(' ')) {
        if (!field.startsWith("avg10="))
            continue;
        if (const auto value = parseReal(field.mid(6), NumberText::leading))
            return value;
    }
    return std::nullopt;
}

} // namespace

std::optional<VMStatistics> readVMStatistics(const Roots& roots, std::int64_t pageSize) {
    const auto memory = meminfo(roots);
    if (!memory || pageSize <= 0)
        return std::nullopt;
    // /proc/meminfo counts KiB; /proc/vmstat's pgpgin and pgpgout count KiB too, not pages.
    const auto pages = [pageSize](std::uint64_t kib) {
        return kib * 1024 / std::uint64_t(pageSize);
    };
    const auto kib = [&memory](const char* key) { return memory->value(key, 0); };

    VMStatistics stats;
    stats.internalPages = pages(kib("AnonPages"));
    stats.wiredPages =
        pages(kib("SUnreclaim") + kib("KernelStack") + kib("PageTables") + kib("Unevictable"));
    stats.compressorPages = pages(kib("Zswap"));
    stats.externalPages = pages(kib("Cached") + kib("Buffers") + kib("SReclaimable"));
    if (const auto text = procfiles::read(roots.proc + QStringLiteral("/vmstat"))) {
        const Values vm = procfiles::keyValues(*text);
        stats.pageins = pages(vm.value("pgpgin", 0));
        stats.pageouts = pages(vm.value("pgpgout", 0));
    }
    return stats;
}

std::optional<std::uint64_t> readPhysicalMemory(const Roots& roots) {
    const auto memory = meminfo(roots);
    if (!memory)
        return std::nullopt;
    return memory->value("MemTotal") * 1024;
}

std::optional<std::int64_t> readAvailablePercent(const Roots& roots) {
    const auto memory = meminfo(roots);
    if (!memory || !memory->contains("MemAvailable") || memory->value("MemTotal") == 0)
        return std::nullopt;
    const double share = double(memory->value("MemAvailable")) / double(memory->value("MemTotal"));
    return std::int64_t(std::clamp(share, 0.0, 1.0) * 100 + 0.5);
}

std::optional<SwapUsage> readSwapUsage(const Roots& roots) {
    const auto memory = meminfo(roots);
    if (!memory || !memory->contains("SwapTotal") || !memory->contains("SwapFree"))
        return std::nullopt;
    SwapUsage swap;
    swap.total = memory->value("SwapTotal") * 1024;
    swap.avail = std::min(memory->value("SwapFree") * 1024, swap.total);
    swap.used = swap.total - swap.avail;
    return swap;
}

std::optional<std::int64_t> readPressureLevel(const Roots& roots) {
    const auto text = procfiles::read(roots.proc + QStringLiteral("/pressure/memory"));
    if (!text)
        return std::nullopt;
    std::optional<double> some;
    std::optional<double> full;
    for (const QByteArray& line : text->split('\n')) {
        if (line.startsWith("some "))
            some = avg10(line);
        else if (line.startsWith("full "))
            full = avg10(line);
    }
    if (!some)
        return std::nullopt;
    if (full.value_or(0) >= criticalFullShare)
        return 4;
    return *some >= warningSomeShare ? 2 : 1;
}

} // namespace morvanex::platform
