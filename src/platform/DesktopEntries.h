#pragma once

#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

// The installed applications as their desktop entries (".desktop" files under the
// "applications" folder of each XDG data folder) describe them: enough to find the entry of a
// running program and the icon name it asks for.
namespace morvanex::platform {

struct DesktopEntry {
    QString id;             // file name relative to its applications folder, "/" turned into "-"
    QString execName;       // base name of the program the Exec line starts
    QString startupWMClass; // the window class the program's windows carry
    QString icon;           // an icon theme name, or an absolute file path
    QString name;           // the program's own name, as menus show it ("Files", "Disks")
    bool noDisplay = false; // kept out of menus (helpers started by other programs)
};

// Parses one entry's text. Nothing for a file without a "[Desktop Entry]" group, of another
// type than "Application", or marked "Hidden".
std::optional<DesktopEntry> parseDesktopEntry(const QByteArray& text, const QString& id);

// The base name of the program an Exec value starts, past an "env" prefix and its variable
// assignments and without quotes; empty when the value names none.
QString execProgramName(const QString& exec);

// The data folders searched, most important first: $XDG_DATA_HOME, then $XDG_DATA_DIRS
// (default "/usr/local/share:/usr/share").
QStringList desktopDataFolders();

// Every entry under <folder>/applications for the given folders, an id found in an earlier
// folder hiding the same id in later ones. Entries without an icon are left out.
std::vector<DesktopEntry> loadDesktopEntries(const QStringList& dataFolders);

// The icon of the entry that a program (by its executable's base name) belongs to: an entry
// whose Exec program has that name first, then one whose StartupWMClass matches it (ignoring
// case), then one whose icon is named after it. Empty when none matches.
QString iconForProgram(const std::vector<DesktopEntry>& entries, const QString& programName);

// The name of the entry whose Exec program has that base name, an entry shown in menus before
// one kept out of them; empty when no entry starts the program or it gives no name.
QString nameForProgram(const std::vector<DesktopEntry>& entries, const QString& programName);

} // namespace morvanex::platform
