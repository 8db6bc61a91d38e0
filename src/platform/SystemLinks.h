#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <optional>
#include <vector>

// The desktop's own programs that the panels hand the user over to: settings pages, the system
// monitor, the disk utility and the calendar. Each link lists the GNOME, KDE and other programs
// that serve it, in the order they are tried; the first one installed is started detached.
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
    calendar,
};

struct LinkCommand {
    QString program;
    QStringList arguments;

    bool operator==(const LinkCommand&) const = default;
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

// Starts the first installed candidate. A link without an installed program does nothing
// (logged at debug level); a failed start is logged as a warning. True when a program started.
bool open(SystemLink link, const FindProgram& find, const StartDetached& start);
bool open(SystemLink link);

} // namespace SystemLinks

} // namespace morvanex::platform
