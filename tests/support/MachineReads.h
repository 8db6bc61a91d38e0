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

// The kernel's own unmovable memory as the memory figures count it: SUnreclaim, KernelStack,
// PageTables and Unevictable, in bytes.
double wiredBytes(const std::map<QByteArray, double>& meminfo);

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
};
// statvfs of `path`; nothing when it fails.
std::optional<VolumeSpace> volumeSpace(const char* path);

// The number of processes in /proc.
int processCount();

} // namespace morvanex::test
