#pragma once

#include "platform/DesktopEntries.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <optional>
#include <vector>

// The desktop's own programs that the panels hand the user over to: settings pages, the system
// monitor, the disk utility, the file manager and the calendar. Each link lists the GNOME, KDE and
// other programs that serve it, in the order they are tried; the first one installed is started
// detached.
namespace morvanex::platform {

enum class SystemLink {
    networkSettings,
    batterySettings,
    dateTimeSettings,
    notificationSettings,
    calendarPrivacySettings,
    // Where calendar accounts are added, so that a calendar source appears.
    onlineAccountsSettings,
    systemMonitor,
    diskUtility,
    // Shows a program's file in its folder; the item is asked to do so over D-Bus.
    fileManager,
    calendar,
};

struct LinkCommand {
    QString program;
    QStringList arguments;

    bool operator==(const LinkCommand&) const = default;
};

// The program a link opens on this machine and what the user knows it by.
struct InstalledProgram {
    LinkCommand command;
    // The Name of the program's desktop entry ("System Monitor", "Disks", "Files"), else the
    // link's generic name.
    QString name;

    bool operator==(const InstalledProgram&) const = default;
};

namespace SystemLinks {

// Finds a program by name: its full path, or an empty text when it is not installed.
using FindProgram = std::function<QString(const QString& name)>;
// Starts a program detached; false when it could not be started.
using StartDetached = std::function<bool(const QString& program, const QStringList& arguments)>;

// The candidates for a link, in the order they are tried.
const std::vector<LinkCommand>& candidates(SystemLink link);

// The link that stands for one of the other system's application identifiers
// ("com.apple.ActivityMonitor") or settings addresses ("x-apple.systempreferences:..."),
// or nothing for one without a counterpart here.
std::optional<SystemLink> forIdentifier(const QString& identifier);

// The first installed candidate, its program resolved to a full path; nothing when none is.
std::optional<LinkCommand> command(SystemLink link, const FindProgram& find);

// What the program of a link is called when its desktop entry gives no name: "System Monitor",
// "Disks", "File Manager", "Calendar", "Settings".
QString genericName(SystemLink link);

// The first installed candidate and its name from the desktop entries that start it; nothing
// when no candidate is installed.
std::optional<InstalledProgram> installed(SystemLink link, const FindProgram& find,
                                          const std::vector<DesktopEntry>& entries);
// The same on this machine: PATH and the desktop entries of the XDG data folders, looked at
// again when the last look is a minute old, so a program installed meanwhile appears.
std::optional<InstalledProgram> installed(SystemLink link);

// Starts the first installed candidate. A link without an installed program does nothing
// (logged at debug level); a failed start is logged as a warning. True when a program started.
bool open(SystemLink link, const FindProgram& find, const StartDetached& start);
bool open(SystemLink link);

} // namespace SystemLinks

} // namespace morvanex::platform
