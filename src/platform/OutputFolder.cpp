#include "platform/OutputFolder.h"

#include "platform/Log.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace morvanex::platform {
namespace {

QString reason(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

// The working directory's bytes, or nothing with errno set.
std::optional<QByteArray> workingDirectory() {
    char* const path = ::getcwd(nullptr, 0);
    if (!path)
        return std::nullopt;
    QByteArray bytes(path);
    std::free(path);
    return bytes;
}

// "." and ".." resolved by name and repeated slashes folded, byte for byte: every byte maps to
// one character of the same value and back, and the separators are plain ASCII.
QByteArray cleaned(const QByteArray& path) {
    return QDir::cleanPath(QString::fromLatin1(path)).toLatin1();
}

// A name no other file in the folder has yet: `stem`, a dot and six random letters or digits.
QByteArray freshName(const QByteArray& stem) {
    static constexpr char letters[] =
        "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    QByteArray name = stem + '.';
    for (int i = 0; i < 6; ++i)
        name += letters[QRandomGenerator::global()->bounded(int(sizeof letters - 1))];
    return name;
}

// A new file of a fresh name in the folder, open for writing; never an entry that was there
// already (O_EXCL also refuses to follow a link). -1 with errno set when none can be made.
int createFresh(int folder, const QByteArray& stem, QByteArray& name) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        name = freshName(stem);
        const int fd = ::openat(folder, name.constData(),
                                O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    return -1;
}

bool writeAll(int fd, const QByteArray& bytes) {
    const char* at = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t written = ::write(fd, at, std::size_t(left));
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        at += written;
        left -= written;
    }
    return true;
}

// Whether the system can take `path` (absolute) whole: within PATH_MAX with its terminating
// zero, and no name along it longer than NAME_MAX. Checked before anything is made, so a path
// the system refuses part way down leaves no folders behind.
bool fitsTheSystem(const QByteArray& path) {
    if (path.size() + 1 > PATH_MAX)
        return false;
    for (const QByteArray& name : path.split('/'))
        if (name.size() > NAME_MAX)
            return false;
    return true;
}

// Makes every missing folder along `path` (absolute), appending each one made to `made`, in
// the order made. Nothing, or the reason of the first folder that could not be made.
std::optional<QString> makePath(const QByteArray& path, std::vector<QByteArray>& made) {
    for (qsizetype slash = path.indexOf('/', 1);; slash = path.indexOf('/', slash + 1)) {
        const QByteArray prefix = slash < 0 ? path : path.left(slash);
        if (::mkdir(prefix.constData(), 0777) == 0)
            made.push_back(prefix);
        else if (errno != EEXIST)
            return reason(errno);
        if (slash < 0)
            return std::nullopt;
    }
}

// Removes the folders a failed opening made, deepest first. One that something else has put a
// file into meanwhile stays.
void removeMade(const std::vector<QByteArray>& made) {
    for (auto folder = made.rbegin(); folder != made.rend(); ++folder) {
        if (::rmdir(folder->constData()) == 0)
            continue;
        const int error = errno;
        qCWarning(log::platform).noquote()
            << "could not remove the folder" << QString::fromLocal8Bit(*folder)
            << "made for a failed output:" << reason(error);
    }
}

} // namespace

OutputFolder::OutputFolder(const QByteArray& path) {
    if (path.startsWith('/')) {
        path_ = cleaned(path);
    } else {
        const auto base = workingDirectory();
        if (!base) {
            error_ = reason(errno);
            path_ = cleaned(path);
            return;
        }
        path_ = cleaned(*base + '/' + path);
    }
    if (!fitsTheSystem(path_)) {
        error_ = reason(ENAMETOOLONG);
        return;
    }
    std::vector<QByteArray> made;
    const auto fail = [&](int error) {
        error_ = reason(error);
        removeMade(made);
    };
    if (const auto failed = makePath(path_, made)) {
        error_ = *failed;
        removeMade(made);
        return;
    }
    // O_PATH: the folder only has to be searchable and writable, not readable.
    const int fd = ::open(path_.constData(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        fail(errno);
        return;
    }
    // A read-only folder or file system shows only when a file is made; better now, once, than
    // at every render.
    QByteArray probe;
    const int probeFd = createFresh(fd, QByteArrayLiteral(".morvanex-probe"), probe);
    if (probeFd < 0) {
        const int error = errno;
        ::close(fd);
        fail(error);
        return;
    }
    ::close(probeFd);
    ::unlinkat(fd, probe.constData(), 0);
    fd_ = fd;
}

OutputFolder::~OutputFolder() {
    if (fd_ >= 0)
        ::close(fd_);
}

std::optional<QString> OutputFolder::write(const QString& name, const QByteArray& bytes) const {
    if (fd_ < 0)
        return error_.isEmpty() ? reason(EBADF) : error_;
    const QByteArray target = QFile::encodeName(name);
    if (target.isEmpty() || target.contains('/') || target == "." || target == "..")
        return reason(EINVAL);
    QByteArray temporary;
    const int fd = createFresh(fd_, '.' + target, temporary);
    if (fd < 0)
        return reason(errno);
    const bool written = writeAll(fd, bytes);
    int error = written ? 0 : errno;
    if (::close(fd) != 0 && written)
        error = errno;
    // rename(2) replaces the entry itself: a link there is not followed, a FIFO not opened.
    if (error == 0 && ::renameat(fd_, temporary.constData(), fd_, target.constData()) != 0)
        error = errno;
    if (error == 0)
        return std::nullopt;
    ::unlinkat(fd_, temporary.constData(), 0);
    return reason(error);
}

} // namespace morvanex::platform
