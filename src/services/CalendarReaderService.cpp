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

bool readAll(int fd, QByteArray& into, qint64 limit) {
    char buffer[65536];
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return false;
        if (got == 0)
            return true;
        if (into.size() + got > limit)
            return false;
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

std::variant<QByteArray, QString> readCalendarFile(const QString& path) {
    platform::RegularFileRead file = platform::readRegularFile(path, maxCalendarFileBytes);
    if (file.outcome == platform::RegularFileRead::Outcome::missing)
        return QByteArray();
    if (!file.ok())
        return file.reason(maxCalendarFileBytes);
    return std::move(file.contents);
}

int serveCalendarReads(int input, int output) {
    QByteArray requestBytes;
    // A request names files by path: far below this.
    if (!readAll(input, requestBytes, 256 * 1024 * 1024))
        return 2;
    const std::optional<calendarwire::Request> request = calendarwire::decodeRequest(requestBytes);
    if (!request)
        return 2;
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
            return 3;
    }
    return 0;
}

} // namespace morvanex
