#include "platform/AppIconFile.h"

#include "platform/ProgramFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace morvanex::platform::AppIconFile {

namespace {

// Both set by the build: the install's layout, and the icon the build tree runs with.
#if !defined(MORVANEX_ICON_RELATIVE_PATH) || !defined(MORVANEX_SOURCE_ICON)
#error "the build defines where the icon is installed and where its source is"
#endif
constexpr const char* relativePath = MORVANEX_ICON_RELATIVE_PATH;
constexpr const char* sourceIcon = MORVANEX_SOURCE_ICON;

bool isFile(const QString& path) {
    const QFileInfo info(path);
    return info.isFile() && info.isReadable();
}

} // namespace

QString installedRelativePath() {
    return QString::fromUtf8(relativePath);
}

QString find(const QString& executableFolder) {
    if (!executableFolder.isEmpty()) {
        const QString installed =
            QDir::cleanPath(executableFolder + QLatin1Char('/') + installedRelativePath());
        if (isFile(installed))
            return installed;
    }
    if (const QString source = QString::fromUtf8(sourceIcon); isFile(source))
        return source;
    return {};
}

QString find() {
    return find(QFile::decodeName(ProgramFolder::executable()));
}

} // namespace morvanex::platform::AppIconFile
