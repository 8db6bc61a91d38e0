#include "services/CalendarReader.h"

#include "platform/BoundedChild.h"
#include "platform/Log.h"
#include "platform/ProgramFolder.h"
#include "services/CalendarReaderWire.h"

#include <QFile>
#include <algorithm>
#include <unistd.h>

namespace morvanex {

namespace {

using Clock = platform::BoundedChild::Clock;
using calendarwire::ReaderExit;
using Fault = calendarwire::RecordReader::Fault;

QString seconds(std::chrono::milliseconds bound) {
    return QString::number(double(bound.count()) / 1000.0);
}

// Why nothing can be read at all, when the reader's end says so: its exit status names a cause
// that every other file would meet too.
std::optional<QString> refusal(const CalendarReader& reader, const platform::BoundedChild& child) {
    const QString program = QFile::decodeName(reader.program);
    switch (child.exitStatus().value_or(-1)) {
    case int(ReaderExit::refusedRequest):
        return QStringLiteral("the calendar reader %1 refused its request").arg(program);
    case int(ReaderExit::notMyParent):
        return QStringLiteral("the calendar reader %1 does not take this process for its parent")
            .arg(program);
    default:
        return std::nullopt;
    }
}

// Why the reader stopped on the file it was reading when it ended before answering for it.
QString endedReason(const platform::BoundedChild& child,
                    const calendarwire::RecordReader& records) {
    if (child.exitStatus() == int(ReaderExit::outputFailed))
        return QStringLiteral("the calendar reader could not write its answer");
    if (child.exitStatus() && records.holdsPartOfARecord())
        return QStringLiteral("the calendar reader ended (%1) in the middle of a record")
            .arg(child.endStatus());
    return QStringLiteral("the calendar reader ended (%1) while reading it").arg(child.endStatus());
}

// Why the reader's output cannot be read on; nothing while it can.
std::optional<QString> outputFault(const calendarwire::RecordReader& records) {
    switch (records.fault()) {
    case Fault::none:
        return std::nullopt;
    case Fault::notARecord:
        return QStringLiteral("the calendar reader answered with something that is not a record");
    case Fault::tooLong:
        return QStringLiteral("its events do not fit in %1 MB")
            .arg(calendarwire::maxRecordBytes / (1024 * 1024));
    }
    return std::nullopt;
}

} // namespace

CalendarReader CalendarReader::besideExecutable() {
    return CalendarReader{platform::ProgramFolder::part(QByteArrayView(programName))};
}

CalendarFilesRead readCalendarFiles(const CalendarReader& reader, const QStringList& files,
                                    const QDateTime& from, const QDateTime& to,
                                    CalendarBudget& budget, const std::atomic<bool>& cancelled) {
    CalendarFilesRead result;
    result.files.resize(size_t(files.size()));
    const auto readDeadline = Clock::now() + reader.readBound;
    // The reader reads the files in order; when it has to be killed on one, that one is skipped
    // and a new reader goes on with the next.
    qsizetype next = 0;
    while (next < files.size()) {
        if (cancelled.load())
            return result;
        if (Clock::now() >= readDeadline) {
            for (; next < files.size(); ++next)
                result.files[size_t(next)].skipped =
                    QStringLiteral("reading the calendars took longer than %1 seconds")
                        .arg(seconds(reader.readBound));
            break;
        }
        calendarwire::Request request{from, to, budget.stepsPerEvent, budget.steps,
                                      files.mid(next)};
        QString error;
        // The reader dies with this process: it checks that its parent is still the one named.
        const std::unique_ptr<platform::BoundedChild> child = platform::BoundedChild::start(
            reader.program, {QString::number(::getpid())}, calendarwire::encode(request), error);
        if (!child) {
            result.failure =
                QStringLiteral("the calendar reader could not be started: %1").arg(error);
            return result;
        }
        const qsizetype first = next;
        calendarwire::RecordReader records;
        auto fileDeadline = std::min(Clock::now() + reader.fileBound, readDeadline);
        std::optional<QString> stopped; // why the reader was stopped on file `next`
        for (bool going = true; going;) {
            QByteArray output;
            switch (child->pump(output, fileDeadline, cancelled)) {
            case platform::BoundedChild::Pump::output:
                records.append(output);
                while (const std::optional<calendarwire::Record> record = records.next()) {
                    if (first + record->index != next) {
                        stopped = QStringLiteral("the calendar reader answered out of order");
                        going = false;
                        break;
                    }
                    CalendarFileOutcome& outcome = result.files[size_t(next)];
                    outcome.reading = std::move(record->reading);
                    outcome.skipped = record->reason;
                    if (!outcome.skipped)
                        qCDebug(log::services, "Calendar file %s: %zu events read",
                                qUtf8Printable(files[next]), outcome.reading.occurrences.size());
                    budget.steps = std::clamp(record->stepsLeft, 0, budget.steps);
                    ++next;
                    fileDeadline = std::min(Clock::now() + reader.fileBound, readDeadline);
                }
                if (const std::optional<QString> fault = outputFault(records)) {
                    stopped = fault;
                    going = false;
                }
                break;
            case platform::BoundedChild::Pump::ended:
                if (std::optional<QString> refused = refusal(reader, *child)) {
                    result.failure = std::move(refused);
                    return result;
                }
                if (next < files.size())
                    stopped = endedReason(*child, records);
                going = false;
                break;
            case platform::BoundedChild::Pump::timedOut:
                stopped = Clock::now() >= readDeadline
                              ? QStringLiteral("reading the calendars took longer than %1 seconds")
                                    .arg(seconds(reader.readBound))
                              : QStringLiteral("reading it took longer than %1 seconds")
                                    .arg(seconds(reader.fileBound));
                going = false;
                break;
            case platform::BoundedChild::Pump::cancelled:
                return result;
            }
        }
        if (stopped && next < files.size()) {
            result.files[size_t(next)].skipped = stopped;
            ++next;
        }
    }
    return result;
}

} // namespace morvanex
