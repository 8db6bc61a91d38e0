#pragma once

#include "platform/Roots.h"

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <map>
#include <optional>
#include <utility>
#include <vector>

namespace morvanex::platform {

// Bytes moved by one block device since it appeared.
struct DiskCounters {
    QString name;
    std::uint64_t bytesRead = 0;
    std::uint64_t bytesWritten = 0;

    bool operator==(const DiskCounters&) const = default;
};

// Every row of a /proc/diskstats text, in the kernel's order. The kernel counts sectors of
// 512 bytes whatever the drive's own sector size. Rows that do not parse are skipped.
std::vector<DiskCounters> parseDiskStats(const QByteArray& text);

// The drive is a whole physical disk: a device of the hardware (a /sys/block entry with a
// device behind it). Partitions, loop devices, device-mapper and RAID volumes, zram and RAM
// disks pass their traffic on to a disk that is counted already, or to none.
bool isPhysicalDisk(const Roots& roots, const QString& name);

// The counters of the whole physical disks; nothing when /proc/diskstats cannot be read.
std::optional<std::vector<DiskCounters>> readDiskStats(const Roots& roots);

// readDiskStats that keeps what it learnt of each disk: whether a block device is a physical
// disk does not change while it exists, and asking costs a failing file-system call for every
// partition, loop device and virtual disk. A disk is asked about again only when the set of
// rows in /proc/diskstats changes (a new name or new device numbers). Main thread only.
class DiskStatsReader {
public:
    explicit DiskStatsReader(Roots roots);

    // As readDiskStats(roots).
    std::optional<std::vector<DiskCounters>> read();

    // How many disks have been asked about so far.
    int probes() const { return probes_; }

    const Roots roots;

private:
    // Name and the kernel's device numbers ("major:minor").
    std::map<std::pair<QString, QByteArray>, bool> physical_;
    int probes_ = 0;
};

} // namespace morvanex::platform
