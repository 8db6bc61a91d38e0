#pragma once

#include "services/CalendarFile.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <optional>

// What the calendar reader (a helper program, see CalendarReader.h) and the process that runs it
// say to each other: one request on the reader's standard input, then one record per file, in
// order, on its standard output, each framed by a mark and its length; and how the reader ends.
namespace morvanex::calendarwire {

// The reader's exit statuses. Each cause has its own, so the process that ran it can say which.
enum class ReaderExit : int {
    done = 0,
    refusedRequest = 2, // the request was unreadable
    outputFailed = 3,   // a record could not be written
    notMyParent = 4,    // the process named as the reader's parent is not its parent
};

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
// A frame begins with a mark of its own, then the length of what follows (32 bits, big-endian).
constexpr qsizetype frameHeaderBytes = 8;

QByteArray encode(const Request& request);
std::optional<Request> decodeRequest(const QByteArray& bytes);

// The record in its frame.
QByteArray encode(const Record& record);

// Takes frames off the front of a stream of bytes as they arrive.
class RecordReader {
public:
    // What stopped the reading, for good.
    enum class Fault {
        none,
        notARecord, // bytes without a record's mark, or a frame whose contents are no record
        tooLong,    // a record's frame says it is longer than maxRecordBytes
    };

    void append(const QByteArray& bytes) { buffer_.append(bytes); }
    // The next whole record; nothing while it is incomplete or once a fault was found.
    std::optional<Record> next();
    Fault fault() const { return fault_; }
    // Whether bytes have arrived that are not yet part of a whole record.
    bool holdsPartOfARecord() const { return buffer_.size() > offset_; }

private:
    QByteArray buffer_;
    qsizetype offset_ = 0;
    Fault fault_ = Fault::none;
};

} // namespace morvanex::calendarwire
