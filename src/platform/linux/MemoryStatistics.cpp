#include "platform/linux/MemoryStatistics.h"

#include "platform/ParseNumber.h"
#include "platform/linux/ProcFiles.h"

#include <QList>
#include <algorithm>

namespace morvanex::platform {
namespace {

using Values = QHash<QByteArray, std::uint64_t>;

// The value of one "key value" line of /proc/vmstat; 0 when the key is missing or its value is
// not a number. Found by scanning: the file has nearly two hundred lines, and a sample wants two.
std::uint64_t counterOf(QByteArrayView text, QByteArrayView key) {
    std::uint64_t counter = 0;
    procfiles::forEachLine(text, [&](QByteArrayView line) {
        if (line.size() <= key.size() || !line.startsWith(key) || line[key.size()] != ' ')
            return true;
        QByteArrayView value = line.sliced(key.size()).trimmed();
        if (const qsizetype space = value.indexOf(' '); space >= 0)
            value = value.first(space);
        counter = parseInteger<std::uint64_t>(value).value_or(0);
        return false;
    });
    return counter;
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

std::optional<MemInfo> readMemInfo(const Roots& roots) {
    static procfiles::LoggedRead file("memory figures");
    const auto text = file.read(roots.proc + QStringLiteral("/meminfo"));
    if (!text)
        return std::nullopt;
    MemInfo memory{procfiles::keyValues(*text)};
    if (!memory.kib.contains("MemTotal"))
        return std::nullopt;
    return memory;
}

std::optional<VMStatistics> readVMStatistics(const Roots& roots, std::int64_t pageSize) {
    const auto memory = readMemInfo(roots);
    if (!memory)
        return std::nullopt;
    return vmStatistics(*memory, roots, pageSize);
}

std::optional<VMStatistics> vmStatistics(const MemInfo& memory, const Roots& roots,
                                         std::int64_t pageSize) {
    if (pageSize <= 0)
        return std::nullopt;
    // /proc/meminfo counts KiB.
    const auto pages = [pageSize](std::uint64_t kib) {
        return kib * 1024 / std::uint64_t(pageSize);
    };
    const auto kib = [&memory](const char* key) { return memory.kib.value(key, 0); };

    // tmpfs files and shared segments (Shmem) sit in the page cache, but nothing can reclaim
    // them without swap: they are memory in use, as processes' own, not cache.
    const std::uint64_t shared = kib("Shmem");
    const std::uint64_t cached = kib("Cached");

    VMStatistics stats;
    stats.internalPages = pages(kib("AnonPages") + shared);
    // Locked pages (Unevictable) are already counted where they belong, as processes' memory
    // or as files: adding them here would count them twice.
    stats.wiredPages = pages(kib("SUnreclaim") + kib("KernelStack") + kib("PageTables"));
    stats.compressorPages = pages(kib("Zswap"));
    stats.externalPages =
        pages((cached > shared ? cached - shared : 0) + kib("Buffers") + kib("SReclaimable"));
    if (const auto text = procfiles::read(roots.proc + QStringLiteral("/vmstat"))) {
        // Memory moved to and from swap, already in pages; pgpgin and pgpgout would count every
        // block read and written, which is disk traffic, not paging.
        stats.pageins = counterOf(*text, "pswpin");
        stats.pageouts = counterOf(*text, "pswpout");
    }
    return stats;
}

std::optional<std::uint64_t> readPhysicalMemory(const Roots& roots) {
    const auto memory = readMemInfo(roots);
    if (!memory)
        return std::nullopt;
    return memory->kib.value("MemTotal") * 1024;
}

std::optional<std::int64_t> readAvailablePercent(const Roots& roots) {
    const auto memory = readMemInfo(roots);
    return memory ? availablePercent(*memory) : std::nullopt;
}

std::optional<std::int64_t> availablePercent(const MemInfo& memory) {
    const Values& values = memory.kib;
    if (!values.contains("MemAvailable") || values.value("MemTotal") == 0)
        return std::nullopt;
    const double share = double(values.value("MemAvailable")) / double(values.value("MemTotal"));
    return std::int64_t(std::clamp(share, 0.0, 1.0) * 100 + 0.5);
}

std::optional<SwapUsage> readSwapUsage(const Roots& roots) {
    const auto memory = readMemInfo(roots);
    return memory ? swapUsage(*memory) : std::nullopt;
}

std::optional<SwapUsage> swapUsage(const MemInfo& memory) {
    const Values& values = memory.kib;
    if (!values.contains("SwapTotal") || !values.contains("SwapFree"))
        return std::nullopt;
    SwapUsage swap;
    swap.total = values.value("SwapTotal") * 1024;
    swap.avail = std::min(values.value("SwapFree") * 1024, swap.total);
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
