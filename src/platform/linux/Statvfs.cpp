#include "platform/linux/Statvfs.h"

#include <QFile>
#include <cerrno>
#include <fcntl.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace morvanex::platform {
namespace {

struct Fd {
    int fd = -1;
    ~Fd() {
        if (fd >= 0)
            ::close(fd);
    }
};

} // namespace

std::optional<VolumeSpace> readStatvfs(const QString& folder) {
    const QByteArray path = QFile::encodeName(folder);
    // O_PATH opens without touching the file system's contents; O_DIRECTORY refuses files.
    Fd file;
    do {
        file.fd = ::open(path.constData(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    } while (file.fd < 0 && errno == EINTR);
    if (file.fd < 0)
        return std::nullopt;
    struct statvfs info {};
    int result = -1;
    do {
        result = ::fstatvfs(file.fd, &info);
    } while (result < 0 && errno == EINTR);
    if (result < 0)
        return std::nullopt;
    const double block = info.f_frsize > 0 ? double(info.f_frsize) : double(info.f_bsize);
    return VolumeSpace{double(info.f_blocks) * block, double(info.f_bavail) * block};
}

} // namespace morvanex::platform
