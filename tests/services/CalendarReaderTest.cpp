#include "services/CalendarReader.h"

#include "services/CalendarReaderService.h"
#include "services/CalendarReaderWire.h"
#include "support/HostileCalendars.h"
#include "support/TestEnv.h"
#include "support/Wait.h"

#include <QDir>
#include <QFile>
#include <QtEndian>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <thread>

using namespace morvanex;
using namespace std::chrono_literals;
using morvanex::test::waitUntil;

namespace {

QDateTime utc(int day, int hour) {
    return QDateTime(QDate(2024, 1, day), QTime(hour, 0), Qt::UTC);
}

CalendarReader realReader() {
    return CalendarReader{MORVANEX_CALENDAR_READER};
}

QString write(const QString& name, const QByteArray& contents) {
    const QString path = test::scratchDir() + QLatin1Char('/') + name;
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(contents);
    return path;
}

// A stand-in reader: a shell script, made executable.
CalendarReader scriptReader(const QByteArray& body) {
    const QString path = write(QStringLiteral("reader.sh"), "#!/bin/sh\n" + body + "\n");
    QFile::setPermissions(path, QFile::permissions(path) | QFile::ExeOwner);
    return CalendarReader{QFile::encodeName(path)};
}

const QByteArray goodCalendar =
    "BEGIN:VCALENDAR\r\nBEGIN:VEVENT\r\nUID:good\r\nSUMMARY:Standup\r\n"
    "DTSTART:20240115T090000Z\r\nDTEND:20240115T091500Z\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n";

// A zone changing its clock every second since 1970, used by an event: libical expands the
// zone's rule up to the event's year on reading it.
QStringList titles(const CalendarFileOutcome& outcome) {
    QStringList list;
    for (const CalendarOccurrence& occurrence : outcome.reading.occurrences)
        list.append(occurrence.title.value_or(QString()));
    return list;
}

// Why the file was skipped; empty when it was read.
std::string reason(const CalendarFileOutcome& outcome) {
    return outcome.skipped.value_or(QString()).toStdString();
}

bool processGone(pid_t pid) {
    return ::kill(pid, 0) != 0 && errno == ESRCH;
}

} // namespace

TEST(CalendarReader, HostileFilesAreSkippedWithTheirReasonAndTheOthersRead) {
    const QString fifo = test::scratchDir() + QStringLiteral("/fifo.ics");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QString huge = write(QStringLiteral("huge.ics"), {});
    ASSERT_TRUE(QFile::resize(huge, maxCalendarFileBytes + 1)); // sparse: no disk spent
    const QStringList files = {
        write(QStringLiteral("zone.ics"), test::secondlyZoneCalendar("20240115T100000")),
        write(QStringLiteral("long.ics"),
              test::longLineCalendar(16 * 1024 * 1024, "20240115T090000")),
        huge,
        fifo,
        test::scratchDir() + QStringLiteral("/vanished.ics"),
        write(QStringLiteral("good.ics"), goodCalendar),
    };
    CalendarBudget budget;
    const std::atomic<bool> cancelled{false};
    const CalendarFilesRead read =
        readCalendarFiles(realReader(), files, utc(15, 0), utc(18, 0), budget, cancelled);

    ASSERT_FALSE(read.failure) << read.failure->toStdString();
    ASSERT_EQ(read.files.size(), 6u);
    const QString expected[] = {
        QStringLiteral("its time zone rules ask for more than 100000 clock changes"),
        QStringLiteral("a line is longer than 1048576 bytes"),
        QStringLiteral("it is larger than 33554432 bytes"),
        QStringLiteral("it is not a regular file"),
    };
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(files[i].toStdString());
        EXPECT_EQ(read.files[i].skipped.value_or(QString()), expected[i]);
        EXPECT_TRUE(read.files[i].reading.occurrences.empty());
    }
    EXPECT_FALSE(read.files[4].skipped); // gone between listing and reading: nothing to say
    EXPECT_FALSE(read.files[5].skipped);
    EXPECT_EQ(titles(read.files[5]), QStringList{QStringLiteral("Standup")});
    EXPECT_EQ(read.files[5].reading.occurrences[0].start, utc(15, 9));
}

TEST(CalendarReader, AReaderPastItsTimeBoundIsKilledAndTheNextFileGoesOn) {
    // The first reader hangs; the next one reads the rest (the real reader's work).
    const QString marker = test::scratchDir() + QStringLiteral("/started");
    CalendarReader reader =
        scriptReader("if [ ! -e '" + QFile::encodeName(marker) + "' ]; then echo $$ > '" +
                     QFile::encodeName(marker) +
                     "'; exec sleep 600; fi\nexec '" MORVANEX_CALENDAR_READER "' \"$@\"");
    reader.fileBound = 5s; // the real reader's file must fit in it on a loaded machine
    const QStringList files = {write(QStringLiteral("slow.ics"), goodCalendar),
                               write(QStringLiteral("good.ics"), goodCalendar)};
    CalendarBudget budget;
    const std::atomic<bool> cancelled{false};
    const CalendarFilesRead read =
        readCalendarFiles(reader, files, utc(15, 0), utc(18, 0), budget, cancelled);
    ASSERT_FALSE(read.failure);
    EXPECT_EQ(read.files[0].skipped.value_or(QString()),
              QStringLiteral("reading it took longer than 5 seconds"));
    EXPECT_FALSE(read.files[1].skipped);
    EXPECT_EQ(titles(read.files[1]), QStringList{QStringLiteral("Standup")});

    QFile pidFile(marker);
    ASSERT_TRUE(pidFile.open(QIODevice::ReadOnly));
    EXPECT_TRUE(processGone(pid_t(pidFile.readAll().trimmed().toInt())));
}

TEST(CalendarReader, TheWholeReadHasABoundToo) {
    CalendarReader reader = scriptReader("exec sleep 600");
    reader.fileBound = 10min;
    reader.readBound = 300ms;
    const QStringList files = {write(QStringLiteral("a.ics"), goodCalendar),
                               write(QStringLiteral("b.ics"), goodCalendar)};
    CalendarBudget budget;
    const std::atomic<bool> cancelled{false};
    const CalendarFilesRead read =
        readCalendarFiles(reader, files, utc(15, 0), utc(18, 0), budget, cancelled);
    for (const CalendarFileOutcome& outcome : read.files)
        EXPECT_EQ(outcome.skipped.value_or(QString()),
                  QStringLiteral("reading the calendars took longer than 0.3 seconds"));
}

TEST(CalendarReader, CancellingStopsAReadInProgressAndKillsTheReader) {
    const QString marker = test::scratchDir() + QStringLiteral("/started");
    CalendarReader reader =
        scriptReader("echo $$ > '" + QFile::encodeName(marker) + "'\nexec sleep 600");
    reader.fileBound = 10min;
    reader.readBound = 10min;
    const QStringList files = {write(QStringLiteral("a.ics"), goodCalendar)};
    std::atomic<bool> cancelled{false};
    std::atomic<bool> done{false};
    std::thread reading([&] {
        CalendarBudget budget;
        readCalendarFiles(reader, files, utc(15, 0), utc(18, 0), budget, cancelled);
        done = true;
    });
    EXPECT_TRUE(waitUntil([&] { return QFile(marker).size() > 0; }));
    cancelled = true;
    EXPECT_TRUE(waitUntil([&] { return done.load(); }));
    reading.join();
    QFile pidFile(marker);
    ASSERT_TRUE(pidFile.open(QIODevice::ReadOnly));
    EXPECT_TRUE(processGone(pid_t(pidFile.readAll().trimmed().toInt())));
}

TEST(CalendarReader, EachWayAReaderFailsIsToldApart) {
    // Stand-in readers that write given bytes and end as given; each run is asked for two files,
    // and a reader that stops is started again for the file it stopped on.
    const QStringList files = {write(QStringLiteral("a.ics"), goodCalendar),
                               write(QStringLiteral("b.ics"), goodCalendar)};
    const auto record = [](int index) {
        calendarwire::Record answer;
        answer.index = index;
        CalendarOccurrence occurrence;
        occurrence.title = QStringLiteral("Answered");
        answer.reading.occurrences.push_back(occurrence);
        return calendarwire::encode(answer);
    };
    QByteArray tooLong = record(0);
    qToBigEndian(quint32(calendarwire::maxRecordBytes + 1),
                 tooLong.data() + calendarwire::frameHeaderBytes - 4);
    const QByteArray real = QFile::encodeName(QStringLiteral(MORVANEX_CALENDAR_READER));
    const QString notARecord =
        QStringLiteral("the calendar reader answered with something that is not a record");
    using Reasons = std::optional<QString>;
    struct Case {
        const char* what;
        QByteArray output; // written first
        QByteArray end;    // the reader's last shell line
        Reasons a;         // why a.ics was skipped; nothing when it was read
        Reasons b;
        const char* failure = nullptr; // after the reader's path
    };
    const Case cases[] = {
        {"writes text that is no record", "hello, world\n", "exit 0", notARecord, notARecord},
        {"a record, then stray bytes", record(0) + "stray", "exit 0", std::nullopt, notARecord},
        {"a record longer than the limit", tooLong, "exit 0",
         QStringLiteral("its events do not fit in 128 MB"),
         QStringLiteral("its events do not fit in 128 MB")},
        {"answers for another file", record(1), "exit 0",
         QStringLiteral("the calendar reader answered out of order"),
         QStringLiteral("the calendar reader answered out of order")},
        {"ends inside a record", record(0).first(10), "exit 0",
         QStringLiteral("the calendar reader ended (exit status 0) in the middle of a record"),
         QStringLiteral("the calendar reader ended (exit status 0) in the middle of a record")},
        {"crashes",
         {},
         "kill -SEGV $$",
         QStringLiteral("the calendar reader ended (signal 11) while reading it"),
         QStringLiteral("the calendar reader ended (signal 11) while reading it")},
        {"cannot write",
         {},
         "exit 3",
         QStringLiteral("the calendar reader could not write its answer"),
         QStringLiteral("the calendar reader could not write its answer")},
        {"refuses its request", {}, "exit 2", std::nullopt, std::nullopt, " refused its request"},
        {"is not started by this process",
         {},
         "exit 4",
         std::nullopt,
         std::nullopt,
         " does not take this process for its parent"},
        // The real reader's own statuses mean the same.
        {"the real reader, told of another parent",
         {},
         "exec '" + real + "' 1",
         std::nullopt,
         std::nullopt,
         " does not take this process for its parent"},
        {"the real reader, given no request",
         {},
         "'" + real + "' $$ </dev/null; exit $?",
         std::nullopt,
         std::nullopt,
         " refused its request"},
    };
    const QString output = write(QStringLiteral("output"), {});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        write(QStringLiteral("output"), c.output);
        const CalendarReader reader =
            scriptReader("cat '" + QFile::encodeName(output) + "'\n" + c.end);
        CalendarBudget budget;
        const std::atomic<bool> cancelled{false};
        const CalendarFilesRead read =
            readCalendarFiles(reader, files, utc(15, 0), utc(18, 0), budget, cancelled);
        ASSERT_EQ(read.files.size(), 2u);
        if (c.failure) {
            EXPECT_EQ(read.failure.value_or(QString()).toStdString(),
                      "the calendar reader " + reader.program.toStdString() + c.failure);
            for (const CalendarFileOutcome& outcome : read.files)
                EXPECT_FALSE(outcome.skipped);
            continue;
        }
        EXPECT_FALSE(read.failure) << read.failure->toStdString();
        EXPECT_EQ(reason(read.files[0]), c.a.value_or(QString()).toStdString());
        EXPECT_EQ(reason(read.files[1]), c.b.value_or(QString()).toStdString());
        if (!c.a) {
            EXPECT_EQ(titles(read.files[0]), QStringList{QStringLiteral("Answered")});
        }
    }
}

TEST(CalendarReader, OneThatCannotStartSaysSo) {
    const QStringList files = {write(QStringLiteral("a.ics"), goodCalendar),
                               write(QStringLiteral("b.ics"), goodCalendar)};
    CalendarBudget budget;
    const std::atomic<bool> cancelled{false};
    const CalendarFilesRead missing = readCalendarFiles(
        CalendarReader{QFile::encodeName(test::scratchDir() + QStringLiteral("/no-reader"))}, files,
        utc(15, 0), utc(18, 0), budget, cancelled);
    ASSERT_TRUE(missing.failure);
    EXPECT_TRUE(
        missing.failure->startsWith(QStringLiteral("the calendar reader could not be started: ")));
    for (const CalendarFileOutcome& outcome : missing.files)
        EXPECT_FALSE(outcome.skipped);
}

TEST(CalendarReader, AFileThatGrowsPastTheLimitAfterItWasMeasuredIsTooLarge) {
    // The kernel's files measure 0 bytes and read as more: as a file that grew in between.
    const auto read = readCalendarFile(QStringLiteral("/proc/self/status"), 64);
    ASSERT_TRUE(std::holds_alternative<QString>(read));
    EXPECT_EQ(std::get<QString>(read).toStdString(), "it is larger than 64 bytes");
}

TEST(CalendarReader, TheBudgetCarriesAcrossFiles) {
    QByteArray often = "BEGIN:VCALENDAR\r\n";
    for (int i = 0; i < 3; ++i)
        often += "BEGIN:VEVENT\r\nUID:o" + QByteArray::number(i) +
                 "\r\nSUMMARY:Often\r\nDTSTART:20240115T000000Z\r\nRRULE:FREQ=MINUTELY\r\n"
                 "END:VEVENT\r\n";
    often += "END:VCALENDAR\r\n";
    const QStringList files = {write(QStringLiteral("a.ics"), often),
                               write(QStringLiteral("b.ics"), often)};
    CalendarBudget budget;
    budget.stepsPerEvent = 100;
    budget.steps = 450;
    const std::atomic<bool> cancelled{false};
    const CalendarFilesRead read =
        readCalendarFiles(realReader(), files, utc(15, 0), utc(18, 0), budget, cancelled);
    EXPECT_EQ(read.files[0].reading.occurrences.size(), 300u);
    // What the first file left, and the first start of each event, which always counts.
    EXPECT_GE(read.files[1].reading.occurrences.size(), 150u);
    EXPECT_LE(read.files[1].reading.occurrences.size(), 153u);
    EXPECT_EQ(budget.steps, 0);
}
