#include "platform/linux/MountedVolumes.h"

#include "platform/linux/MountDevices.h"
#include "platform/linux/MountFilter.h"
#include "platform/linux/MountTable.h"

namespace morvanex::platform {

MountedVolumes::MountedVolumes(Roots roots, StatvfsFunction statvfs,
                               std::chrono::milliseconds bound)
    : roots_(std::move(roots)), statvfs_(statvfs), bounded_(std::move(statvfs), bound) {}

std::vector<VolumeValues> MountedVolumes::list() {
    std::vector<VolumeValues> volumes;
    const auto table = readMountTable(roots_);
    if (!table)
        return volumes;
    const MountDevices devices = MountDevices::read(roots_);
    for (const MountEntry& mount : volumeMounts(*table)) {
        const auto space = mayHang(mount) ? bounded_(mount.mountPoint) : statvfs_(mount.mountPoint);
        if (!space)
            continue;
        // btrfs and other multi-device file systems report an anonymous device number; their
        // source names the device.
        auto device = mount.major != 0 ? devices.byNumber(mount.major, mount.minor) : std::nullopt;
        if (!device)
            device = devices.bySource(mount.source);

        VolumeValues volume;
        volume.path = mount.mountPoint;
        if (device && !device->label.isEmpty())
            volume.name = device->label;
        volume.total = space->total;
        volume.available = space->available;
        volume.isRemovable = device && devices.isRemovable(*device);
        volume.isEjectable = device && devices.isUsb(*device);
        volume.isLocal = !isNetworkFileSystem(mount.fsType);
        volume.isBrowsable = !isSystemFolder(mount.mountPoint);
        volume.isRootFileSystem = mount.mountPoint == QStringLiteral("/");
        volume.isReadOnly = mount.readOnly();
        volumes.push_back(std::move(volume));
    }
    return volumes;
}

} // namespace morvanex::platform
