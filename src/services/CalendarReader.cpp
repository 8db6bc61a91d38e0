#include "services/CalendarReader.h"

#include "platform/BoundedChild.h"
#include "services/CalendarReaderWire.h"

#include <QFileInfo>
#include <algorithm>
#include <unistd.h>

namespace morvanex {

namespace {

using Clock = platform::BoundedChild::Clock;

QString seconds(std::chrono::milliseconds bound) {
    return QString::number(double(bound.count()) / 1000.0);
}

} // namespace

CalendarReader CalendarReader::besideExecutable() {
    const QString folder = QFileInfo(QStringLiteral("/proc/self/exe")).canonicalPath();
    CalendarReader reader;
    reader.program = folder + QLatin1Char('/') + QLatin1String(programName);
    return reader;
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
                    budget.steps = std::clamp(record->stepsLeft, 0, budget.steps);
                    ++next;
                    fileDeadline = std::min(Clock::now() + reader.fileBound, readDeadline);
                }
                if (records.broken()) {
                    stopped = QStringLiteral("its events do not fit in %1 MB")
                                  .arg(calendarwire::maxRecordBytes / (1024 * 1024));
                    going = false;
                }
                break;
            case platform::BoundedChild::Pump::ended:
                if (child->endStatus() == QStringLiteral("exit status 2")) {
                    result.failure = QStringLiteral("the calendar reader %1 refused its request")
                                         .arg(reader.program);
                    return result;
                }
                if (next < files.size())
                    stopped = QStringLiteral("the calendar reader ended (%1) while reading it")
                                  .arg(child->endStatus());
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
