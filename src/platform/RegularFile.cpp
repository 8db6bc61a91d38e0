#include "platform/RegularFile.h"

#include "platform/Descriptor.h"

#include <QFile>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace morvanex::platform {

namespace {

qint64 nanoseconds(const timespec& time) {
    return qint64(time.tv_sec) * 1'000'000'000 + time.tv_nsec;
}

FileIdentity identityOf(const struct stat& status) {
    return {quint64(status.st_dev), quint64(status.st_ino), qint64(status.st_size),
            nanoseconds(status.st_mtim), nanoseconds(status.st_ctim)};
}

QString errorText(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

} // namespace

QString RegularFileRead::reason(qint64 maxBytes) const {
    switch (outcome) {
    case Outcome::read:
        return {};
    case Outcome::missing:
        return QStringLiteral("it does not exist");
    case Outcome::link:
        return QStringLiteral("it is a symbolic link");
    case Outcome::notRegular:
        return QStringLiteral("it is not a regular file");
    case Outcome::tooLarge:
        return QStringLiteral("it is larger than %1 bytes").arg(maxBytes);
    case Outcome::openFailed:
        return QStringLiteral("it could not be opened: %1").arg(errorText(error));
    case Outcome::statFailed:
        return QStringLiteral("it could not be examined: %1").arg(errorText(error));
    case Outcome::readFailed:
        return QStringLiteral("it could not be read: %1").arg(errorText(error));
    }
    return {};
}

RegularFileRead readRegularFile(const QString& path, qint64 maxBytes, LastLink links) {
    RegularFileRead result;
    const auto fail = [&](RegularFileRead::Outcome outcome, int error = 0) {
        result.outcome = outcome;
        result.error = error;
        result.contents.clear();
        return result;
    };
    // Non-blocking, so that opening a FIFO does not wait for a writer.
    const int noFollow = links == LastLink::refuse ? O_NOFOLLOW : 0;
    const Descriptor file(::open(QFile::encodeName(path).constData(),
                                 O_RDONLY | O_NONBLOCK | noFollow | O_CLOEXEC | O_NOCTTY));
    if (file.get() < 0) {
        const int error = errno;
        if (error == ENOENT || error == ENOTDIR)
            return fail(RegularFileRead::Outcome::missing);
        if (error == ELOOP)
            return fail(RegularFileRead::Outcome::link);
        return fail(RegularFileRead::Outcome::openFailed, error);
    }
    struct stat status {};
    if (::fstat(file.get(), &status) != 0)
        return fail(RegularFileRead::Outcome::statFailed, errno);
    if (!S_ISREG(status.st_mode))
        return fail(RegularFileRead::Outcome::notRegular);
    if (status.st_size > maxBytes)
        return fail(RegularFileRead::Outcome::tooLarge);
    result.identity = identityOf(status);
    result.contents.reserve(qsizetype(status.st_size));
    char buffer[65536];
    for (;;) {
        const ssize_t got = ::read(file.get(), buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return fail(RegularFileRead::Outcome::readFailed, errno);
        if (got == 0)
            break;
        // It grew while being read.
        if (result.contents.size() + got > maxBytes)
            return fail(RegularFileRead::Outcome::tooLarge);
        result.contents.append(buffer, got);
    }
    result.outcome = RegularFileRead::Outcome::read;
    return result;
}

std::optional<FileIdentity> regularFileIdentity(const QString& path) {
    struct stat status {};
    if (::stat(QFile::encodeName(path).constData(), &status) != 0 || !S_ISREG(status.st_mode))
        return std::nullopt;
    return identityOf(status);
}

} // namespace morvanex::platform
