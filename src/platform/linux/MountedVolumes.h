#pragma once

#include "platform/Roots.h"
#include "platform/linux/MountDevices.h"
#include "platform/linux/MountTable.h"
#include "platform/linux/Statvfs.h"
#include "platform/linux/StatvfsBounded.h"

#include <QString>
#include <chrono>
#include <optional>
#include <vector>

namespace morvanex::platform {

// What the volume list asks of one mounted volume. A value Linux has no answer for is absent.
struct VolumeValues {
    QString path; // the mount point
    std::optional<QString> name;
    std::optional<double> total;
    std::optional<double> available;
    // Free space only root may fill (the file system's reserve): neither used nor available.
    std::optional<double> reserved;
    // Linux keeps no purgeable space that it would free for important use: always absent.
    std::optional<double> availableImportant;
    std::optional<bool> isRemovable; // the drive has removable media
    std::optional<bool> isEjectable; // the drive is attached over USB
    std::optional<bool> isLocal;
    std::optional<bool> isBrowsable;
    std::optional<bool> isRootFileSystem;
    std::optional<bool> isReadOnly;

    bool operator==(const VolumeValues&) const = default;
};

// The mounted volumes of the machine with their values, from the mount table, the block
// devices and statvfs. Keeps the reads of network shares that have not come back, so one
// object serves every scan.
class MountedVolumes {
public:
    explicit MountedVolumes(Roots roots = Roots::system(), StatvfsFunction statvfs = readStatvfs,
                            std::chrono::milliseconds bound = std::chrono::milliseconds(200));

    // In mount-table order, without pseudo file systems and repeated mounts of one file system
    // (see volumeMounts) and without the volumes whose space cannot be read. The space of a
    // network or user-space file system is waited for at most the bound.
    std::vector<VolumeValues> list();

    // Devices do not change under a mounted volume; what may (a label) is read again after this
    // many lists without a change of mounts.
    static constexpr int devicesRefreshLists = 30;

    // How many times the block devices were read, for tests.
    int deviceReads() const { return deviceReads_; }

private:
    // The block devices, read again when the mount table differs from the one they were read
    // for, and otherwise every devicesRefreshLists lists.
    const MountDevices& devicesFor(const std::vector<MountEntry>& table);

    const Roots roots_;
    const StatvfsFunction statvfs_;
    BoundedStatvfs bounded_;
    std::optional<MountDevices> devices_;
    std::vector<MountEntry> devicesTable_;
    int listsSinceDevices_ = 0;
    int deviceReads_ = 0;
};

} // namespace morvanex::platform
