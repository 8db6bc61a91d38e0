#pragma once

#include <QByteArray>
#include <QString>
#include <variant>

namespace morvanex {

// A calendar file larger than this is not read.
constexpr qint64 maxCalendarFileBytes = 32 * 1024 * 1024;

// The contents of a calendar file, or why it is not read: it is no regular file (a symbolic link
// is not followed), it is larger than `limit` (when measured, or when read: it may grow in
// between), or it cannot be opened or read. Never blocks on a FIFO or device. A file that
// vanished reads as empty.
std::variant<QByteArray, QString> readCalendarFile(const QString& path,
                                                   qint64 limit = maxCalendarFileBytes);

// The calendar reader's work: reads one request from `input` to its end, then each file it
// names, writing one record per file to `output` as soon as the file is done. Files whose text
// must not reach libical are skipped with the reason. Returns the exit status (a
// calendarwire::ReaderExit).
int serveCalendarReads(int input, int output);

} // namespace morvanex
