#pragma once

#include "platform/Roots.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>
#include <vector>

namespace morvanex::platform {

// What the block layer (/sys/block) and the device manager's database (/run/udev/data) say
// about one block device that a file system may be mounted from.
struct BlockDevice {
    QString name; // kernel name, as under /dev: "sdb1", "dm-0", "nvme0n1p2"
    std::uint32_t major = 0;
    std::uint32_t minor = 0;
    QString disk;           // the whole disk holding it; its own name for a whole disk
    QString mapperName;     // device-mapper name ("cryptdata"); empty for other devices
    QStringList slaves;     // the devices a stacked device (device mapper, RAID) is built on
    bool removable = false; // the disk reports removable media (card readers, optical drives)
    bool usb = false;       // the disk is attached over USB
    QString label;          // the file system's label; empty when it has none or none is known

    bool operator==(const BlockDevice&) const = default;
};

// The block devices of the machine, read once, to tell which drive a mount lives on.
class MountDevices {
public:
    static MountDevices read(const Roots& roots);

    // By the device number the mount table gives.
    std::optional<BlockDevice> byNumber(std::uint32_t major, std::uint32_t minor) const;
    // By the mount table's source: "/dev/sdb1", "/dev/mapper/cryptdata", a /dev link.
    std::optional<BlockDevice> bySource(const QString& source) const;

    // The device's disk, or for a stacked device any disk beneath it, has removable media or
    // sits on USB.
    bool isRemovable(const BlockDevice& device) const;
    bool isUsb(const BlockDevice& device) const;

    const std::vector<BlockDevice>& devices() const { return devices_; }

private:
    std::optional<BlockDevice> byName(const QString& name) const;
    bool anyBeneath(const BlockDevice& device, bool BlockDevice::*flag, int depth) const;

    std::vector<BlockDevice> devices_;
};

// A device-manager value with "\xNN" escapes ("My\x20Stick") as text; bytes that are not
// UTF-8 become replacement characters.
QString decodeDeviceManagerValue(const QByteArray& value);

} // namespace morvanex::platform
