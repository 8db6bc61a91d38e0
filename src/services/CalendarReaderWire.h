#pragma once

#include "services/CalendarFile.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <optional>

// What the calendar reader (a helper program, see CalendarReader.h) and the process that runs it
// say to each other: one request on the reader's standard input, then one record per file, in
// order, on its standard output, each framed by its length.
namespace morvanex::calendarwire {

struct Request {
    QDateTime from;
    QDateTime to;
    int stepsPerEvent = CalendarBudget::defaultStepsPerEvent;
    int steps = CalendarBudget::defaultSteps;
    QStringList files;
};

// What became of one file.
struct Record {
    int index = 0;                 // in the request's files
    std::optional<QString> reason; // why the file was skipped; nothing when it was read
    CalendarReading reading;
    int stepsLeft = 0; // of the budget, after this file
};

// A record's frame is at most this long; a longer one is refused by the reading side.
constexpr qsizetype maxRecordBytes = 128 * 1024 * 1024;

QByteArray encode(const Request& request);
std::optional<Request> decodeRequest(const QByteArray& bytes);

// The record in its frame.
QByteArray encode(const Record& record);

// Takes frames off the front of a stream of bytes as they arrive.
class RecordReader {
public:
    void append(const QByteArray& bytes) { buffer_.append(bytes); }
    // The next whole record; nothing while it is incomplete. Sets `broken` (and stays so) when
    // the stream holds something that is no record, or a frame longer than maxRecordBytes.
    std::optional<Record> next();
    bool broken() const { return broken_; }

private:
    QByteArray buffer_;
    qsizetype offset_ = 0;
    bool broken_ = false;
};

} // namespace morvanex::calendarwire
