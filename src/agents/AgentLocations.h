#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <optional>

// Agent applications describe their files in the form their makers document, which names
// macOS folders. This is the one place that says where each of those lives on Linux.
namespace morvanex::agents {

// "~/Library/Application Support/X..." becomes "~/.config/X..."; an application bundle
// "/Applications/X.app" becomes the application's own folder under "~/.config" (only "~"
// paths, so a replaced home seals every lookup off from the machine); anything else, such as
// "~/.cursor", is already where the application keeps it on Linux and stays unchanged.
QString linuxLocation(const QString& path);

// linuxLocation of every path, in order; a path that maps onto an earlier one is dropped.
QStringList linuxLocations(const QStringList& paths);

// The variable that names another folder for "~" in every agent path (tests, trials).
inline constexpr char agentHomeVariable[] = "MORVANEX_AGENT_HOME";

// Whether MORVANEX_AGENT_HOME names the home: set and not empty. An empty value counts as
// unset, since "~/.codex" would otherwise become "/.codex" at the root of the file system.
bool agentHomeReplaced();

// The bytes of the folder "~" stands for, as the environment holds them: MORVANEX_AGENT_HOME
// when it names the home, else HOME.
QByteArray agentHomeBytes();

// The one line that says why MORVANEX_AGENT_HOME cannot serve as the home, or nothing when it
// can or is not used: a relative path would put the files under whatever folder the program
// happens to run in.
std::optional<QString> agentHomeRefusal();

} // namespace morvanex::agents
