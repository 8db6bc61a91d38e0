#include "platform/ProgramFolder.h"

#include <QFileInfo>
#include <QList>
#include <unistd.h>

namespace morvanex::platform::ProgramFolder {

namespace {

// The install's private folder relative to the executable's ("../lib/morvanex" under any
// prefix), and the build tree, both set by the build.
#ifdef MORVANEX_PRIVATE_DIR
constexpr const char* installedFolder = MORVANEX_PRIVATE_DIR;
#else
constexpr const char* installedFolder = ".";
#endif
#ifdef MORVANEX_BUILD_DIR
constexpr const char* buildFolder = MORVANEX_BUILD_DIR;
#else
constexpr const char* buildFolder = "";
#endif

// An absolute path without "." and ".." parts or doubled separators. The folders it joins are
// real folders (the executable's is resolved), so ".." may be taken away by its text.
QByteArray clean(const QByteArray& path) {
    QList<QByteArray> parts;
    for (const QByteArray& part : path.split('/')) {
        if (part.isEmpty() || part == ".")
            continue;
        if (part == "..") {
            if (!parts.isEmpty())
                parts.removeLast();
            continue;
        }
        parts.append(part);
    }
    return '/' + parts.join('/');
}

} // namespace

QByteArray executable() {
    QByteArray target(256, '\0');
    for (;;) {
        const ssize_t length = ::readlink("/proc/self/exe", target.data(), size_t(target.size()));
        if (length < 0)
            return {};
        if (length < target.size()) {
            target.truncate(length);
            break;
        }
        target.resize(target.size() * 2); // it may have been cut short
    }
    const qsizetype slash = target.lastIndexOf('/');
    if (slash < 0)
        return {};
    return slash == 0 ? QByteArray("/") : target.left(slash);
}

QByteArray part(const QByteArray& executableFolder, QByteArrayView fileName) {
    if (executableFolder.isEmpty())
        return {};
    const QByteArray beside = executableFolder + '/' + fileName.toByteArray();
    if (::access(beside.constData(), F_OK) == 0)
        return beside;
    return clean(executableFolder + '/' + installedFolder + '/' + fileName.toByteArray());
}

QByteArray part(QByteArrayView fileName) {
    return part(executable(), fileName);
}

QString buildTree() {
    if (*buildFolder == '\0')
        return {};
    return QFileInfo(QString::fromUtf8(buildFolder)).canonicalFilePath();
}

} // namespace morvanex::platform::ProgramFolder
