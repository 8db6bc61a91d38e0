#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>
#include <optional>

namespace morvanex::platform {

// What the file system says of a file's contents: when any of it differs, the contents may have
// changed.
struct FileIdentity {
    quint64 device = 0;
    quint64 inode = 0;
    qint64 size = 0;
    qint64 modifiedNanoseconds = 0;
    qint64 changedNanoseconds = 0;

    friend bool operator==(const FileIdentity&, const FileIdentity&) = default;
};

// One read of a file that must not hold up its reader, whatever stands at the path.
struct RegularFileRead {
    enum class Outcome {
        read,
        missing,    // nothing at the path
        link,       // a symbolic link, which is not followed
        notRegular, // a FIFO, socket, device or folder
        tooLarge,   // larger than the limit asked for
        openFailed, // `error` says why
        statFailed, // `error` says why
        readFailed, // `error` says why
    };
    Outcome outcome = Outcome::openFailed;
    QByteArray contents;   // when read
    FileIdentity identity; // of what was read
    int error = 0;         // the errno of a failure

    bool ok() const { return outcome == Outcome::read; }
    // Why the file was not read, as a clause ("it is not a regular file"); empty when it was.
    QString reason(qint64 maxBytes) const;
};

// Whether a symbolic link at the path's last step is followed. A name that must stand for itself
// (a calendar folder's name or colour) refuses links, so that it cannot stand for a file elsewhere
// (standard input, say); a calendar file the user linked in is followed, and what it leads to
// must still be a regular file.
enum class LastLink { refuse, follow };

// Reads the file at `path` when it is a regular file of at most `maxBytes` bytes. Opens it
// without blocking, then looks at what it opened: a FIFO, a device or a link to one (such as
// /proc/self/fd/0) is refused at once, never waited on.
RegularFileRead readRegularFile(const QString& path, qint64 maxBytes,
                                LastLink links = LastLink::refuse);

// The identity of the regular file at `path`, through a link at its last step; nothing when
// there is none there.
std::optional<FileIdentity> regularFileIdentity(const QString& path);

} // namespace morvanex::platform
