#pragma once

#include "platform/Roots.h"
#include "platform/linux/ProcessHandle.h"

#include <QDBusConnection>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <cstdint>
#include <functional>
#include <optional>

// Operations on one process chosen from a process row: where it lives on disk and showing it
// there, quit, force quit after a confirmation, and opening the desktop's own system monitor.
namespace morvanex::ProcessActions {

using ProcessHandle = platform::ProcessHandle;

// Asks the user; true when the destructive choice was confirmed. Supplied by the views.
using Confirm = std::function<bool(const QString& message, const QString& informative)>;

// Names (exact, case-sensitive) of processes the rows never offer to quit: the session and
// the machine depend on them.
const QSet<QString>& protectedNames();

// Whether a row may offer "Quit" and "Force Quit…": not a protected name, not an id below 2,
// not this application itself.
bool canQuit(std::int32_t pid, const QString& name);

// The executable path itself, or the outermost ".app" bundle that holds it.
QUrl locationOfExecutable(const QString& path);

// Where the process lives on disk; nothing when its executable cannot be read (it has
// exited, or it is a kernel thread or another user's process).
std::optional<QUrl> location(std::int32_t pid,
                             const platform::Roots& roots = platform::Roots::system());

// Reveals the location in the desktop's file manager (org.freedesktop.FileManager1 on the
// session bus), without waiting for it; nothing when there is no location or no file
// manager answers.
void showInFinder(std::int32_t pid, const platform::Roots& roots = platform::Roots::system(),
                  const QDBusConnection& bus = QDBusConnection::sessionBus());

// Asks the process to end (SIGTERM). Through a handle, so a process that exited meanwhile
// is never confused with a later one of the same id.
void quit(const ProcessHandle& handle);

// Takes hold of the process at once, asks for confirmation, and only then kills it
// (SIGKILL). Cancelling does nothing; a process gone meanwhile is left alone.
void forceQuit(std::int32_t pid, const QString& name, const Confirm& confirm);

// Starts the desktop's system monitor (the system links' first one installed), detached;
// nothing when none is installed.
void openActivityMonitor();

} // namespace morvanex::ProcessActions
