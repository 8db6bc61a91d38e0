#include "platform/linux/Statvfs.h"

#include "platform/Descriptor.h"

#include <QFile>
#include <cerrno>
#include <fcntl.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace morvanex::platform {
VolumeSpace volumeSpaceOf(const struct statvfs& info) {
    const double block = info.f_frsize > 0 ? double(info.f_frsize) : double(info.f_bsize);
    // A file system that reports more available than free blocks keeps no reserve.
    const double reserved = info.f_bfree > info.f_bavail ? double(info.f_bfree - info.f_bavail) : 0;
    return VolumeSpace{double(info.f_blocks) * block, double(info.f_bavail) * block,
                       reserved * block};
}

std::optional<VolumeSpace> readStatvfs(const QString& folder) {
    const QByteArray path = QFile::encodeName(folder);
    // O_PATH opens without touching the file system's contents; O_DIRECTORY refuses files.
    int fd = -1;
    do {
        fd = ::open(path.constData(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    const Descriptor file(fd);
    if (file.get() < 0)
        return std::nullopt;
    struct statvfs info {};
    int result = -1;
    do {
        result = ::fstatvfs(file.get(), &info);
    } while (result < 0 && errno == EINTR);
    if (result < 0)
        return std::nullopt;
    return volumeSpaceOf(info);
}

} // namespace morvanex::platform
