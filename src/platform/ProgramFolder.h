#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

// Where the running executable and the parts that come with it (the widgets library, the
// calendar reader) are. The build tree keeps every part beside the executable; an install puts
// them in a private folder whose place relative to the executable's folder the build fixes, so
// any prefix works. Paths are bytes as the file system spells them: a folder whose name is not
// UTF-8 must still be found.
namespace morvanex::platform::ProgramFolder {

// The running executable's folder, through every link; empty when it cannot be read.
QByteArray executable();

// The path of the part named `fileName` for an executable in `executableFolder`: beside it when
// it is there, else in the install's private folder. Empty when `executableFolder` is.
QByteArray part(const QByteArray& executableFolder, QByteArrayView fileName);

// The same for the running executable.
QByteArray part(QByteArrayView fileName);

// The folder the build made this executable in, through every link; empty when it is gone.
// A copy running from anywhere else is an installed one.
QString buildTree();

} // namespace morvanex::platform::ProgramFolder
