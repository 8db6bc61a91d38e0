#include "services/CalendarTextCheck.h"

#include "services/CalendarRuleCost.h"

#include <gtest/gtest.h>

using namespace morvanex;

namespace {

// A calendar with one zone whose observance starts at `start` and follows `rule` (a whole line,
// or none), with lines ending in `ending`.
QByteArray zone(const QByteArray& rule, const QByteArray& start = "19700101T000000",
                const QByteArray& ending = "\r\n") {
    QByteArray text =
        "BEGIN:VCALENDAR\nBEGIN:VTIMEZONE\nTZID:Attack\nBEGIN:STANDARD\nDTSTART:" + start +
        "\nTZOFFSETFROM:+0100\nTZOFFSETTO:+0000\n" + (rule.isEmpty() ? QByteArray() : rule + "\n") +
        "END:STANDARD\nEND:VTIMEZONE\nEND:VCALENDAR\n";
    return text.replace("\n", ending);
}

QByteArray list(int first, int last) {
    QByteArray values;
    for (int value = first; value <= last; ++value)
        values += (values.isEmpty() ? "" : ",") + QByteArray::number(value);
    return values;
}

// A property line of `length` bytes in all, folded every 74 bytes as writers do.
QByteArray foldedLine(qsizetype length) {
    QByteArray line = "SUMMARY:" + QByteArray(length - 8, 'x');
    QByteArray folded;
    for (qsizetype at = 0; at < line.size(); at += 74)
        folded += (at == 0 ? "" : "\r\n ") + line.mid(at, 74);
    return folded + "\r\n";
}

// A zone as calendar programs write them: two observances by yearly rules from `start`.
QByteArray realZone(const QByteArray& name, const QByteArray& start) {
    return "BEGIN:VTIMEZONE\r\nTZID:" + name + "\r\nBEGIN:STANDARD\r\nDTSTART:" + start +
           "\r\nRRULE:FREQ=YEARLY;BYMONTH=10;BYDAY=-1SU\r\nTZOFFSETFROM:+0200\r\n"
           "TZOFFSETTO:+0100\r\nEND:STANDARD\r\nBEGIN:DAYLIGHT\r\nDTSTART:" +
           start +
           "\r\nRRULE:FREQ=YEARLY;BYMONTH=3;BYDAY=-1SU\r\nTZOFFSETFROM:+0100\r\n"
           "TZOFFSETTO:+0200\r\nEND:DAYLIGHT\r\nEND:VTIMEZONE\r\n";
}

QByteArray calendarOfZones(int count, const QByteArray& start) {
    QByteArray text = "BEGIN:VCALENDAR\r\n";
    for (int i = 0; i < count; ++i)
        text += realZone("Zone" + QByteArray::number(i), start);
    return text + "END:VCALENDAR\r\n";
}

} // namespace

TEST(CalendarTextCheck, RefusesZoneRulesThatAskForTooManyClockChanges) {
    const QByteArray everyDay = "RRULE:FREQ=YEARLY;BYYEARDAY=" + list(1, 366);
    struct Case {
        const char* what;
        QByteArray text;
        bool refused;
    };
    const Case cases[] = {
        {"every second since 1970", zone("RRULE:FREQ=SECONDLY"), true},
        {"every minute, lower case", zone("rrule:freq=minutely"), true},
        {"daily since 1970", zone("RRULE:FREQ=DAILY;INTERVAL=1"), true},
        {"every day of the year by its days since year 1", zone(everyDay, "00010101T000000"), true},
        {"every day by week numbers and days since 1601",
         zone("RRULE:FREQ=YEARLY;BYWEEKNO=" + list(1, 53) + ";BYDAY=MO,TU,WE,TH,FR,SA,SU",
              "16010101T000000"),
         true},
        {"every day of every month since 1900",
         zone("RRULE:FREQ=YEARLY;BYMONTHDAY=" + list(1, 31), "19000101T000000"), true},
        {"every weekday of every month", zone("RRULE:FREQ=MONTHLY;BYDAY=MO,TU,WE,TH,FR,SA,SU"),
         true},
        {"yearly, but every minute of its day",
         zone("RRULE:FREQ=YEARLY;BYHOUR=" + list(0, 23) + ";BYMINUTE=" + list(0, 59)), true},
        {"hourly, however thinned", zone("RRULE:FREQ=HOURLY;BYMONTH=3;BYMONTHDAY=1;BYHOUR=2"),
         true},
        {"a frequency that cannot be told", zone("RRULE:FREQ=FORTNIGHTLY;BYMONTH=3"), true},
        {"the frequency given twice", zone("RRULE:FREQ=YEARLY;FREQ=SECONDLY"), true},
        {"the frequency folded onto the next line",
         zone("RRULE:FREQ=YEARLY;BYMONTH=3;FR\n EQ=SECONDLY"), true},
        {"weekly since 1970", zone("RRULE:FREQ=WEEKLY"), false},
        {"weekly from a start that libical may read otherwise",
         zone("RRULE:FREQ=WEEKLY", "1970-01-01"), true},
        {"a real zone's rule", zone("RRULE:FREQ=YEARLY;BYMONTH=10;BYDAY=-1SU"), false},
        {"a real zone's rule since year 1",
         zone("RRULE:FREQ=YEARLY;BYMONTH=10;BYDAY=-1SU", "00010101T000000"), false},
        {"a yearly rule with an end",
         zone("RRULE:FREQ=YEARLY;BYMONTH=3;BYDAY=2SU;UNTIL=20060402T070000Z"), false},
        {"every day of the year, but for five years", zone(everyDay + ";UNTIL=19741231T000000Z"),
         false},
        {"every day of the year, one of them kept", zone(everyDay + ";BYSETPOS=1", "00010101"),
         false},
        {"monthly on its first Sunday", zone("RRULE:FREQ=MONTHLY;BYDAY=1SU"), false},
        {"yearly at a set second", zone("RRULE:BYSECOND=1;FREQ=YEARLY"), false},
        {"a zone without a rule", zone(""), false},
        {"twenty zones since 1601", calendarOfZones(20, "16010101T000000"), false},
        {"two hundred zones since 1601", calendarOfZones(200, "16010101T000000"), true},
        // An event's own rules are bounded by the reading's budget, not here.
        {"an event every second",
         "BEGIN:VCALENDAR\r\nBEGIN:VEVENT\r\nDTSTART:19700101T000000Z\r\nRRULE:FREQ=SECONDLY\r\n"
         "END:VEVENT\r\nEND:VCALENDAR\r\n",
         false},
        {"empty", "", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::optional<QString> refusal = calendarTextRefusal(c.text);
        EXPECT_EQ(refusal.has_value(), c.refused) << refusal.value_or(QString()).toStdString();
        if (refusal && c.refused) {
            EXPECT_EQ(*refusal, QStringLiteral("its time zone rules ask for more than 100000 "
                                               "clock changes"));
        }
    }
}

TEST(CalendarTextCheck, SplitsLinesAsLibicalDoes) {
    const QByteArray secondly = "RRULE:FREQ=SECONDLY";
    struct Case {
        const char* what;
        QByteArray text;
        bool refused;
    };
    const Case cases[] = {
        // libical ends lines at CR where no LF follows.
        {"CR alone", zone(secondly, "19700101T000000", "\r"), true},
        {"LF alone", zone(secondly, "19700101T000000", "\n"), true},
        {"CR alone, folded",
         zone("RRULE:FREQ=YEARLY;BYMONTH=3;FR\r EQ=SECONDLY", "19700101T000000", "\r"), true},
        {"CR alone, folded with a tab",
         zone("RRULE:FREQ=YEARLY;BYMONTH=3;FR\r\tEQ=SECONDLY", "19700101T000000", "\r"), true},
        // Where a LF follows, a CR is part of the line: the zone's lines run together up to the
        // one LF at the end, and libical sees no zone.
        {"CR alone but for a LF at the end", zone(secondly, "19700101T000000", "\r") + "\n", false},
        // libical takes lines ending in CR alone in pieces of 79 bytes: the rest of a longer rule
        // is no part of it.
        {"a long rule cut at 79 bytes, CR alone",
         zone("RRULE:FREQ=YEARLY;BYMONTH=10;BYDAY=-1SU;X-PAD=" + QByteArray(40, 'x') +
                  ";FREQ=SECONDLY",
              "19700101T000000", "\r"),
         false},
        {"the same rule, CR LF",
         zone("RRULE:FREQ=YEARLY;BYMONTH=10;BYDAY=-1SU;X-PAD=" + QByteArray(40, 'x') +
              ";FREQ=SECONDLY"),
         true},
        // libical reads nothing after a NUL byte.
        {"a rule after a NUL byte", QByteArray("BEGIN:VCALENDAR\r\n\0", 19) + zone(secondly),
         false},
        // Names end at white space: "END " closes the zone in libical too; "BEGIN :" opens.
        {"an event's rule after the zone ended",
         "BEGIN:VCALENDAR\r\nBEGIN:VTIMEZONE\r\nEND :VTIMEZONE\r\nBEGIN:VEVENT\r\n" + secondly +
             "\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n",
         false},
        {"a rule in a zone opened with a space",
         "BEGIN :VTIMEZONE\r\nBEGIN:STANDARD\r\nDTSTART:19700101T000000\r\n" + secondly +
             "\r\nEND:STANDARD\r\nEND:VTIMEZONE\r\n",
         true},
        // A zone left open still counts.
        {"an unended zone",
         "BEGIN:VCALENDAR\r\nBEGIN:VTIMEZONE\r\nBEGIN:STANDARD\r\n" + secondly + "\r\n", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::optional<QString> refusal = calendarTextRefusal(c.text);
        EXPECT_EQ(refusal.has_value(), c.refused) << refusal.value_or(QString()).toStdString();
    }
}

TEST(CalendarTextCheck, RefusesTooManyLinesEndingInCarriageReturnAlone) {
    // libical looks for a LF through the rest of the text at every such line.
    QByteArray many = "BEGIN:VCALENDAR\r";
    for (int i = 0; i < 200000; ++i)
        many += "X-A:" + QByteArray::number(i) + "\r";
    const std::optional<QString> refusal = calendarTextRefusal(many + "END:VCALENDAR\r");
    ASSERT_TRUE(refusal);
    EXPECT_EQ(*refusal, QStringLiteral("too many of its lines end in CR alone"));
    // The same lines ending in LF are fine.
    EXPECT_FALSE(calendarTextRefusal(QByteArray(many).replace('\r', '\n')));
}

TEST(CalendarTextCheck, RefusesLinesLongerThanTheLimitAfterUnfolding) {
    const QByteArray head = "BEGIN:VCALENDAR\r\nBEGIN:VEVENT\r\n";
    const QByteArray tail = "END:VEVENT\r\nEND:VCALENDAR\r\n";
    EXPECT_FALSE(calendarTextRefusal(head + foldedLine(maxCalendarLineBytes) + tail));
    const std::optional<QString> folded =
        calendarTextRefusal(head + foldedLine(maxCalendarLineBytes + 1) + tail);
    ASSERT_TRUE(folded);
    EXPECT_EQ(*folded, QStringLiteral("a line is longer than 1048576 bytes"));
    // Unfolded, and with no line end at all.
    EXPECT_TRUE(calendarTextRefusal(QByteArray(maxCalendarLineBytes + 1, 'x')));
    // Many lines at the limit are fine: the limit is per line.
    QByteArray many = head;
    for (int i = 0; i < 4; ++i)
        many += foldedLine(maxCalendarLineBytes);
    EXPECT_FALSE(calendarTextRefusal(many + tail));
}

TEST(CalendarRuleCost, EstimatesStartsAYearFromEveryPart) {
    struct Case {
        const char* rule;
        double perYear;
    };
    const Case cases[] = {
        {"FREQ=YEARLY;BYMONTH=10;BYDAY=-1SU", 1},
        {"FREQ=YEARLY;INTERVAL=4", 0.25},
        {"FREQ=YEARLY;BYMONTH=3,10;BYDAY=-1SU", 2},
        {"FREQ=YEARLY;BYDAY=MO", 53},
        {"FREQ=YEARLY;BYMONTH=1;BYDAY=MO,TU", 10},
        {"FREQ=YEARLY;BYWEEKNO=1,2;BYDAY=MO", 2},
        {"FREQ=YEARLY;BYYEARDAY=1,100,200", 3},
        {"FREQ=YEARLY;BYMONTHDAY=1,15", 24},
        {"FREQ=YEARLY;BYYEARDAY=1,2,3;BYSETPOS=-1", 1},
        {"FREQ=YEARLY;BYHOUR=1,2;BYMINUTE=0,30;BYSECOND=0,1,2", 12},
        {"FREQ=MONTHLY;BYMONTHDAY=1,2,3", 36},
        {"FREQ=MONTHLY;INTERVAL=2;BYDAY=1SU", 6},
        {"FREQ=WEEKLY;BYDAY=MO,WE,FR", 159},
        {"FREQ=DAILY;BYMONTH=3", 366},
        {"FREQ=DAILY;BYHOUR=1,2", 732},
        {"FREQ=HOURLY;BYMINUTE=0,30", 366 * 24 * 2},
        {"FREQ=MINUTELY;INTERVAL=60", 366 * 24},
        {"FREQ=SECONDLY;BYMONTH=1;BYMINUTE=1", 366.0 * 86400},
        {"BYMONTH=1", 366.0 * 86400},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.rule);
        EXPECT_DOUBLE_EQ(ruleStartsPerYear(QByteArrayView(c.rule)), c.perYear);
    }
    // From its start to its end, or as far as libical goes.
    EXPECT_DOUBLE_EQ(zoneRuleChanges("FREQ=YEARLY", 1970), furthestZoneYear - 1970 + 1);
    EXPECT_DOUBLE_EQ(zoneRuleChanges("FREQ=YEARLY;UNTIL=19791231", 1970), 10);
    EXPECT_DOUBLE_EQ(zoneRuleChanges("FREQ=YEARLY;UNTIL=1979-12-31", 1970),
                     furthestZoneYear - 1970 + 1);
    EXPECT_DOUBLE_EQ(zoneRuleChanges("FREQ=YEARLY", 9000), 1);
}
