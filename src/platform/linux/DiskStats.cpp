#include "platform/linux/DiskStats.h"

#include "platform/ParseNumber.h"
#include "platform/linux/ProcFiles.h"

#include <QFileInfo>
#include <QList>
#include <array>
#include <limits>

namespace morvanex::platform {
namespace {

constexpr std::uint64_t sectorBytes = 512;

std::optional<std::uint64_t> bytes(QByteArrayView sectors) {
    const auto count = parseInteger<std::uint64_t>(sectors);
    if (!count || *count > std::numeric_limits<std::uint64_t>::max() / sectorBytes)
        return std::nullopt;
    return *count * sectorBytes;
}

struct DiskRow {
    QByteArray device; // "major:minor"
    DiskCounters counters;
};

std::vector<DiskRow> parseRows(const QByteArray& text) {
    // major minor name reads merged sectors-read ms writes merged sectors-written ...
    std::vector<DiskRow> rows;
    procfiles::forEachLine(text, [&](QByteArrayView line) {
        std::array<QByteArrayView, 10> fields;
        if (procfiles::splitFields(line, fields) < 10)
            return true;
        const auto read = bytes(fields[5]);
        const auto written = bytes(fields[9]);
        const auto major = parseInteger<std::uint64_t>(fields[0]);
        const auto minor = parseInteger<std::uint64_t>(fields[1]);
        if (!read || !written || !major || !minor)
            return true;
        rows.push_back(
            {QByteArray::number(quint64(*major)) + ':' + QByteArray::number(quint64(*minor)),
             {QString::fromUtf8(fields[2]), *read, *written}});
        return true;
    });
    return rows;
}

} // namespace

std::vector<DiskCounters> parseDiskStats(const QByteArray& text) {
    std::vector<DiskCounters> disks;
    for (DiskRow& row : parseRows(text))
        disks.push_back(std::move(row.counters));
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
    DiskStatsReader reader(roots);
    return reader.read();
}

DiskStatsReader::DiskStatsReader(Roots fileRoots) : roots(std::move(fileRoots)) {}

std::optional<std::vector<DiskCounters>> DiskStatsReader::read() {
    static procfiles::LoggedRead file("disk rates");
    const auto text = file.read(roots.proc + QStringLiteral("/diskstats"));
    if (!text)
        return std::nullopt;
    std::vector<DiskRow> rows = parseRows(*text);
    // Rows that are gone are forgotten, so a device that returns is asked about again.
    std::map<std::pair<QString, QByteArray>, bool> physical;
    std::vector<DiskCounters> disks;
    for (DiskRow& row : rows) {
        auto key = std::make_pair(row.counters.name, std::move(row.device));
        const auto known = physical_.find(key);
        bool isPhysical = false;
        if (known != physical_.end()) {
            isPhysical = known->second;
        } else {
            isPhysical = isPhysicalDisk(roots, row.counters.name);
            ++probes_;
        }
        physical.emplace(std::move(key), isPhysical);
        if (isPhysical)
            disks.push_back(std::move(row.counters));
    }
    physical_ = std::move(physical);
    return disks;
}

} // namespace morvanex::platform
