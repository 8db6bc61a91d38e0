#include "platform/linux/DiskStats.h"

#include "platform/ParseNumber.h"
#include "platform/linux/ProcFiles.h"

#include <QFileInfo>
#include <QList>
#include <limits>

namespace morvanex::platform {
namespace {

constexpr std::uint64_t sectorBytes = 512;

std::optional<std::uint64_t> bytes(const QByteArray& sectors) {
    const auto count = parseInteger<std::uint64_t>(sectors);
    if (!count || *count > std::numeric_limits<std::uint64_t>::max() / sectorBytes)
        return std::nullopt;
    return *count * sectorBytes;
}

} // namespace

std::vector<DiskCounters> parseDiskStats(const QByteArray& text) {
    // major minor name reads merged sectors-read ms writes merged sectors-written ...
    std::vector<DiskCounters> disks;
    for (const QByteArray& line : text.split('\n')) {
        const QList<QByteArray> fields = line.simplified().split(' ');
        if (fields.size() < 10)
            continue;
        const auto read = bytes(fields[5]);
        const auto written = bytes(fields[9]);
        if (!read || !written || !parseInteger<std::uint64_t>(fields[0]) ||
            !parseInteger<std::uint64_t>(fields[1]))
            continue;
        disks.push_back({QString::fromUtf8(fields[2]), *read, *written});
    }
    return disks;
}

bool isPhysicalDisk(const Roots& roots, const QString& name) {
    // sysfs writes "/" in device names as "!" (cciss/c0d0 is cciss!c0d0).
    const QString folder = roots.sys + QStringLiteral("/block/") + QString(name).replace('/', '!');
    if (name.isEmpty() || name.contains(QStringLiteral("..")) ||
        !QFileInfo::exists(folder + QStringLiteral("/device")))
        return false;
    // Multipath NVMe keeps hidden per-path devices beside the one that counts.
    return procfiles::readInteger(folder + QStringLiteral("/hidden")).value_or(0) != 1;
}

std::optional<std::vector<DiskCounters>> readDiskStats(const Roots& roots) {
    static procfiles::LoggedRead file("disk rates");
    const auto text = file.read(roots.proc + QStringLiteral("/diskstats"));
    if (!text)
        return std::nullopt;
    std::vector<DiskCounters> disks;
    for (DiskCounters& disk : parseDiskStats(*text)) {
        if (isPhysicalDisk(roots, disk.name))
            disks.push_back(std::move(disk));
    }
    return disks;
}

} // namespace morvanex::platform
