#include "platform/GuiLibrary.h"

#include "platform/ProgramFolder.h"

#include <QFile>
#include <dlfcn.h>

namespace morvanex::platform::GuiLibrary {

std::optional<Entry> load(QString& error) {
    // Beside the executable in the build tree, in the install's folder otherwise, whatever the
    // working directory or the name it was started by.
    const QByteArray path = ProgramFolder::part(fileName);
    if (path.isEmpty()) {
        error = QStringLiteral("the executable's folder could not be found");
        return std::nullopt;
    }
    // Never closed: the mode it runs lasts as long as the process.
    void* handle = dlopen(path.constData(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        error = QString::fromLocal8Bit(dlerror());
        return std::nullopt;
    }
    void* symbol = dlsym(handle, entrySymbol);
    if (symbol == nullptr) {
        error =
            QFile::decodeName(path) + QStringLiteral(" has no entry ") + QLatin1String(entrySymbol);
        return std::nullopt;
    }
    return reinterpret_cast<Entry>(symbol);
}

} // namespace morvanex::platform::GuiLibrary
