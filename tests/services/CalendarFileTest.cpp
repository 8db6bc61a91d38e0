#include "services/CalendarFile.h"

#include <QTimeZone>
#include <ctime>
#include <gtest/gtest.h>

using namespace morvanex;

namespace {

QDateTime utc(int month, int day, int hour, int minute = 0) {
    return QDateTime(QDate(2024, month, day), QTime(hour, minute), Qt::UTC);
}

QByteArray calendar(const QByteArray& body) {
    return "BEGIN:VCALENDAR\r\nVERSION:2.0\r\n" + body + "END:VCALENDAR\r\n";
}

QByteArray event(const QByteArray& lines) {
    return "BEGIN:VEVENT\r\n" + lines + "END:VEVENT\r\n";
}

std::vector<CalendarOccurrence> read(const QByteArray& ics, const QDateTime& from,
                                     const QDateTime& to) {
    CalendarBudget budget;
    return readOccurrences(ics, from, to, budget).occurrences;
}

std::vector<CalendarOccurrence> readJanuary(const QByteArray& ics) {
    return read(ics, utc(1, 15, 0), utc(1, 22, 0));
}

QList<QDateTime> startsOf(const std::vector<CalendarOccurrence>& occurrences) {
    QList<QDateTime> starts;
    for (const CalendarOccurrence& occurrence : occurrences)
        starts.append(occurrence.start);
    return starts;
}

// Sets the process time zone for one test; the test environment restores UTC for the next.
void setLocalZone(const char* zone) {
    ::setenv("TZ", zone, 1);
    ::tzset();
}

} // namespace

TEST(CalendarFile, RulesExpandWithCountsDatesAndExclusions) {
    struct Case {
        const char* what;
        QByteArray lines;
        QList<QDateTime> starts;
    };
    const Case cases[] = {
        {"daily with a count",
         "UID:a\r\nDTSTART:20240114T090000Z\r\nDTEND:20240114T093000Z\r\n"
         "RRULE:FREQ=DAILY;COUNT=3\r\n",
         {utc(1, 15, 9), utc(1, 16, 9)}},
        {"extra dates and an excluded date",
         "UID:b\r\nDTSTART:20240115T090000Z\r\nDTEND:20240115T093000Z\r\n"
         "RRULE:FREQ=DAILY;UNTIL=20240117T090000Z\r\nEXDATE:20240116T090000Z\r\n"
         "RDATE:20240120T180000Z\r\n",
         {utc(1, 15, 9), utc(1, 17, 9), utc(1, 20, 18)}},
        {"an excluded date given as a day",
         "UID:c\r\nDTSTART:20240115T090000Z\r\nDURATION:PT1H\r\nRRULE:FREQ=DAILY;COUNT=3\r\n"
         "EXDATE;VALUE=DATE:20240116\r\n",
         {utc(1, 15, 9), utc(1, 17, 9)}},
        {"weekly from long ago",
         "UID:d\r\nDTSTART:20000103T120000Z\r\nDTEND:20000103T130000Z\r\n"
         "RRULE:FREQ=WEEKLY\r\n",
         {utc(1, 15, 12)}},
        {"an occurrence that began before the window and still runs",
         "UID:e\r\nDTSTART:20240107T200000Z\r\nDTEND:20240108T080000Z\r\n"
         "RRULE:FREQ=WEEKLY\r\n",
         {utc(1, 14, 20), utc(1, 21, 20)}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(startsOf(readJanuary(calendar(event(c.lines)))), c.starts);
    }
}

TEST(CalendarFile, LengthComesFromTheEndTheDurationOrTheKindOfStart) {
    struct Case {
        const char* what;
        QByteArray lines;
        QDateTime end;
        bool allDay;
    };
    const Case cases[] = {
        {"end", "DTSTART:20240115T090000Z\r\nDTEND:20240115T103000Z\r\n", utc(1, 15, 10, 30),
         false},
        {"duration", "DTSTART:20240115T090000Z\r\nDURATION:PT45M\r\n", utc(1, 15, 9, 45), false},
        {"timed without end", "DTSTART:20240115T090000Z\r\n", utc(1, 15, 9), false},
        {"day without end", "DTSTART;VALUE=DATE:20240115\r\n", utc(1, 16, 0), true},
        {"days by duration", "DTSTART;VALUE=DATE:20240115\r\nDURATION:P2D\r\n", utc(1, 17, 0),
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const auto occurrences = readJanuary(calendar(event("UID:x\r\n" + c.lines)));
        ASSERT_EQ(occurrences.size(), 1u);
        EXPECT_EQ(occurrences[0].end, c.end);
        EXPECT_EQ(occurrences[0].isAllDay, c.allDay);
    }
}

TEST(CalendarFile, ZonesFromTheFileTheSystemOrTheLocalClock) {
    setLocalZone("Europe/Berlin");
    struct Case {
        const char* what;
        QByteArray start;
        QDateTime expected;
    };
    const Case cases[] = {
        {"system zone by name", "DTSTART;TZID=America/New_York:20240116T090000", utc(1, 16, 14)},
        // Names the database holds beyond Qt's own list: 09:00 in UTC shows at 10:00 in Berlin.
        {"zone the database names only", "DTSTART;TZID=Etc/UTC:20240116T090000", utc(1, 16, 9)},
        {"zone by an older name", "DTSTART;TZID=US/Eastern:20240116T090000", utc(1, 16, 14)},
        {"zone behind a vendor path",
         "DTSTART;TZID=/freeassociation.sourceforge.net/Tzfile/America/New_York:20240116T090000",
         utc(1, 16, 14)},
        {"zone by its Windows name", "DTSTART;TZID=Tokyo Standard Time:20240116T090000",
         utc(1, 16, 0)},
        {"floating time is local", "DTSTART:20240116T090000", utc(1, 16, 8)},
        {"unknown zone is local", "DTSTART;TZID=Nowhere/Special:20240116T090000", utc(1, 16, 8)},
        {"all-day starts at local midnight", "DTSTART;VALUE=DATE:20240116", utc(1, 15, 23)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const auto occurrences = readJanuary(calendar(event("UID:z\r\n" + c.start + "\r\n")));
        ASSERT_EQ(occurrences.size(), 1u);
        EXPECT_EQ(occurrences[0].start, c.expected);
    }
}

TEST(CalendarFile, FileZoneDefinitionIsUsedOverTheSystemOne) {
    // A zone named like New York but defined an hour off UTC: the file's definition wins.
    const QByteArray zone = "BEGIN:VTIMEZONE\r\nTZID:America/New_York\r\nBEGIN:STANDARD\r\n"
                            "DTSTART:19700101T000000\r\nTZOFFSETFROM:+0100\r\n"
                            "TZOFFSETTO:+0100\r\nEND:STANDARD\r\nEND:VTIMEZONE\r\n";
    const auto occurrences = readJanuary(
        calendar(zone + event("UID:z\r\nDTSTART;TZID=America/New_York:20240116T090000\r\n")));
    ASSERT_EQ(occurrences.size(), 1u);
    EXPECT_EQ(occurrences[0].start, utc(1, 16, 8));
}

TEST(CalendarFile, ReadsTextsStatusAndAttendees) {
    const auto occurrences = readJanuary(calendar(event(
        "UID:t\r\nSUMMARY:Plan\\, then do\r\nLOCATION:Room 1\r\nDESCRIPTION:Line 1\\nLine 2\r\n"
        "URL:https://zoom.us/j/5\r\nSTATUS:CANCELLED\r\nDTSTART:20240116T090000Z\r\n"
        "ATTENDEE;PARTSTAT=DECLINED:MAILTO:Me@Example.com\r\n"
        "ATTENDEE;CN=Bo:mailto:bo@example.com\r\n")));
    ASSERT_EQ(occurrences.size(), 1u);
    const CalendarOccurrence& o = occurrences[0];
    EXPECT_EQ(o.id, QStringLiteral("t"));
    EXPECT_EQ(o.title, QStringLiteral("Plan, then do"));
    EXPECT_EQ(o.location, QStringLiteral("Room 1"));
    EXPECT_EQ(o.notes, QStringLiteral("Line 1\nLine 2"));
    EXPECT_EQ(o.url, QStringLiteral("https://zoom.us/j/5"));
    EXPECT_TRUE(o.cancelled);
    EXPECT_EQ(o.attendees,
              (std::vector<CalendarAttendee>{{"me@example.com", true}, {"bo@example.com", false}}));

    const auto bare = readJanuary(calendar(event("DTSTART:20240116T090000Z\r\n")));
    ASSERT_EQ(bare.size(), 1u);
    EXPECT_FALSE(bare[0].id);
    EXPECT_FALSE(bare[0].title);
    EXPECT_FALSE(bare[0].cancelled);
}

TEST(CalendarFile, BrokenInputGivesWhatCanBeRead) {
    EXPECT_TRUE(readJanuary("").empty());
    EXPECT_TRUE(readJanuary("not a calendar at all\r\n").empty());
    EXPECT_TRUE(readJanuary(calendar(event("UID:nostart\r\nSUMMARY:No start\r\n"))).empty());
    EXPECT_TRUE(readJanuary(calendar(event("UID:bad\r\nDTSTART:20241399T250000Z\r\n"))).empty());
    // Two calendars in one file, and an event without its calendar around it.
    const auto two = readJanuary(calendar(event("UID:1\r\nDTSTART:20240116T090000Z\r\n")) +
                                 calendar(event("UID:2\r\nDTSTART:20240117T090000Z\r\n")));
    EXPECT_EQ(startsOf(two), (QList<QDateTime>{utc(1, 16, 9), utc(1, 17, 9)}));
    const auto loose = readJanuary(event("UID:3\r\nDTSTART:20240118T090000Z\r\n"));
    EXPECT_EQ(startsOf(loose), QList<QDateTime>{utc(1, 18, 9)});
}

TEST(CalendarFile, MovedOccurrenceReplacesTheOriginalEvenOutsideTheWindow) {
    // The 16th's occurrence moved to the 25th, past the window: the 16th shows nothing.
    const auto occurrences = readJanuary(
        calendar(event("UID:w\r\nDTSTART:20240115T090000Z\r\nDTEND:20240115T100000Z\r\n"
                       "RRULE:FREQ=DAILY;COUNT=3\r\n") +
                 event("UID:w\r\nRECURRENCE-ID:20240116T090000Z\r\nDTSTART:20240125T090000Z\r\n"
                       "DTEND:20240125T100000Z\r\n")));
    EXPECT_EQ(startsOf(occurrences), (QList<QDateTime>{utc(1, 15, 9), utc(1, 17, 9)}));
}

TEST(CalendarFile, CalendarsNestedTooDeepAreSkippedAndTheRestIsRead) {
    // Calendars nested 400,000 deep: walking or freeing the parsed tree by recursion would
    // overflow the stack. The events beside them, and in a calendar nested a little, are read.
    constexpr int depth = 400000;
    struct Case {
        const char* what;
        bool closed;
        std::vector<QString> ids;
        int skipped;
    };
    const Case cases[] = {
        {"closed again", true, {"before", "shallow", "after"}, 1},
        {"never closed", false, {}, 0}, // libical gives nothing for calendars left open
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        QByteArray deep;
        deep.reserve(depth * 32);
        for (int i = 0; i < depth; ++i)
            deep += "BEGIN:VCALENDAR\r\n";
        deep += event("UID:deep\r\nDTSTART:20240116T100000Z\r\n");
        for (int i = 0; c.closed && i < depth; ++i)
            deep += "END:VCALENDAR\r\n";
        const QByteArray text =
            calendar(event("UID:before\r\nDTSTART:20240116T090000Z\r\n") +
                     calendar(event("UID:shallow\r\nDTSTART:20240116T093000Z\r\n")) + deep +
                     event("UID:after\r\nDTSTART:20240116T110000Z\r\n"));
        CalendarBudget budget;
        const CalendarReading reading = readOccurrences(text, utc(1, 15, 0), utc(1, 22, 0), budget);
        std::vector<QString> ids;
        for (const CalendarOccurrence& occurrence : reading.occurrences)
            ids.push_back(occurrence.id.value_or(QString()));
        EXPECT_EQ(ids, c.ids);
        EXPECT_EQ(reading.nestedTooDeep, c.skipped);
    }
}
