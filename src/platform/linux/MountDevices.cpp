#include "platform/linux/MountDevices.h"

#include "platform/ParseNumber.h"
#include "platform/linux/ProcFiles.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>

namespace morvanex::platform {
namespace {

// Deeper stacks than this (a volume group on RAID on encrypted partitions is three) are
// treated as a loop in the data rather than followed.
constexpr int maximumStackDepth = 8;

// "8:17" from a sysfs dev file.
bool readDeviceNumber(const QString& path, BlockDevice& device) {
    const auto line = procfiles::readLine(path);
    if (!line)
        return false;
    const qsizetype colon = line->indexOf(':');
    if (colon < 0)
        return false;
    const auto major = parseInteger<std::uint32_t>(line->left(colon));
    const auto minor = parseInteger<std::uint32_t>(line->mid(colon + 1));
    if (!major || !minor)
        return false;
    device.major = *major;
    device.minor = *minor;
    return true;
}

// The "E:KEY=value" properties the device manager stored for one block device.
QHash<QByteArray, QByteArray> deviceManagerProperties(const Roots& roots,
                                                      const BlockDevice& device) {
    QHash<QByteArray, QByteArray> properties;
    const QString path = roots.run + QStringLiteral("/udev/data/b") +
                         QString::number(device.major) + QLatin1Char(':') +
                         QString::number(device.minor);
    const auto text = procfiles::read(path);
    if (!text)
        return properties;
    for (const QByteArray& line : text->split('\n')) {
        if (!line.startsWith("E:"))
            continue;
        const qsizetype equals = line.indexOf('=');
        if (equals > 2)
            properties.insert(line.mid(2, equals - 2), line.mid(equals + 1));
    }
    return properties;
}

QString label(const QHash<QByteArray, QByteArray>& properties) {
    // The encoded form keeps spaces and non-ASCII letters; the plain one replaces them.
    if (const auto encoded = properties.value("ID_FS_LABEL_ENC"); !encoded.isEmpty())
        return decodeDeviceManagerValue(encoded);
    return QString::fromUtf8(properties.value("ID_FS_LABEL"));
}

bool readFlag(const QString& path) {
    return procfiles::readInteger(path).value_or(0) == 1;
}

// sysfs writes "/" in device names as "!" (cciss!c0d0).
QString kernelName(const QString& sysfsName) {
    return QString(sysfsName).replace('!', '/');
}

BlockDevice readDevice(const Roots& roots, const QString& folder, const QString& sysfsName,
                       const QString& disk) {
    BlockDevice device;
    device.name = kernelName(sysfsName);
    device.disk = disk;
    readDeviceNumber(folder + QStringLiteral("/dev"), device);
    if (const auto name = procfiles::readLine(folder + QStringLiteral("/dm/name")))
        device.mapperName = QString::fromUtf8(*name);
    for (const QString& slave : QDir(folder + QStringLiteral("/slaves"))
                                    .entryList(QDir::AllEntries | QDir::NoDotAndDotDot))
        device.slaves.append(kernelName(slave));
    const auto properties = deviceManagerProperties(roots, device);
    device.label = label(properties);
    device.usb = properties.value("ID_BUS") == "usb";
    return device;
}

} // namespace

QString decodeDeviceManagerValue(const QByteArray& value) {
    QByteArray bytes;
    bytes.reserve(value.size());
    for (qsizetype i = 0; i < value.size(); ++i) {
        if (value[i] == '\\' && i + 3 < value.size() && value[i + 1] == 'x') {
            const auto byte = parseInteger<std::uint8_t>(QByteArrayView(value).sliced(i + 2, 2),
                                                         NumberText::exact, 16);
            if (byte) {
                bytes.append(char(*byte));
                i += 3;
                continue;
            }
        }
        bytes.append(value[i]);
    }
    return QString::fromUtf8(bytes);
}

MountDevices MountDevices::read(const Roots& roots) {
    MountDevices result;
    const QString blockFolder = roots.sys + QStringLiteral("/block");
    const QStringList disks =
        QDir(blockFolder).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    for (const QString& sysfsName : disks) {
        const QString folder = blockFolder + QLatin1Char('/') + sysfsName;
        BlockDevice disk = readDevice(roots, folder, sysfsName, kernelName(sysfsName));
        disk.removable = readFlag(folder + QStringLiteral("/removable"));
        // The device manager names the bus; without its database the device's place in the
        // hardware tree tells the same.
        disk.usb =
            disk.usb || QFileInfo(folder).canonicalFilePath().contains(QStringLiteral("/usb"));
        const QStringList children =
            QDir(folder).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
        for (const QString& child : children) {
            // A partition's folder bears the disk's name ("sda1", "nvme0n1p2"); the others
            // (queue, holders, power, ...) are not asked about, which would fail on every scan.
            if (!child.startsWith(sysfsName))
                continue;
            const QString childFolder = folder + QLatin1Char('/') + child;
            if (!QFileInfo::exists(childFolder + QStringLiteral("/partition")))
                continue;
            BlockDevice partition = readDevice(roots, childFolder, child, disk.name);
            partition.removable = disk.removable;
            partition.usb = partition.usb || disk.usb;
            result.devices_.push_back(std::move(partition));
        }
        result.devices_.push_back(std::move(disk));
    }
    return result;
}

std::optional<BlockDevice> MountDevices::byNumber(std::uint32_t major, std::uint32_t minor) const {
    for (const BlockDevice& device : devices_)
        if (device.major == major && device.minor == minor)
            return device;
    return std::nullopt;
}

std::optional<BlockDevice> MountDevices::byName(const QString& name) const {
    for (const BlockDevice& device : devices_)
        if (device.name == name)
            return device;
    return std::nullopt;
}

std::optional<BlockDevice> MountDevices::bySource(const QString& source) const {
    const QString dev = QStringLiteral("/dev/");
    if (!source.startsWith(dev))
        return std::nullopt;
    const QString mapper = QStringLiteral("/dev/mapper/");
    if (source.startsWith(mapper)) {
        const QString name = source.mid(mapper.size());
        for (const BlockDevice& device : devices_)
            if (device.mapperName == name)
                return device;
    }
    if (const auto device = byName(source.mid(dev.size())))
        return device;
    // /dev/disk/by-uuid/... and /dev/vg/lv are links to the kernel's name.
    const QString target = QFileInfo(source).canonicalFilePath();
    if (target.startsWith(dev) && target != source)
        return byName(target.mid(dev.size()));
    return std::nullopt;
}

bool MountDevices::anyBeneath(const BlockDevice& device, bool BlockDevice::*flag, int depth) const {
    if (device.*flag)
        return true;
    if (depth >= maximumStackDepth)
        return false;
    for (const QString& slave : device.slaves) {
        if (const auto below = byName(slave); below && anyBeneath(*below, flag, depth + 1))
            return true;
    }
    return false;
}

bool MountDevices::isRemovable(const BlockDevice& device) const {
    return anyBeneath(device, &BlockDevice::removable, 0);
}

bool MountDevices::isUsb(const BlockDevice& device) const {
    return anyBeneath(device, &BlockDevice::usb, 0);
}

} // namespace morvanex::platform
