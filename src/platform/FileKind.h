#pragma once

#include <QString>
#include <initializer_list>

namespace morvanex::platform {

// What stands at a path, looked at without opening it; a symbolic link is followed to what it
// points at. Readers of stored files open only regular ones: opening a FIFO or a device to read
// it can wait for a writer for good.
enum class FileKind {
    missing, // nothing there: no entry, a dangling link, or a path through a non-folder
    regular,
    other, // a folder, FIFO, socket or device, or an entry that cannot be looked at
};

FileKind fileKind(const QString& path);

// The first of `paths` that is there but is not a regular file; empty when there is none.
QString firstIrregular(std::initializer_list<QString> paths);

} // namespace morvanex::platform
