#include "services/CalendarFile.h"

#include <QTimeZone>
#include <algorithm>
#include <gtest/gtest.h>
#include <libical/ical.h>
#include <map>
#include <memory>

using namespace morvanex;

namespace {

QDateTime at(int year, int month, int day, int hour = 0, int minute = 0, int second = 0) {
    return QDateTime(QDate(year, month, day), QTime(hour, minute, second), Qt::UTC);
}

QByteArray calendarOf(const QByteArray& events) {
    return "BEGIN:VCALENDAR\r\nVERSION:2.0\r\n" + events + "END:VCALENDAR\r\n";
}

QByteArray eventOf(const QByteArray& lines) {
    return "BEGIN:VEVENT\r\n" + lines + "END:VEVENT\r\n";
}

std::vector<QDateTime> startsOf(const CalendarReading& reading) {
    std::vector<QDateTime> starts;
    for (const CalendarOccurrence& occurrence : reading.occurrences)
        starts.push_back(occurrence.start);
    return starts;
}

int stepsUsed(const CalendarBudget& budget) {
    return CalendarBudget::defaultSteps - budget.steps;
}

// The starts in [from, to) of an event without an end (a day long for dates), found the plain
// way: walking its rule with libical from its first start. Times are UTC ("...Z"), dates, or
// wall times in the system zone `zone`.
std::vector<QDateTime> walkedFromFirstStart(const char* rule, const char* start, const char* zone,
                                            const QDateTime& from, const QDateTime& to) {
    const icaltimetype first = icaltime_from_string(start);
    const auto instantOf = [&](const icaltimetype& value) {
        const QDate date(value.year, value.month, value.day);
        if (value.is_date)
            return QDateTime(date, QTime(0, 0), Qt::UTC); // the tests' local zone is UTC
        const QTime time(value.hour, value.minute, value.second);
        return zone ? QDateTime(date, time, QTimeZone(zone)).toUTC()
                    : QDateTime(date, time, Qt::UTC);
    };
    std::vector<QDateTime> starts;
    const auto consider = [&](const QDateTime& instant) {
        const QDateTime end = first.is_date ? instant.addDays(1) : instant;
        if (instant < to && (end > from || (end == instant && instant >= from)))
            starts.push_back(instant);
    };
    consider(instantOf(first));
    const std::unique_ptr<icalrecur_iterator, void (*)(icalrecur_iterator*)> iterator(
        icalrecur_iterator_new(icalrecurrencetype_from_string(rule), first),
        icalrecur_iterator_free);
    for (int step = 0; iterator && step < 5'000'000; ++step) {
        const icaltimetype next = icalrecur_iterator_next(iterator.get());
        if (icaltime_is_null_time(next) || instantOf(next) >= to)
            break;
        consider(instantOf(next));
    }
    std::sort(starts.begin(), starts.end());
    starts.erase(std::unique(starts.begin(), starts.end()), starts.end());
    return starts;
}

} // namespace

TEST(CalendarRecurrence, WalkFromTheWindowFindsWhatAWalkFromTheFirstStartFinds) {
    struct Case {
        const char* rule;
        const char* start;
        const char* zone; // a system zone for the start's wall time, or none
        QDateTime from;
        QDateTime to;
    };
    const QDateTime weekFrom = at(2024, 1, 15);
    const QDateTime weekTo = at(2024, 1, 29);
    const Case cases[] = {
        {"FREQ=SECONDLY;INTERVAL=37", "20240114T000013Z", nullptr, weekFrom,
         at(2024, 1, 15, 0, 30)},
        {"FREQ=MINUTELY;INTERVAL=7", "20231201T000000Z", nullptr, weekFrom, at(2024, 1, 15, 6)},
        {"FREQ=HOURLY;INTERVAL=5;BYMINUTE=0,30", "20200101T033000Z", nullptr, weekFrom,
         at(2024, 1, 18)},
        // More frequent than daily and leaving out starts: moved by whole days, or walked from
        // the first start when the period does not divide a day.
        {"FREQ=SECONDLY;BYMINUTE=14", "20240115T033056Z", nullptr, at(2024, 1, 15, 4, 13),
         at(2024, 1, 15, 4, 16)},
        {"FREQ=MINUTELY;INTERVAL=12;BYHOUR=9", "20230101T000007Z", nullptr, at(2024, 1, 15, 8),
         at(2024, 1, 16, 10)},
        {"FREQ=MINUTELY;INTERVAL=13;BYHOUR=9", "20240110T000000Z", nullptr, at(2024, 1, 15, 8),
         at(2024, 1, 15, 10)},
        {"FREQ=HOURLY;BYDAY=MO;BYHOUR=9,17", "20200101T000000Z", nullptr, weekFrom, weekTo},
        {"FREQ=DAILY;INTERVAL=3", "20000101T090000Z", nullptr, weekFrom, weekTo},
        {"FREQ=DAILY;BYHOUR=9,17;BYMINUTE=0,30", "20100101T000000Z", nullptr, weekFrom, weekTo},
        {"FREQ=DAILY;UNTIL=20240118T090000Z", "20000101T090000Z", nullptr, weekFrom, weekTo},
        {"FREQ=DAILY;COUNT=100", "20231010T090000Z", nullptr, weekFrom, weekTo},
        {"FREQ=WEEKLY;INTERVAL=2;BYDAY=MO,WE,FR", "20000103T120000Z", nullptr, weekFrom, weekTo},
        {"FREQ=WEEKLY;INTERVAL=3;BYDAY=TU,SU;WKST=SU", "20000104T120000Z", nullptr, weekFrom,
         at(2024, 3, 1)},
        {"FREQ=WEEKLY;BYDAY=SA,SU", "20000101", nullptr, weekFrom, weekTo},
        {"FREQ=MONTHLY;BYDAY=MO;BYSETPOS=1", "19900101T100000Z", nullptr, at(2024, 1, 1),
         at(2024, 4, 1)},
        {"FREQ=MONTHLY;BYDAY=MO,TU,WE,TH,FR;BYSETPOS=-1", "19900131T100000Z", nullptr,
         at(2024, 1, 1), at(2024, 4, 1)},
        {"FREQ=MONTHLY;INTERVAL=5", "19900131T100000Z", nullptr, at(2023, 1, 1), at(2026, 1, 1)},
        {"FREQ=YEARLY", "19800229T120000Z", nullptr, at(2023, 1, 1), at(2030, 1, 1)},
        {"FREQ=YEARLY;BYWEEKNO=1;BYDAY=MO", "19800107T080000Z", nullptr, at(2023, 12, 1),
         at(2025, 2, 1)},
        {"FREQ=YEARLY;BYMONTH=1;BYDAY=-1MO", "19800128T080000Z", nullptr, at(2024, 1, 1),
         at(2025, 2, 1)},
        {"FREQ=DAILY", "20200101T023000", "Europe/Berlin", at(2024, 3, 29), at(2024, 4, 2)},
        {"FREQ=HOURLY", "20231001T000000", "Europe/Berlin", at(2024, 10, 26, 22),
         at(2024, 10, 27, 4)},
        {"FREQ=MINUTELY;INTERVAL=10", "20241020T000000", "Europe/Berlin", at(2024, 10, 27, 0, 30),
         at(2024, 10, 27, 2)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.rule) + " from " + c.start);
        const QByteArray start = c.zone ? QByteArray("DTSTART;TZID=") + c.zone + ":" + c.start
                                 : QByteArray(c.start).size() == 8
                                     ? QByteArray("DTSTART;VALUE=DATE:") + c.start
                                     : QByteArray("DTSTART:") + c.start;
        CalendarBudget budget;
        const CalendarReading reading = readOccurrences(
            calendarOf(eventOf("UID:r\r\n" + start + "\r\nRRULE:" + c.rule + "\r\n")), c.from, c.to,
            budget);
        const std::vector<QDateTime> expected =
            walkedFromFirstStart(c.rule, c.start, c.zone, c.from, c.to);
        EXPECT_FALSE(expected.empty());
        EXPECT_EQ(startsOf(reading), expected);
        EXPECT_EQ(reading.eventsCutShort, 0);
    }
}

TEST(CalendarRecurrence, EverySecondSince1970IsExpandedOnlyWithinTheWindow) {
    CalendarBudget budget;
    const CalendarReading reading = readOccurrences(
        calendarOf(eventOf("UID:s\r\nDTSTART:19700101T000000Z\r\nRRULE:FREQ=SECONDLY\r\n")),
        at(2024, 1, 15, 9), at(2024, 1, 15, 9, 0, 10), budget);
    std::vector<QDateTime> expected;
    for (int second = 0; second < 10; ++second)
        expected.push_back(at(2024, 1, 15, 9, 0, second));
    EXPECT_EQ(startsOf(reading), expected);
    EXPECT_EQ(reading.eventsCutShort, 0);
    EXPECT_LT(stepsUsed(budget), 20); // not the 1.7 billion seconds since 1970
}

TEST(CalendarRecurrence, HundredRulesOfOneEventAreEachExpandedOnlyWithinTheWindow) {
    // Every k seconds since 1970 for k = 100 … 199: a start falls on each second of the window
    // that some k divides.
    QByteArray lines = "UID:many\r\nDTSTART:19700101T000000Z\r\n";
    for (int k = 100; k < 200; ++k)
        lines += "RRULE:FREQ=SECONDLY;INTERVAL=" + QByteArray::number(k) + "\r\n";
    const QDateTime from = at(2024, 1, 15, 9);
    const QDateTime to = from.addSecs(600);
    CalendarBudget budget;
    const CalendarReading reading = readOccurrences(calendarOf(eventOf(lines)), from, to, budget);

    std::vector<QDateTime> expected;
    for (QDateTime second = from; second < to; second = second.addSecs(1))
        for (int k = 100; k < 200; ++k)
            if (second.toSecsSinceEpoch() % k == 0) {
                expected.push_back(second);
                break;
            }
    ASSERT_FALSE(expected.empty());
    EXPECT_EQ(startsOf(reading), expected);
    EXPECT_EQ(reading.eventsCutShort, 0);
    EXPECT_LT(stepsUsed(budget), 2000);
}

TEST(CalendarRecurrence, OneBudgetBoundsTheWorkOfAWholeRead) {
    // Fifty events every second since 1970, over a refresh's three days: each event stops at
    // its own limit, and all of them together at the limit of the read.
    QByteArray events;
    for (int i = 0; i < 50; ++i)
        events += eventOf("UID:spam" + QByteArray::number(i) +
                          "\r\nDTSTART:19700101T000000Z\r\nRRULE:FREQ=SECONDLY\r\n");
    const QDateTime from = at(2024, 1, 15);
    const QDateTime to = from.addDays(3);
    CalendarBudget budget;
    const CalendarReading reading = readOccurrences(calendarOf(events), from, to, budget);
    std::map<QString, int> perEvent;
    for (const CalendarOccurrence& occurrence : reading.occurrences)
        ++perEvent[occurrence.id.value_or(QString()).section(QLatin1Char('/'), 0, 0)];
    for (const auto& [id, count] : perEvent) {
        SCOPED_TRACE(id.toStdString());
        EXPECT_LE(count, CalendarBudget::defaultStepsPerEvent);
    }
    EXPECT_GT(reading.occurrences.size(), 0u);
    EXPECT_LE(reading.occurrences.size(), size_t(CalendarBudget::defaultSteps));
    EXPECT_EQ(budget.steps, 0);
    EXPECT_EQ(reading.eventsCutShort, 50);

    // The next file of the same refresh: a single event is still read; a recurring one keeps
    // its first start only.
    const CalendarReading next = readOccurrences(
        calendarOf(eventOf("UID:single\r\nDTSTART:20240116T090000Z\r\n") +
                   eventOf("UID:daily\r\nDTSTART:20240115T080000Z\r\nRRULE:FREQ=DAILY\r\n")),
        from, to, budget);
    std::vector<QString> ids;
    for (const CalendarOccurrence& occurrence : next.occurrences)
        ids.push_back(occurrence.id.value_or(QString()));
    EXPECT_EQ(ids, (std::vector<QString>{"single", "daily/20240115T080000Z"}));
    EXPECT_EQ(next.eventsCutShort, 1);
}

TEST(CalendarRecurrence, RulesThatFitNoDateStopAtTheWindowsEnd) {
    // libical looks for a rule's next start period by period up to the rule's end: without an
    // end, a rule that fits no date (the 30th of February) would look until the year 2582.
    const char* const rules[] = {
        "FREQ=SECONDLY;BYMONTH=2;BYMONTHDAY=30",         "FREQ=MINUTELY;BYMONTH=4;BYMONTHDAY=31",
        "FREQ=HOURLY;BYMONTH=2;BYMONTHDAY=31",           "FREQ=DAILY;BYMONTH=2;BYMONTHDAY=30",
        "FREQ=SECONDLY;BYMONTH=2;BYMONTHDAY=30;COUNT=3",
    };
    for (const char* rule : rules) {
        SCOPED_TRACE(rule);
        CalendarBudget budget;
        const CalendarReading reading = readOccurrences(
            calendarOf(eventOf(QByteArray("UID:never\r\nDTSTART:19700101T000000Z\r\nRRULE:") +
                               rule + "\r\n")),
            at(2024, 1, 15), at(2024, 1, 18), budget);
        EXPECT_TRUE(reading.occurrences.empty());
    }
}
