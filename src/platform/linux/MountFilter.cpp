#include "platform/linux/MountFilter.h"

#include <QHash>
#include <QSet>
#include <algorithm>
#include <array>

namespace morvanex::platform {
namespace {

bool isZfs(const MountEntry& entry) {
    return entry.fsType == QStringLiteral("zfs");
}

// What two mounts of the same file system share: the superblock's device number, or for ZFS,
// whose datasets each have their own, the pool.
QString fileSystemKey(const MountEntry& entry) {
    if (isZfs(entry))
        return QStringLiteral("zfs:") + entry.source.section(QLatin1Char('/'), 0, 0);
    return QString::number(entry.major) + QLatin1Char(':') + QString::number(entry.minor);
}

// Lower is the better mount to keep of one file system.
int preference(const MountEntry& entry) {
    if (entry.mountPoint == QStringLiteral("/"))
        return 0;
    if (entry.root == QStringLiteral("/"))
        return 1;
    return 2;
}

bool isVolumeSource(const MountEntry& entry) {
    return isNetworkFileSystem(entry.fsType) || entry.source.startsWith(QStringLiteral("/dev/")) ||
           isZfs(entry);
}

} // namespace

bool isNetworkFileSystem(const QString& fsType) {
    static const QSet<QString> network = {
        QStringLiteral("nfs"),          QStringLiteral("nfs4"),
        QStringLiteral("cifs"),         QStringLiteral("smb3"),
        QStringLiteral("smbfs"),        QStringLiteral("ncpfs"),
        QStringLiteral("afs"),          QStringLiteral("ceph"),
        QStringLiteral("glusterfs"),    QStringLiteral("lustre"),
        QStringLiteral("davfs"),        QStringLiteral("sshfs"),
        QStringLiteral("fuse.sshfs"),   QStringLiteral("fuse.rclone"),
        QStringLiteral("fuse.s3fs"),    QStringLiteral("fuse.glusterfs"),
        QStringLiteral("fuse.gcsfuse"),
    };
    return network.contains(fsType);
}

bool mayHang(const MountEntry& entry) {
    return isNetworkFileSystem(entry.fsType) || entry.fsType.startsWith(QStringLiteral("fuse"));
}

bool isSystemFolder(const QString& mountPoint) {
    for (const QString& folder : {QStringLiteral("/boot"), QStringLiteral("/efi")}) {
        if (mountPoint == folder || mountPoint.startsWith(folder + QLatin1Char('/')))
            return true;
    }
    return false;
}

std::vector<MountEntry> volumeMounts(const std::vector<MountEntry>& table) {
    QHash<QString, std::size_t> lastOnMountPoint;
    for (std::size_t i = 0; i < table.size(); ++i)
        lastOnMountPoint.insert(table[i].mountPoint, i);

    // The chosen mount of each file system, by position in the table.
    QHash<QString, std::size_t> chosen;
    for (std::size_t i = 0; i < table.size(); ++i) {
        const MountEntry& entry = table[i];
        if (lastOnMountPoint.value(entry.mountPoint) != i || !isVolumeSource(entry))
            continue;
        const QString key = fileSystemKey(entry);
        const auto found = chosen.constFind(key);
        if (found == chosen.cend() || preference(entry) < preference(table[*found]))
            chosen.insert(key, i);
    }
    std::vector<std::size_t> kept(chosen.cbegin(), chosen.cend());
    std::sort(kept.begin(), kept.end());
    std::vector<MountEntry> volumes;
    volumes.reserve(kept.size());
    for (const std::size_t i : kept)
        volumes.push_back(table[i]);
    return volumes;
}

} // namespace morvanex::platform
