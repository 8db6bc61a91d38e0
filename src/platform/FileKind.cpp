#include "platform/FileKind.h"

#include <QFile>
#include <cerrno>
#include <sys/stat.h>

namespace morvanex::platform {

FileKind fileKind(const QString& path) {
    struct stat status {};
    if (::stat(QFile::encodeName(path).constData(), &status) != 0)
        return errno == ENOENT || errno == ENOTDIR ? FileKind::missing : FileKind::other;
    return S_ISREG(status.st_mode) ? FileKind::regular : FileKind::other;
}

QString firstIrregular(std::initializer_list<QString> paths) {
    for (const QString& path : paths) {
        if (fileKind(path) == FileKind::other)
            return path;
    }
    return {};
}

} // namespace morvanex::platform
