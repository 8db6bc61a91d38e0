#pragma once

#include "platform/linux/MountTable.h"

#include <QString>
#include <vector>

namespace morvanex::platform {

// File systems reached over the network: their volumes are not local.
bool isNetworkFileSystem(const QString& fsType);

// Reading the space of this mount can wait on a server or a user-space daemon indefinitely.
bool mayHang(const MountEntry& entry);

// Mount points the system keeps for itself (boot and firmware partitions): mounted, but no
// place for the user's files.
bool isSystemFolder(const QString& mountPoint);

// The mounts that are volumes, in mount-table order. Left out:
// - pseudo and memory file systems (proc, sysfs, tmpfs, cgroup, overlay, autofs...): only
//   file systems on a block device, network shares and ZFS datasets count;
// - mounts hidden under a later mount on the same mount point;
// - repeated mounts of one file system (bind mounts, btrfs subvolumes, ZFS datasets of one
//   pool), which would list the same space twice: the mount at "/" is kept, else one of the
//   whole file system, else the first.
std::vector<MountEntry> volumeMounts(const std::vector<MountEntry>& table);

} // namespace morvanex::platform
