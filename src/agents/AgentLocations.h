#pragma once

#include <QString>
#include <QStringList>

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

} // namespace morvanex::agents
