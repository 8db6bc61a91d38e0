#include "platform/LocaleFacts.h"

#include <QDateTime>
#include <QTimeZone>
#include <gtest/gtest.h>

using namespace morvanex::platform;

namespace {

QDateTime utc(int y, int m, int d, int h = 12, int min = 0) {
    return QDateTime(QDate(y, m, d), QTime(h, min), QTimeZone::utc());
}

TEST(LocaleFacts, FirstWeekdayAndWeekendFollowTheLocale) {
    struct Case {
        const char* locale;
        int first;
        QList<int> weekend;
    };
    const Case cases[] = {
        {"en_US", 1, {1, 7}},
        {"de_DE", 2, {1, 7}},
        {"ar_EG", 7, {6, 7}},
        {"fr_FR", 2, {1, 7}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.locale);
        EXPECT_EQ(LocaleFacts::firstWeekday(c.locale), c.first);
        EXPECT_EQ(LocaleFacts::weekendDays(c.locale), c.weekend);
    }
}

TEST(LocaleFacts, WeekendDayIsTakenInTheZone) {
    // Friday 22:00 in New York is already Saturday in Kolkata.
    const QDateTime fridayNight =
        QDateTime(QDate(2026, 12, 11), QTime(22, 0), QTimeZone("America/New_York"));
    EXPECT_FALSE(LocaleFacts::isWeekend(fridayNight, "en_US", "America/New_York"));
    EXPECT_TRUE(LocaleFacts::isWeekend(fridayNight, "en_US", "Asia/Kolkata"));
    // In Egypt Friday is a weekend day, Sunday is not.
    EXPECT_TRUE(LocaleFacts::isWeekend(utc(2026, 12, 11), "ar_EG", "UTC"));
    EXPECT_FALSE(LocaleFacts::isWeekend(utc(2026, 12, 13), "ar_EG", "UTC"));
}

TEST(LocaleFacts, WeekNumberingFollowsTheLocale) {
    // 1 January 2027 is a Friday: week 1 in the US, week 53 of 2026 under ISO rules.
    EXPECT_EQ(LocaleFacts::weekOfYear(utc(2027, 1, 1), "en_US", "UTC"), 1);
    EXPECT_EQ(LocaleFacts::weekOfYear(utc(2027, 1, 1), "de_DE", "UTC"), 53);
    EXPECT_EQ(LocaleFacts::weekOfYear(utc(2026, 12, 9), "de_DE", "UTC"), 50);
}

TEST(LocaleFacts, DayOfYearCountsInTheZone) {
    EXPECT_EQ(LocaleFacts::dayOfYear(utc(2024, 12, 31), "en_US", "UTC"), 366);
    EXPECT_EQ(LocaleFacts::dayOfYear(utc(2026, 1, 1, 0, 30), "en_US", "UTC"), 1);
    // Half past midnight UTC on 1 January is still 31 December in New York.
    EXPECT_EQ(LocaleFacts::dayOfYear(utc(2026, 1, 1, 0, 30), "en_US", "America/New_York"), 365);
    EXPECT_EQ(LocaleFacts::dayOfYear(QDateTime(), "en_US", "UTC"), 0);
}

TEST(LocaleFacts, VeryShortWeekdaysStartOnSunday) {
    EXPECT_EQ(LocaleFacts::veryShortWeekdaySymbols("en_US"),
              QStringList({"S", "M", "T", "W", "T", "F", "S"}));
    const QStringList german = LocaleFacts::veryShortWeekdaySymbols("de_DE");
    ASSERT_EQ(german.size(), 7);
    EXPECT_EQ(german.first(), "S");
    EXPECT_EQ(german[1], "M");
    EXPECT_EQ(LocaleFacts::veryShortWeekdaySymbols("C").size(), 7);
}

TEST(LocaleFacts, SkeletonsLetTheLocaleOrderTheDate) {
    const QDateTime date = utc(2026, 12, 9, 15, 14);
    EXPECT_EQ(LocaleFacts::format(date, "EEEEMMMMd", "en_US", "UTC"), "Wednesday, December 9");
    EXPECT_EQ(LocaleFacts::format(date, "EEEEMMMMd", "de_DE", "UTC"), "Mittwoch, 9. Dezember");
    EXPECT_EQ(LocaleFacts::format(date, "MMMMy", "en_US", "UTC"), "December 2026");
    EXPECT_EQ(LocaleFacts::format(date, "EEE", "en_US", "UTC"), "Wed");
    // The zone decides the weekday and the clock time: 20:00 UTC is Thursday in Kolkata.
    EXPECT_EQ(LocaleFacts::format(utc(2026, 12, 9, 20, 0), "EEE", "en_US", "Asia/Kolkata"), "Thu");
    const QString weekdayTime = LocaleFacts::format(date, "Ejmm", "en_US", "America/New_York");
    EXPECT_TRUE(weekdayTime.startsWith("Wed 10:14")) << weekdayTime.toStdString();
    EXPECT_TRUE(weekdayTime.endsWith("AM")) << weekdayTime.toStdString();
    EXPECT_EQ(LocaleFacts::format(date, "Ejmm", "de_DE", "UTC"), "Mi., 15:14");
    EXPECT_TRUE(LocaleFacts::format(QDateTime(), "EEE", "en_US", "UTC").isEmpty());
    // A fixed pattern keeps its fields as written: the German abbreviation with its stop.
    EXPECT_EQ(LocaleFacts::formatPattern(date, "EEE", "de_DE", "UTC"), "Mi.");
    EXPECT_EQ(LocaleFacts::formatPattern(date, "EEE", "en_US", "Asia/Kolkata"), "Wed");
}

TEST(LocaleFacts, AbbreviatedDateWithShortTime) {
    const QString text = LocaleFacts::abbreviatedDateShortTime(utc(2026, 12, 16, 2, 41), "en_US",
                                                               "America/New_York");
    EXPECT_TRUE(text.startsWith("Dec 15, 2026")) << text.toStdString();
    EXPECT_TRUE(text.contains("9:41")) << text.toStdString();
    EXPECT_TRUE(LocaleFacts::abbreviatedDateShortTime(QDateTime(), "en_US", "UTC").isEmpty());
}

} // namespace
