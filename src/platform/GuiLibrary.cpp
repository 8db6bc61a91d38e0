#include "platform/GuiLibrary.h"

#include <QFileInfo>
#include <dlfcn.h>

namespace morvanex::platform::GuiLibrary {

std::optional<Entry> load(QString& error) {
    // The executable's own folder, whatever the working directory or the name it was started by.
    const QString folder = QFileInfo(QStringLiteral("/proc/self/exe")).canonicalPath();
    if (folder.isEmpty()) {
        error = QStringLiteral("the executable's folder could not be found");
        return std::nullopt;
    }
    const QByteArray path = (folder + QLatin1Char('/') + QLatin1String(fileName)).toLocal8Bit();
    // Never closed: the mode it runs lasts as long as the process.
    void* handle = dlopen(path.constData(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        error = QString::fromLocal8Bit(dlerror());
        return std::nullopt;
    }
    void* symbol = dlsym(handle, entrySymbol);
    if (symbol == nullptr) {
        error = QString::fromLocal8Bit(path) + QStringLiteral(" has no entry ") +
                QLatin1String(entrySymbol);
        return std::nullopt;
    }
    return reinterpret_cast<Entry>(symbol);
}

} // namespace morvanex::platform::GuiLibrary
