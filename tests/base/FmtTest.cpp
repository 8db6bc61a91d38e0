#include "base/Fmt.h"

#include <QLocale>
#include <cfloat>
#include <clocale>
#include <cmath>
#include <gtest/gtest.h>
#include <limits>
#include <string>

using namespace morvanex;

namespace {

constexpr double nan = std::numeric_limits<double>::quiet_NaN();
constexpr double inf = std::numeric_limits<double>::infinity();
constexpr double KiB = 1024;
const QString dash = QStringLiteral("\u2014");

// Switches both the Qt and the C library locale for one test and restores them afterwards.
class LocaleGuard {
public:
    LocaleGuard(const QLocale& qtLocale, const char* cLocale)
        : previousQt_(QLocale()), previousC_(std::setlocale(LC_ALL, nullptr)) {
        QLocale::setDefault(qtLocale);
        applied_ = std::setlocale(LC_ALL, cLocale) != nullptr;
    }
    ~LocaleGuard() {
        QLocale::setDefault(previousQt_);
        std::setlocale(LC_ALL, previousC_.c_str());
    }
    LocaleGuard(const LocaleGuard&) = delete;
    LocaleGuard& operator=(const LocaleGuard&) = delete;

    bool applied() const { return applied_; }

private:
    QLocale previousQt_;
    std::string previousC_;
    bool applied_ = false;
};

// Every number format runs under C and under German, whose decimal separator is ",".
struct Locale {
    const char* qtName;
    const char* cName;
};

void PrintTo(const Locale& locale, std::ostream* os) {
    *os << locale.qtName;
}

class FmtNumbers : public testing::TestWithParam<Locale> {
protected:
    void SetUp() override {
        guard_.emplace(QLocale(QString::fromLatin1(GetParam().qtName)), GetParam().cName);
        ASSERT_TRUE(guard_->applied()) << GetParam().cName;
        if (QLocale().language() == QLocale::German) {
            ASSERT_EQ(QLocale().decimalPoint(), QStringLiteral(","));
            ASSERT_STREQ(std::localeconv()->decimal_point, ",");
        }
    }
    void TearDown() override { guard_.reset(); }

private:
    std::optional<LocaleGuard> guard_;
};

struct TextCase {
    double value;
    const char* expected; // UTF-8
};

TEST_P(FmtNumbers, PercentRoundsHalvesAwayFromZero) {
    const TextCase cases[] = {
        {42.5, "43%"},   {-0.4, "0%"},   {100, "100%"},
        {0.5, "1%"},     {99.5, "100%"}, {-0.5, "-1%"},
        {-42.5, "-43%"}, {0, "0%"},      {9.2e18, "9200000000000000000%"},
        {1e19, "—"},     {-1e19, "—"},   {nan, "—"},
        {inf, "—"},      {-inf, "—"},
    };
    for (const TextCase& c : cases) {
        SCOPED_TRACE(c.value);
        EXPECT_EQ(Fmt::percent(c.value), QString::fromUtf8(c.expected));
    }
}

TEST_P(FmtNumbers, BytesScaleByBaseAndChooseDecimalsBeforePrinting) {
    struct Case {
        double value;
        double base;
        const char* expected;
    };
    const Case cases[] = {
        {512, 1024, "512 B"},
        {1536, 1024, "1.5 KB"},
        {150 * KiB, 1024, "150 KB"},
        {1023, 1024, "1023 B"},
        {1024, 1024, "1.0 KB"},
        {1.5 * KiB * KiB * KiB, 1024, "1.5 GB"},
        {KiB * KiB * KiB * KiB * KiB, 1024, "1.0 PB"},
        {1000, 1000, "1.0 KB"},
        {999999, 1000, "1000 KB"},
        {2.5e12, 1000, "2.5 TB"},
        {0, 1024, "0 B"},
        {99.95 * KiB, 1024, "100.0 KB"},
        {5 * std::pow(KiB, 6), 1024, "5120 PB"},
        {-512, 1024, "-512 B"},
        {-2048, 1024, "-2.0 KB"},
        {-200 * KiB, 1024, "-200.0 KB"},
        {nan, 1024, "—"},
        {inf, 1024, "—"},
        {-inf, 1000, "—"},
        {5, 0, "—"}, // scaling by 0 overflows
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.value << " base " << c.base);
        EXPECT_EQ(Fmt::bytes(c.value, c.base), QString::fromUtf8(c.expected));
    }
    EXPECT_EQ(Fmt::bytes(1536), QStringLiteral("1.5 KB"));
    // The largest count stops at PB and still prints every digit, no exponent.
    const QString largest = Fmt::bytes(DBL_MAX);
    EXPECT_EQ(largest.size(), 294 + 3);
    EXPECT_TRUE(largest.endsWith(QStringLiteral(" PB")));
}

TEST_P(FmtNumbers, RateInBytesOrBits) {
    struct Case {
        double bytesPerSecond;
        bool bits;
        const char* expected;
    };
    const Case cases[] = {
        {500, false, "500 B/s"},
        {2048, false, "2.0 KB/s"},
        {200 * KiB, false, "200 KB/s"},
        {0, false, "0 B/s"},
        {1023, false, "1023 B/s"},
        {1024, false, "1.0 KB/s"},
        {99.95 * KiB, false, "100.0 KB/s"},
        {1.5 * KiB * KiB, false, "1.5 MB/s"},
        {10 * KiB * KiB * KiB * KiB, false, "10240 GB/s"},
        {-5000, false, "-5000 B/s"},
        {125, true, "1.0 Kb/s"},
        {100, true, "800 b/s"},
        {0, true, "0 b/s"},
        {124.875, true, "999 b/s"},
        {12500, true, "100 Kb/s"},
        {125e6, true, "1.0 Gb/s"},
        {1.25e12, true, "10000 Gb/s"},
        {-1e9, true, "-8000000000 b/s"},
        {nan, false, "—"},
        {inf, true, "—"},
        {-inf, false, "—"},
        {DBL_MAX, true, "—"}, // times 8 overflows
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.bytesPerSecond << (c.bits ? " bits" : " bytes"));
        EXPECT_EQ(Fmt::rate(c.bytesPerSecond, c.bits), QString::fromUtf8(c.expected));
    }
}

TEST_P(FmtNumbers, NumberUsesFixedDecimals) {
    struct Case {
        double value;
        int decimals;
        const char* expected;
    };
    const Case cases[] = {
        {3.14159, 2, "3.14"}, {3.14159, 0, "3"},    {2.5, 0, "2"},
        {0.125, 2, "0.12"},   {-0.001, 2, "-0.00"}, {1e21, 0, "1000000000000000000000"},
        {-7.25, 3, "-7.250"}, {nan, 2, "—"},        {inf, 0, "—"},
        {-inf, 1, "—"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.value << " with " << c.decimals);
        EXPECT_EQ(Fmt::number(c.value, c.decimals), QString::fromUtf8(c.expected));
    }
}

TEST_P(FmtNumbers, DurationTruncatesToMinutesHoursAndDays) {
    const TextCase cases[] = {
        {59, "0m"},          {3599, "59m"},
        {3600, "1h 0m"},     {86399, "23h 59m"},
        {86400, "1d 0h 0m"}, {90061, "1d 1h 1m"},
        {59.9, "0m"},        {3659.99, "1h 0m"},
        {0, "0m"},           {86400e6 + 7200, "1000000d 2h 0m"},
        {-61, "-1m"},    // negative spans stay below every threshold
        {-90061, "-1m"}, // the remainder keeps the sign
        {1e19, "—"},         {nan, "—"},
        {inf, "—"},          {-inf, "—"},
    };
    for (const TextCase& c : cases) {
        SCOPED_TRACE(c.value);
        EXPECT_EQ(Fmt::duration(c.value), QString::fromUtf8(c.expected));
    }
}

INSTANTIATE_TEST_SUITE_P(FmtLocales, FmtNumbers,
                         testing::Values(Locale{"C", "C.UTF-8"}, Locale{"de_DE", "de_DE.UTF-8"}),
                         [](const testing::TestParamInfo<Locale>& instance) {
                             return std::string(instance.param.qtName);
                         });

TEST(FmtTime, FollowsLocaleAndZone) {
    const QTimeZone berlin("Europe/Berlin");
    const QTimeZone newYork("America/New_York");
    const QTimeZone kolkata("Asia/Kolkata");
    ASSERT_TRUE(berlin.isValid() && newYork.isValid() && kolkata.isValid());
    const QDateTime november(QDate(2023, 11, 14), QTime(15, 4, 59), QTimeZone::utc());
    const QDateTime july(QDate(2023, 7, 14), QTime(15, 4), QTimeZone::utc());

    struct Case {
        const char* locale;
        QDateTime at;
        QTimeZone zone;
        const char* expected;
    };
    const Case cases[] = {
        {"en_US", november, QTimeZone::utc(), "3:04 PM"},
        {"en_US", november, berlin, "4:04 PM"},
        {"en_US", november, newYork, "10:04 AM"},
        {"en_US", july, berlin, "5:04 PM"}, // summer time
        {"de_DE", november, QTimeZone::utc(), "15:04"},
        {"de_DE", november, berlin, "16:04"},
        {"de_DE", november, newYork, "10:04"},
        {"de_DE", november, kolkata, "20:34"},
        {"de_DE", july, newYork, "11:04"},
        {"de_DE", november.toTimeZone(newYork), berlin, "16:04"}, // the source zone is irrelevant
        {"C", november, berlin, "16:04"}, // no seconds without a locale either
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.locale << " " << c.zone.id().constData());
        const LocaleGuard guard(QLocale(QString::fromLatin1(c.locale)),
                                (std::string(c.locale) + ".UTF-8").c_str());
        EXPECT_EQ(Fmt::time(c.at, c.zone), QString::fromUtf8(c.expected));
    }
}

TEST(FmtTime, AbsentOrInvalidGivesDash) {
    for (const char* locale : {"en_US", "de_DE"}) {
        const LocaleGuard guard(QLocale(QString::fromLatin1(locale)), "C.UTF-8");
        for (const QTimeZone& zone : {QTimeZone::utc(), QTimeZone("Asia/Tokyo")}) {
            SCOPED_TRACE(testing::Message() << locale << " " << zone.id().constData());
            EXPECT_EQ(Fmt::time(std::nullopt, zone), dash);
            EXPECT_EQ(Fmt::time(QDateTime(), zone), dash);
        }
        const QDateTime valid(QDate(2023, 11, 14), QTime(15, 4), QTimeZone::utc());
        EXPECT_EQ(Fmt::time(valid, QTimeZone("Nowhere/Bogus")), dash);
    }
}

} // namespace
