#pragma once

#include <QByteArray>
#include <array>
#include <map>
#include <optional>

namespace morvanex::test {

// The test's own reads of this machine's Linux sources, for comparing a reading with the
// machine itself. Each is read whole on every call; nothing is kept.

// /proc/meminfo's fields in bytes ("MemTotal", "AnonPages", ...).
std::map<QByteArray, double> meminfoBytes();

// The kernel's own memory: SUnreclaim, KernelStack and PageTables, in bytes. Locked pages
// (Unevictable) are not the kernel's: they belong to processes or files and count there.
double wiredBytes(const std::map<QByteArray, double>& meminfo);

// Memory processes hold that nothing can reclaim without swap: their anonymous pages and the
// shared memory of tmpfs files and segments (AnonPages + Shmem), in bytes.
double appBytes(const std::map<QByteArray, double>& meminfo);

// The three load averages of /proc/loadavg.
std::array<double, 3> loadAverages();

// Seconds since boot from /proc/uptime.
double uptimeSeconds();

// The number of logical processors in /sys/devices/system/cpu/online ("0-3,5,7-8").
int onlineProcessors();
int onlineProcessors(const QByteArray& list);

struct VolumeSpace {
    double size = 0;      // bytes
    double available = 0; // bytes an unprivileged writer may still use
    double used = 0;      // bytes in blocks that are not free (f_blocks - f_bfree), as df counts

    // The share in use as df counts it: of the used and the available space together, so the
    // blocks kept back for root count as neither.
    double usedPercent() const {
        return used + available > 0 ? used / (used + available) * 100 : 0;
    }
};
// statvfs of `path`; nothing when it fails.
std::optional<VolumeSpace> volumeSpace(const char* path);

// A counter of /proc/vmstat by name ("pswpin"); nothing when the file or the line is missing.
std::optional<double> vmstatCounter(const char* name);

// The number of processes in /proc.
int processCount();

} // namespace morvanex::test
