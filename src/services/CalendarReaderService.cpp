#include "services/CalendarReaderService.h"

#include "services/CalendarFile.h"
#include "services/CalendarReaderWire.h"
#include "services/CalendarTextCheck.h"

#include <QFile>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace morvanex {

namespace {

QString errnoText(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

enum class ReadEnd { whole, tooLarge, failed };

// Reads `fd` to its end. When it fails, errno says why.
ReadEnd readAll(int fd, QByteArray& into, qint64 limit) {
    char buffer[65536];
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return ReadEnd::failed;
        if (got == 0)
            return ReadEnd::whole;
        if (into.size() + got > limit)
            return ReadEnd::tooLarge;
        into.append(buffer, got);
    }
}

bool writeAll(int fd, const QByteArray& bytes) {
    for (qsizetype done = 0; done < bytes.size();) {
        const ssize_t written = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        done += written;
    }
    return true;
}

class Fd {
public:
    explicit Fd(int fd) : fd_(fd) {}
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    ~Fd() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    int get() const { return fd_; }

private:
    int fd_;
};

} // namespace

std::variant<QByteArray, QString> readCalendarFile(const QString& path, qint64 limit) {
    // Non-blocking, so that opening a FIFO does not wait for a writer.
    const Fd file(
        ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    if (file.get() < 0) {
        if (errno == ENOENT)
            return QByteArray();
        return QStringLiteral("it could not be opened: %1").arg(errnoText(errno));
    }
    struct stat status {};
    if (::fstat(file.get(), &status) != 0)
        return QStringLiteral("it could not be examined: %1").arg(errnoText(errno));
    if (!S_ISREG(status.st_mode))
        return QStringLiteral("it is not a regular file");
    if (status.st_size > limit)
        return QStringLiteral("it is larger than %1 bytes").arg(limit);
    QByteArray contents;
    contents.reserve(qsizetype(status.st_size));
    // The file may have grown since it was measured.
    switch (readAll(file.get(), contents, limit)) {
    case ReadEnd::whole:
        return contents;
    case ReadEnd::tooLarge:
        return QStringLiteral("it is larger than %1 bytes").arg(limit);
    case ReadEnd::failed:
        break;
    }
    return QStringLiteral("it could not be read: %1").arg(errnoText(errno));
}

int serveCalendarReads(int input, int output) {
    using calendarwire::ReaderExit;
    QByteArray requestBytes;
    // A request names files by path: far below this.
    if (readAll(input, requestBytes, 256 * 1024 * 1024) != ReadEnd::whole)
        return int(ReaderExit::refusedRequest);
    const std::optional<calendarwire::Request> request = calendarwire::decodeRequest(requestBytes);
    if (!request)
        return int(ReaderExit::refusedRequest);
    CalendarBudget budget;
    budget.stepsPerEvent = request->stepsPerEvent;
    budget.steps = request->steps;
    for (qsizetype index = 0; index < request->files.size(); ++index) {
        calendarwire::Record record;
        record.index = int(index);
        auto contents = readCalendarFile(request->files[index]);
        if (const QString* reason = std::get_if<QString>(&contents)) {
            record.reason = *reason;
        } else {
            const QByteArray& text = std::get<QByteArray>(contents);
            record.reason = calendarTextRefusal(text);
            if (!record.reason)
                record.reading = readOccurrences(text, request->from, request->to, budget);
        }
        record.stepsLeft = budget.steps;
        if (!writeAll(output, calendarwire::encode(record)))
            return int(ReaderExit::outputFailed);
    }
    return int(ReaderExit::done);
}

} // namespace morvanex
