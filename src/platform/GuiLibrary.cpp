#include "platform/GuiLibrary.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <dlfcn.h>

namespace morvanex::platform::GuiLibrary {

namespace {

// Where an installed executable finds the library, relative to its own folder ("../lib/morvanex"
// under any prefix, set by the build); the build tree keeps both in one folder.
#ifdef MORVANEX_GUI_LIBRARY_DIR
constexpr const char* installedFolder = MORVANEX_GUI_LIBRARY_DIR;
#else
constexpr const char* installedFolder = ".";
#endif

} // namespace

std::optional<Entry> load(QString& error) {
    // The executable's own folder, whatever the working directory or the name it was started by.
    const QString folder = QFileInfo(QStringLiteral("/proc/self/exe")).canonicalPath();
    if (folder.isEmpty()) {
        error = QStringLiteral("the executable's folder could not be found");
        return std::nullopt;
    }
    QString path = folder + QLatin1Char('/') + QLatin1String(fileName);
    if (!QFileInfo::exists(path))
        path = QDir::cleanPath(folder + QLatin1Char('/') + QString::fromUtf8(installedFolder) +
                               QLatin1Char('/') + QLatin1String(fileName));
    // Never closed: the mode it runs lasts as long as the process.
    void* handle = dlopen(QFile::encodeName(path).constData(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        error = QString::fromLocal8Bit(dlerror());
        return std::nullopt;
    }
    void* symbol = dlsym(handle, entrySymbol);
    if (symbol == nullptr) {
        error = path + QStringLiteral(" has no entry ") + QLatin1String(entrySymbol);
        return std::nullopt;
    }
    return reinterpret_cast<Entry>(symbol);
}

} // namespace morvanex::platform::GuiLibrary
