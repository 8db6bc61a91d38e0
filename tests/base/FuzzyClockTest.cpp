#include "base/FuzzyClock.h"

#include <QTimeZone>
#include <gtest/gtest.h>

// Readable failure messages for texts.
inline void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}

using namespace morvanex;

namespace {

TEST(FuzzyClock, PhrasesToTheNearestFiveMinutes) {
    struct Row {
        int hour;
        int minute;
        const char* phrase;
    };
    const Row rows[] = {
        {23, 58, "midnight"},
        {0, 0, "midnight"},
        {0, 2, "midnight"},
        {0, 3, "five past twelve"},
        {0, 10, "ten past twelve"},
        {12, 0, "twelve o'clock"},
        {12, 1, "twelve o'clock"},
        {12, 58, "one o'clock"},
        {14, 12, "ten past two"},
        {14, 13, "quarter past two"},
        {14, 20, "twenty past two"},
        {14, 27, "twenty five past two"},
        {14, 32, "half past two"},
        {14, 33, "twenty five to three"},
        {17, 30, "half past five"},
        {17, 33, "twenty five to six"},
        {17, 38, "twenty to six"},
        {11, 47, "quarter to twelve"},
        {23, 47, "quarter to twelve"},
        {23, 33, "twenty five to twelve"},
        {9, 50, "ten to ten"},
        {9, 57, "five to ten"},
        {11, 58, "twelve o'clock"},
        {22, 59, "eleven o'clock"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.phrase);
        EXPECT_EQ(FuzzyClock::phrase(row.hour, row.minute), row.phrase);
    }
}

TEST(FuzzyClock, UsesTheLocalTimeZone) {
    // Tests run with TZ=UTC: a date given in another zone is read in local time.
    const QDateTime date(QDate(2025, 6, 1), QTime(1, 15), QTimeZone(2 * 3600));
    EXPECT_EQ(FuzzyClock::string(date), "quarter past eleven");
}

TEST(FuzzyClock, OutOfRangeArgumentsStayInTheDay) {
    EXPECT_EQ(FuzzyClock::phrase(-1, -1), "eleven o'clock");
    EXPECT_EQ(FuzzyClock::phrase(24, 0), "midnight");
    EXPECT_EQ(FuzzyClock::phrase(13, 75), "two o'clock");
}

} // namespace
