#include "platform/linux/MountFilter.h"

#include <gtest/gtest.h>

using namespace morvanex::platform;

namespace {

QStringList mountPoints(const QByteArray& mountinfo) {
    QStringList points;
    for (const MountEntry& entry : volumeMounts(parseMountInfo(mountinfo)))
        points.append(entry.mountPoint);
    return points;
}

} // namespace

TEST(MountFilter, KeepsOneMountOfEachRealFileSystem) {
    struct Row {
        const char* name;
        QByteArray mountinfo;
        QStringList volumes;
    };
    const Row rows[] = {
        {"pseudo and memory file systems",
         "1 0 8:1 / / rw - ext4 /dev/sda1 rw\n"
         "2 1 0:21 / /proc rw - proc proc rw\n"
         "3 1 0:22 / /sys rw - sysfs sysfs rw\n"
         "4 1 0:5 / /dev rw - devtmpfs udev rw\n"
         "5 1 0:25 / /tmp rw - tmpfs tmpfs rw\n"
         "6 1 0:30 / /sys/fs/cgroup rw - cgroup2 cgroup2 rw\n"
         "7 1 0:60 / /var/lib/docker/x/merged rw - overlay overlay rw,lowerdir=/a\n"
         "8 1 0:61 / /mnt/auto rw - autofs systemd-1 rw\n"
         "9 1 0:62 / /run/user/1000/doc rw - fuse.portal portal rw\n",
         {"/"}},
        {"btrfs subvolumes of one file system",
         "1 0 0:40 /@ / rw - btrfs /dev/sda2 rw,subvol=/@\n"
         "2 1 0:40 /@home /home rw - btrfs /dev/sda2 rw,subvol=/@home\n"
         "3 1 0:41 /@data /srv/data rw - btrfs /dev/sdb1 rw,subvol=/@data\n"
         "4 1 0:41 /@backup /srv/backup rw - btrfs /dev/sdb1 rw,subvol=/@backup\n",
         {"/", "/srv/data"}},
        {"bind mount before the whole file system",
         "1 0 8:1 / / rw - ext4 /dev/sda1 rw\n"
         "2 1 8:17 /www /srv/www rw - ext4 /dev/sdb1 rw\n"
         "3 1 8:17 / /data rw - ext4 /dev/sdb1 rw\n"
         "4 1 8:1 /etc/hosts /etc/hosts rw - ext4 /dev/sda1 rw\n",
         {"/", "/data"}},
        {"two binds of one folder keep the first",
         "1 0 8:17 /a /x rw - ext4 /dev/sdb1 rw\n"
         "2 0 8:17 /b /y rw - ext4 /dev/sdb1 rw\n",
         {"/x"}},
        {"a later mount hides an earlier one on the same point",
         "1 0 8:1 / / rw - ext4 /dev/sda1 rw\n"
         "2 1 8:65 / /mnt/over rw - ext4 /dev/sde1 rw\n"
         "3 1 8:81 / /mnt/over rw - ext4 /dev/sdf1 rw\n",
         {"/", "/mnt/over"}},
        {"network shares without a device",
         "1 0 8:1 / / rw - ext4 /dev/sda1 rw\n"
         "2 1 0:50 / /mnt/nas rw - nfs4 nas:/export rw\n"
         "3 1 0:51 / /mnt/share rw - cifs //server/share rw\n"
         "4 1 0:52 / /home/a/remote rw - fuse.sshfs a@host:/ rw\n",
         {"/", "/mnt/nas", "/mnt/share", "/home/a/remote"}},
        {"ZFS datasets of one pool",
         "1 0 0:50 / / rw - zfs rpool/ROOT/debian rw\n"
         "2 1 0:51 / /home rw - zfs rpool/home rw\n"
         "3 1 0:52 / /tank rw - zfs tank rw\n",
         {"/", "/tank"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(mountPoints(row.mountinfo), row.volumes);
    }
}

TEST(MountFilter, SortsFileSystemTypes) {
    for (const char* type : {"nfs", "nfs4", "cifs", "smb3", "fuse.sshfs", "sshfs"}) {
        SCOPED_TRACE(type);
        EXPECT_TRUE(isNetworkFileSystem(type));
    }
    for (const char* type : {"ext4", "btrfs", "vfat", "fuseblk", "fuse.portal", "tmpfs"}) {
        SCOPED_TRACE(type);
        EXPECT_FALSE(isNetworkFileSystem(type));
    }
    MountEntry entry;
    for (const char* type : {"nfs4", "fuse.sshfs", "fuseblk", "fuse"}) {
        entry.fsType = type;
        EXPECT_TRUE(mayHang(entry)) << type;
    }
    for (const char* type : {"ext4", "btrfs", "vfat"}) {
        entry.fsType = type;
        EXPECT_FALSE(mayHang(entry)) << type;
    }
}

TEST(MountFilter, TellsTheSystemsOwnFolders) {
    for (const char* point : {"/boot", "/boot/efi", "/efi"})
        EXPECT_TRUE(isSystemFolder(point)) << point;
    for (const char* point : {"/", "/bootcamp", "/home/boot", "/efi-backup"})
        EXPECT_FALSE(isSystemFolder(point)) << point;
}
