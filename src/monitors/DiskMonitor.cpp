#include "monitors/DiskMonitor.h"

#include "platform/linux/DiskStats.h"

#include <algorithm>

namespace morvanex {
namespace {

constexpr double volumeScanInterval = 10;

// The last component of a mount path; "/" for the root itself.
QString lastPathComponent(const QString& path) {
    QString trimmed = path;
    while (trimmed.size() > 1 && trimmed.endsWith(QLatin1Char('/')))
        trimmed.chop(1);
    if (trimmed == QStringLiteral("/") || trimmed.isEmpty())
        return QStringLiteral("/");
    return trimmed.section(QLatin1Char('/'), -1);
}

std::uint64_t growth(std::uint64_t now, std::uint64_t before) {
    return now >= before ? now - before : 0;
}

} // namespace

DiskMonitor::DiskMonitor(platform::Roots roots, platform::Clock clock,
                         platform::StatvfsFunction statvfs, std::chrono::milliseconds bound)
    : roots_(roots), clock_(std::move(clock)),
      mounted_(std::move(roots), std::move(statvfs), bound), diskStats_(roots_) {}

std::vector<DiskMonitor::Volume>
DiskMonitor::volumesFrom(const std::vector<platform::VolumeValues>& values, bool includeNetwork,
                         bool includeRemovable) {
    std::vector<Volume> list;
    for (const platform::VolumeValues& value : values) {
        if (value.isBrowsable == false)
            continue;
        if (!value.total || !(*value.total >= 1))
            continue;
        const bool removable =
            value.isRemovable.value_or(false) || value.isEjectable.value_or(false);
        bool root = value.isRootFileSystem.value_or(false);
        if (!root) {
            root = value.path == QStringLiteral("/");
            if (value.isReadOnly.value_or(false) && !root)
                continue;
        }
        const bool local = value.isLocal.value_or(true);
        if (!local && !includeNetwork)
            continue;
        if (removable && !includeRemovable)
            continue;

        Volume volume;
        volume.url = QUrl::fromLocalFile(value.path);
        volume.name = value.name.value_or(lastPathComponent(value.path));
        volume.total = *value.total;
        volume.available = value.available.value_or(0);
        volume.availableImportant = value.availableImportant
                                        ? std::max(volume.available, *value.availableImportant)
                                        : volume.available;
        const double reserved = value.reserved.value_or(0);
        volume.reserved = reserved > 0 ? std::min(reserved, volume.total) : 0;
        volume.isRemovable = removable;
        volume.isLocal = local;
        volume.isRoot = root;
        list.push_back(std::move(volume));
    }
    // Plain Unicode order: upper-case letters before lower-case, nothing localized.
    std::stable_sort(list.begin(), list.end(), [](const Volume& a, const Volume& b) {
        if (a.isRoot != b.isRoot)
            return a.isRoot;
        return a.name.toUcs4() < b.name.toUcs4();
    });
    return list;
}

void DiskMonitor::scanVolumes(bool includeNetwork, bool includeRemovable) {
    lastVolumeScan = clock_.monotonic();
    volumes = volumesFrom(mounted_.list(), includeNetwork, includeRemovable);
}

std::optional<DiskMonitor::Volume> DiskMonitor::startupVolume() const {
    const auto root = std::find_if(volumes.begin(), volumes.end(),
                                   [](const Volume& volume) { return volume.isRoot; });
    if (root != volumes.end())
        return *root;
    if (!volumes.empty())
        return volumes.front();
    return std::nullopt;
}

bool DiskMonitor::volumeScanDue() const {
    return volumes.empty() || clock_.monotonic() - lastVolumeScan > volumeScanInterval;
}

void DiskMonitor::sampleActivity() {
    const auto disks = diskStats_.read();
    const double now = clock_.monotonic();
    const bool measurable = lastBytes && lastSample && now - *lastSample > 0;
    if (!disks) {
        // Nothing read: no activity to show this tick. The last reading stays the base of the
        // next one; measuring from zero would show every byte since boot as one burst.
        if (measurable) {
            readRate = 0;
            writeRate = 0;
            readHistory.add(readRate);
            writeHistory.add(writeRate);
        }
        return;
    }

    Bytes sums;
    Bytes moved;
    QHash<QString, Bytes> current;
    for (const platform::DiskCounters& disk : *disks) {
        const Bytes totals{disk.bytesRead, disk.bytesWritten};
        sums.read += totals.read;
        sums.write += totals.write;
        // A disk new since the last sample has no base yet; a disk whose counters went down
        // was replaced under the same name. Neither has measurable traffic this time.
        if (const auto before = lastDisks_.constFind(disk.name); before != lastDisks_.cend()) {
            moved.read += growth(totals.read, before->read);
            moved.write += growth(totals.write, before->write);
        }
        current.insert(disk.name, totals);
    }

    if (measurable) {
        const double interval = now - *lastSample;
        readRate = double(moved.read) / interval;
        writeRate = double(moved.write) / interval;
        readHistory.add(readRate);
        writeHistory.add(writeRate);
    }
    lastBytes = sums;
    lastSample = now;
    lastDisks_ = std::move(current);
}

} // namespace morvanex
