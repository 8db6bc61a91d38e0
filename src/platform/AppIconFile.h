#pragma once

#include <QString>

// The application's icon as a file, for a reader that takes a file rather than a name looked up
// in the icon theme (a notification server given the `image-path` hint). The theme finds the
// installed icon only where the install prefix is among the system's data folders; the file is
// found wherever the install put it.
namespace morvanex::platform::AppIconFile {

// Where the install puts the icon, relative to the installed executable's folder
// ("../share/icons/hicolor/scalable/apps/morvanex.svg" under any prefix, set by the build).
QString installedRelativePath();

// The icon beside an executable in `executableFolder`: the installed copy where the install
// laid it out, else (a run from the build tree) the icon in the sources. Empty when neither
// file exists.
QString find(const QString& executableFolder);
// The same for the running executable.
QString find();

} // namespace morvanex::platform::AppIconFile
