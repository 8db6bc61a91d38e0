#include "platform/Sysctl.h"

#include "platform/linux/CpuTopology.h"
#include "platform/linux/MemoryStatistics.h"
#include "platform/linux/ProcFiles.h"
#include "platform/linux/ProcStat.h"

#include <functional>
#include <unistd.h>
#include <unordered_map>

namespace morvanex::platform {
namespace {

template <typename T> QByteArray bytesOf(const T& value) {
    return QByteArray(reinterpret_cast<const char*>(&value), qsizetype(sizeof(T)));
}

std::optional<QByteArray> int32Bytes(std::optional<std::int64_t> value) {
    if (!value || *value < INT32_MIN || *value > INT32_MAX)
        return std::nullopt;
    return bytesOf(std::int32_t(*value));
}

std::optional<QByteArray> textBytes(std::optional<QByteArray> text) {
    if (!text)
        return std::nullopt;
    return *text + '\0';
}

std::optional<QByteArray> cpuBrand(const Roots& roots) {
    const auto cpuinfo = procfiles::read(roots.proc + QStringLiteral("/cpuinfo"));
    if (!cpuinfo)
        return std::nullopt;
    for (const QByteArray& line : cpuinfo->split('\n')) {
        const qsizetype colon = line.indexOf(':');
        if (colon > 0 && line.left(colon).trimmed() == "model name") {
            const QByteArray brand = line.mid(colon + 1).trimmed();
            return brand.isEmpty() ? std::nullopt : std::optional(brand);
        }
    }
    return std::nullopt;
}

std::optional<QByteArray> machineModel(const Roots& roots) {
    for (const char* path :
         {"/devices/virtual/dmi/id/product_name", "/firmware/devicetree/base/model"}) {
        if (auto text = procfiles::read(roots.sys + QLatin1StringView(path))) {
            const qsizetype nul = text->indexOf('\0');
            QByteArray model = (nul < 0 ? *text : text->left(nul)).trimmed();
            if (!model.isEmpty())
                return model;
        }
    }
    return std::nullopt;
}

std::optional<std::int64_t> levelCount(const Roots& roots, std::size_t level) {
    const CpuTopology topology = readCpuTopology(roots);
    if (level >= topology.levelCounts.size())
        return std::nullopt;
    return topology.levelCounts[level];
}

} // namespace

Sysctl::Sysctl(Roots roots, std::int64_t pageSize)
    : roots_(std::move(roots)), pageSize_(pageSize) {}

std::int64_t Sysctl::systemPageSize() {
    const long size = ::sysconf(_SC_PAGESIZE);
    return size > 0 ? size : 4096;
}

std::optional<QByteArray> Sysctl::value(const QString& name) const {
    using Reader = std::function<std::optional<QByteArray>(const Roots&, std::int64_t)>;
    static const std::unordered_map<std::string, Reader> readers = {
        {"machdep.cpu.brand_string", [](const Roots& r, auto) { return textBytes(cpuBrand(r)); }},
        {"hw.model", [](const Roots& r, auto) { return textBytes(machineModel(r)); }},
        {"hw.nperflevels",
         [](const Roots& r, auto) {
             return int32Bytes(std::int64_t(readCpuTopology(r).levelCounts.size()));
         }},
        {"hw.perflevel0.logicalcpu",
         [](const Roots& r, auto) { return int32Bytes(levelCount(r, 0)); }},
        {"hw.perflevel1.logicalcpu",
         [](const Roots& r, auto) { return int32Bytes(levelCount(r, 1)); }},
        {"hw.physicalcpu",
         [](const Roots& r, auto) { return int32Bytes(readCpuTopology(r).physicalCores); }},
        {"hw.logicalcpu",
         [](const Roots& r, auto) {
             return int32Bytes(std::int64_t(readCpuTopology(r).online.size()));
         }},
        {"hw.pagesize",
         [](const Roots&, std::int64_t page) { return std::optional(bytesOf(page)); }},
        {"hw.memsize",
         [](const Roots& r, auto) -> std::optional<QByteArray> {
             const auto bytes = readPhysicalMemory(r);
             if (!bytes || *bytes > std::uint64_t(INT64_MAX))
                 return std::nullopt;
             return bytesOf(std::int64_t(*bytes));
         }},
        {"kern.boottime",
         [](const Roots& r, auto) -> std::optional<QByteArray> {
             const auto seconds = readBootTime(r);
             if (!seconds)
                 return std::nullopt;
             return bytesOf(Timeval{*seconds, 0});
         }},
        {"kern.memorystatus_level",
         [](const Roots& r, auto) { return int32Bytes(readAvailablePercent(r)); }},
        {"kern.memorystatus_vm_pressure_level",
         [](const Roots& r, auto) { return int32Bytes(readPressureLevel(r)); }},
        {"vm.swapusage",
         [](const Roots& r, std::int64_t page) -> std::optional<QByteArray> {
             const auto swap = readSwapUsage(r);
             if (!swap)
                 return std::nullopt;
             return bytesOf(
                 XswUsage{swap->total, swap->avail, swap->used, std::uint32_t(page), false});
         }},
    };
    const auto it = readers.find(name.toStdString());
    if (it == readers.end())
        return std::nullopt;
    return it->second(roots_, pageSize_);
}

std::optional<QString> Sysctl::string(const QString& name) const {
    const auto bytes = value(name);
    if (!bytes || bytes->isEmpty())
        return std::nullopt;
    const qsizetype nul = bytes->indexOf('\0');
    return QString::fromUtf8(nul < 0 ? *bytes : bytes->left(nul));
}

std::optional<std::int64_t> Sysctl::integer(const QString& name) const {
    const auto bytes = value(name);
    if (!bytes)
        return std::nullopt;
    if (bytes->size() == 8) {
        std::int64_t wide = 0;
        std::memcpy(&wide, bytes->constData(), 8);
        return wide;
    }
    if (bytes->size() == 4) {
        std::int32_t narrow = 0;
        std::memcpy(&narrow, bytes->constData(), 4);
        return narrow;
    }
    return std::nullopt;
}

} // namespace morvanex::platform
