#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

namespace morvanex::platform {

// A folder that files are written into by name, each file whole or not at all. A file is first
// written under a temporary name made new in the folder (never through a link or into a pipe
// that stands there) and then renamed over its name: whatever stood under the name, a file, a
// symbolic link or a FIFO, is replaced and never followed or opened.
//
// Paths are bytes as the system takes them, so a folder whose name is not UTF-8 is the folder
// given and not a look-alike. The folder is held open, so its files land in it even when its
// path is renamed meanwhile.
class OutputFolder {
public:
    // Makes `path` with its missing parents (a relative path is taken from the working
    // directory, "." and ".." are resolved by name) and opens it, then checks that a file can be
    // made in it. A path longer than the system takes (PATH_MAX, or a name past NAME_MAX) is
    // refused before anything is made, and a failure removes the folders made on the way.
    // See error() when that failed.
    explicit OutputFolder(const QByteArray& path);
    OutputFolder(const OutputFolder&) = delete;
    OutputFolder& operator=(const OutputFolder&) = delete;
    ~OutputFolder();

    // The folder's absolute path, cleaned as described above.
    const QByteArray& path() const { return path_; }
    bool isOpen() const { return fd_ >= 0; }
    // Why the folder cannot be written into (the system's reason), empty while it can.
    const QString& error() const { return error_; }

    // Writes `bytes` as `name` (one file name, no folders), replacing what stood there. Nothing
    // on success; otherwise the system's reason, and no temporary file is left.
    std::optional<QString> write(const QString& name, const QByteArray& bytes) const;

private:
    QByteArray path_;
    QString error_;
    int fd_ = -1;
};

} // namespace morvanex::platform
