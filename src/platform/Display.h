#pragma once

#include <QString>

namespace morvanex::platform {

// What decides whether a graphical session can be reached, read from the environment.
struct DisplayProbe {
    QString display;        // $DISPLAY, e.g. ":0"
    QString waylandDisplay; // $WAYLAND_DISPLAY, e.g. "wayland-0" or an absolute path
    QString qpaPlatform;    // $QT_QPA_PLATFORM: an explicit platform is trusted as given
    QString runtimeDir;     // $XDG_RUNTIME_DIR, where Wayland sockets live
    QString x11SocketDir = QStringLiteral("/tmp/.X11-unix");

    static DisplayProbe fromEnvironment();
};

// True when a Qt GUI application can start: an explicit Qt platform is set, a Wayland socket
// exists, or $DISPLAY names a local X server socket (or a remote/TCP display, which cannot be
// checked without connecting and is trusted).
bool displayAvailable(const DisplayProbe& probe);

} // namespace morvanex::platform
