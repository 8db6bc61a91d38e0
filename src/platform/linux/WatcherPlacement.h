#pragma once

#include "platform/Roots.h"

#include <QByteArray>
#include <QDBusConnection>
#include <QObject>
#include <QString>
#include <functional>

namespace morvanex::platform {

// Where the panel behind a status notifier watcher puts an item that registers: GNOME Shell's
// indicator extension inserts each new item at the left; the other hosts (gtk-sni-tray, XFCE's
// panel, waybar, LXQt) append it at the right.
enum class NewItemPlacement { leftmost, rightmost };

// The placement of the watcher run by the program named `program` (a process's command name or
// the file name of its executable).
NewItemPlacement placementOfProgram(QByteArrayView program);

// Recognises the watcher by the process that owns `service` on `bus`: the bus tells its id
// (GetConnectionUnixProcessID), and its command name and executable under `roots.proc` tell
// the program. Asks without waiting; `answer` is called once on `context`'s thread, unless
// `context` is gone by then. A process that cannot be told (the bus refuses, the process
// ended) counts as an appending host.
void askNewItemPlacement(const QDBusConnection& bus, const QString& service, const Roots& roots,
                         QObject* context, std::function<void(NewItemPlacement)> answer);

} // namespace morvanex::platform
