#include "platform/Display.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

namespace morvanex::platform {

DisplayProbe DisplayProbe::fromEnvironment() {
    DisplayProbe probe;
    probe.display = qEnvironmentVariable("DISPLAY");
    probe.waylandDisplay = qEnvironmentVariable("WAYLAND_DISPLAY");
    probe.qpaPlatform = qEnvironmentVariable("QT_QPA_PLATFORM");
    probe.runtimeDir = qEnvironmentVariable("XDG_RUNTIME_DIR");
    return probe;
}

namespace {

bool waylandSocketExists(const DisplayProbe& probe) {
    if (probe.waylandDisplay.isEmpty())
        return false;
    if (QDir::isAbsolutePath(probe.waylandDisplay))
        return QFileInfo::exists(probe.waylandDisplay);
    if (probe.runtimeDir.isEmpty())
        return false;
    return QFileInfo::exists(probe.runtimeDir + QLatin1Char('/') + probe.waylandDisplay);
}

bool x11DisplayReachable(const DisplayProbe& probe) {
    if (probe.display.isEmpty())
        return false;
    // ":N" or ":N.S" is a local server with a socket we can look for; "host:N" is remote.
    static const QRegularExpression local(QStringLiteral("^(?:unix)?:(\\d+)(?:\\.\\d+)?$"));
    const auto match = local.match(probe.display);
    if (!match.hasMatch())
        return probe.display.contains(QLatin1Char(':'));
    return QFileInfo::exists(probe.x11SocketDir + QStringLiteral("/X") + match.captured(1));
}

} // namespace

bool displayAvailable(const DisplayProbe& probe) {
    if (!probe.qpaPlatform.isEmpty())
        return true;
    return waylandSocketExists(probe) || x11DisplayReachable(probe);
}

} // namespace morvanex::platform
