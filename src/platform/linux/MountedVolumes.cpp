#include "platform/linux/MountedVolumes.h"

#include "platform/linux/MountFilter.h"

namespace morvanex::platform {

MountedVolumes::MountedVolumes(Roots roots, StatvfsFunction statvfs,
                               std::chrono::milliseconds bound)
    : roots_(std::move(roots)), statvfs_(statvfs), bounded_(std::move(statvfs), bound) {}

std::vector<VolumeValues> MountedVolumes::list() {
    std::vector<VolumeValues> volumes;
    const auto table = readMountTable(roots_);
    if (!table)
        return volumes;
    const MountDevices& devices = devicesFor(*table);
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
        volume.reserved = space->reserved;
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

const MountDevices& MountedVolumes::devicesFor(const std::vector<MountEntry>& table) {
    if (!devices_ || table != devicesTable_ || ++listsSinceDevices_ >= devicesRefreshLists) {
        devices_ = MountDevices::read(roots_);
        devicesTable_ = table;
        listsSinceDevices_ = 0;
        ++deviceReads_;
    }
    return *devices_;
}

} // namespace morvanex::platform
