#include "services/CalendarReaderService.h"

#include "platform/RegularFile.h"
#include "services/CalendarFile.h"
#include "services/CalendarReaderWire.h"
#include "services/CalendarTextCheck.h"

#include <cerrno>
#include <unistd.h>
#include <utility>

namespace morvanex {

namespace {

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

} // namespace

std::variant<QByteArray, QString> readCalendarFile(const QString& path, qint64 limit) {
    platform::RegularFileRead file =
        platform::readRegularFile(path, limit, platform::LastLink::follow);
    if (file.outcome == platform::RegularFileRead::Outcome::missing)
        return QByteArray();
    if (!file.ok())
        return file.reason(limit);
    return std::move(file.contents);
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
