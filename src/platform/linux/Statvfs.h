#pragma once

#include <QString>
#include <functional>
#include <optional>
#include <sys/statvfs.h>

namespace morvanex::platform {

// The size of the file system holding a folder, in bytes.
struct VolumeSpace {
    double total = 0;     // all blocks
    double available = 0; // blocks an ordinary user may still fill (root's reserve excluded)
    double reserved = 0;  // free blocks kept back for root: free, but for no ordinary user

    bool operator==(const VolumeSpace&) const = default;
};

// How a volume's space is read; a function so tests can answer for paths of a fixture.
using StatvfsFunction = std::function<std::optional<VolumeSpace>(const QString& folder)>;

// The space of a statvfs answer in bytes. Blocks count in f_frsize units (f_bsize where a file
// system leaves that 0).
VolumeSpace volumeSpaceOf(const struct statvfs& info);

// statvfs of a folder. Nothing when the path is not a folder (a file bound over another file
// is no volume) or the call fails. Blocks as long as the file system does: a network share
// whose server is gone can hang it indefinitely (see BoundedStatvfs).
std::optional<VolumeSpace> readStatvfs(const QString& folder);

} // namespace morvanex::platform
