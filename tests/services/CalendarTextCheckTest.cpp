#include "services/CalendarTextCheck.h"

#include <gtest/gtest.h>

using namespace morvanex;

namespace {

QByteArray zone(const QByteArray& rule) {
    return "BEGIN:VCALENDAR\r\nBEGIN:VTIMEZONE\r\nTZID:Attack\r\nBEGIN:STANDARD\r\n"
           "DTSTART:19700101T000000\r\nTZOFFSETFROM:+0100\r\nTZOFFSETTO:+0000\r\n" +
           rule + "END:STANDARD\r\nEND:VTIMEZONE\r\nEND:VCALENDAR\r\n";
}

// A property line of `length` bytes in all, folded every 74 bytes as writers do.
QByteArray foldedLine(qsizetype length) {
    QByteArray line = "SUMMARY:" + QByteArray(length - 8, 'x');
    QByteArray folded;
    for (qsizetype at = 0; at < line.size(); at += 74)
        folded += (at == 0 ? "" : "\r\n ") + line.mid(at, 74);
    return folded + "\r\n";
}

} // namespace

TEST(CalendarTextCheck, RefusesZoneRulesThatRepeatWithoutPracticalEnd) {
    struct Case {
        const char* what;
        QByteArray text;
        bool refused;
    };
    const Case cases[] = {
        {"every second since 1970", zone("RRULE:FREQ=SECONDLY\r\n"), true},
        {"every minute, lower case", zone("rrule:freq=minutely\r\n"), true},
        {"daily", zone("RRULE:FREQ=DAILY;INTERVAL=1\r\n"), true},
        {"monthly", zone("RRULE:FREQ=MONTHLY;BYDAY=1SU\r\n"), true},
        {"yearly but every hour of its days", zone("RRULE:FREQ=YEARLY;BYMONTH=3;BYHOUR=0,1,2\r\n"),
         true},
        {"yearly but every second", zone("RRULE:BYSECOND=1;FREQ=YEARLY\r\n"), true},
        {"frequency folded onto the next line", zone("RRULE:BYMONTH=3;FR\r\n EQ=SECONDLY\r\n"),
         true},
        {"a real zone's rule", zone("RRULE:FREQ=YEARLY;BYMONTH=10;BYDAY=-1SU\r\n"), false},
        {"a yearly rule with an end",
         zone("RRULE:FREQ=YEARLY;BYMONTH=3;BYDAY=2SU;UNTIL=20060402T070000Z\r\n"), false},
        {"a zone without a rule", zone(""), false},
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
    }
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
