#pragma once

#include "monitors/History.h"
#include "platform/Clock.h"
#include "platform/Roots.h"
#include "platform/linux/DiskStats.h"
#include "platform/linux/MountedVolumes.h"
#include "platform/linux/Statvfs.h"

#include <QHash>
#include <QString>
#include <QUrl>
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <limits>
#include <optional>
#include <vector>

namespace morvanex {

// The mounted volumes with their capacities, and the machine's total disk activity (bytes
// read and written per second over all physical disks) with short histories of both rates.
// Main thread only.
class DiskMonitor {
public:
    struct Volume {
        QUrl url; // the mount point
        QString name;
        double total = 0;              // bytes
        double available = 0;          // bytes; 0 when the system gives none
        double availableImportant = 0; // never below available
        // Free space only root may fill (ext4 keeps 5 % by default): neither used nor free.
        double reserved = 0; // bytes, at most total
        bool isRemovable = false;
        bool isLocal = true;
        bool isRoot = false;

        QString id() const { return url.toLocalFile(); }

        // Every reading of how full a volume is comes from these two, by Linux's own rule (the
        // one df and file managers follow): used is every block that is not free, the free
        // space is what an ordinary user may still fill, and the share is of the two together,
        // so root's reserve counts as neither.
        double used() const { return std::max(total - reserved - availableImportant, 0.0); }
        // Percent, 0...100; 0 for a volume with neither used nor free space.
        double usedPercent() const {
            const double inUse = used();
            const double usable = inUse + availableImportant;
            return usable > 0 ? inUse / usable * 100 : 0;
        }
        bool operator==(const Volume&) const = default;
    };

    struct Bytes {
        std::uint64_t read = 0;
        std::uint64_t write = 0;
        bool operator==(const Bytes&) const = default;
    };

    // `statvfs` reads a volume's space; network and user-space file systems are read through
    // it off this thread, waited for at most `bound`.
    explicit DiskMonitor(platform::Roots roots = platform::Roots::system(),
                         platform::Clock clock = platform::Clock::system(),
                         platform::StatvfsFunction statvfs = platform::readStatvfs,
                         std::chrono::milliseconds bound = std::chrono::milliseconds(200));

    // One activity sample: rates since the previous one, appended to the histories.
    void sampleActivity();
    // Rebuilds `volumes` from the mounted volumes.
    void scanVolumes(bool includeNetwork, bool includeRemovable);

    // The rates have been measured over an interval: the first sample has none behind it.
    bool hasRates() const { return !readHistory.values.empty(); }

    // The first root volume, else the first volume; nothing for an empty list.
    std::optional<Volume> startupVolume() const;

    // The list is empty or its last scan began more than 10 seconds ago.
    bool volumeScanDue() const;

    // The volume list from the values of the mounted volumes, in the given order: filtered
    // (hidden, empty, read-only, and unless asked for network and removable volumes left out)
    // and sorted, root volumes first, then by name.
    static std::vector<Volume> volumesFrom(const std::vector<platform::VolumeValues>& values,
                                           bool includeNetwork, bool includeRemovable);

    std::vector<Volume> volumes;
    double readRate = 0;  // bytes per second
    double writeRate = 0; // bytes per second
    History readHistory{120};
    History writeHistory{120};
    std::optional<Bytes> lastBytes;   // summed totals of the last sample
    std::optional<double> lastSample; // monotonic seconds of the last sample
    // Monotonic seconds at which the last volume scan began; the distant past before the first.
    double lastVolumeScan = -std::numeric_limits<double>::infinity();

private:
    platform::Roots roots_;
    platform::Clock clock_;
    platform::MountedVolumes mounted_;
    // The physical disks' counters; which rows are physical disks is kept between samples.
    platform::DiskStatsReader diskStats_;
    // Each disk's totals at the last sample, by kernel name: rates are the sums of each
    // disk's own growth, so a disk that comes or goes adds nothing but its real traffic.
    QHash<QString, Bytes> lastDisks_;
};

} // namespace morvanex
