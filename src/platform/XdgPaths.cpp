#include "platform/XdgPaths.h"

#include <QDir>

namespace morvanex::platform::xdg {
namespace {

// Relative values are ignored, as the base-directory rules require.
QString absoluteEnv(const char* name) {
    const QString value = qEnvironmentVariable(name);
    return QDir::isAbsolutePath(value) ? value : QString();
}

} // namespace

QString home() {
    const QString value = absoluteEnv("HOME");
    return value.isEmpty() ? QDir::homePath() : value;
}

QString configHome() {
    const QString value = absoluteEnv("XDG_CONFIG_HOME");
    return value.isEmpty() ? home() + QStringLiteral("/.config") : value;
}

QString dataHome() {
    const QString value = absoluteEnv("XDG_DATA_HOME");
    return value.isEmpty() ? home() + QStringLiteral("/.local/share") : value;
}

QString runtimeDir() {
    return absoluteEnv("XDG_RUNTIME_DIR");
}

} // namespace morvanex::platform::xdg
