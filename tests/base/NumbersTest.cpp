#include "base/Numbers.h"

#include <cfloat>
#include <clocale>
#include <cmath>
#include <gtest/gtest.h>
#include <limits>
#include <string>

using namespace morvanex::numbers;

namespace {

constexpr double nan = std::numeric_limits<double>::quiet_NaN();
constexpr double inf = std::numeric_limits<double>::infinity();
constexpr double twoTo53 = 9007199254740992.0;
constexpr double twoTo63 = 9223372036854775808.0;
constexpr std::int64_t int64Min = std::numeric_limits<std::int64_t>::min();
constexpr std::int64_t int64Max = std::numeric_limits<std::int64_t>::max();

TEST(NumbersFixed, MatchesPrintfRounding) {
    struct Case {
        double value;
        int decimals;
        const char* expected;
    };
    const Case cases[] = {
        {3.14159, 2, "3.14"},
        {3.14159, 0, "3"},
        {2.5, 0, "2"},      // exact tie: to even
        {3.5, 0, "4"},      // exact tie: to even
        {0.125, 2, "0.12"}, // exact tie: to even
        {0.375, 2, "0.38"},
        {2.675, 2, "2.67"}, // really 2.67499999...
        {99.95, 1, "100.0"},
        {1e20, 1, "100000000000000000000.0"},
        {-1.25, 1, "-1.2"},
        {-0.001, 2, "-0.00"}, // the sign survives rounding to zero
        {-0.0, 0, "-0"},
        {0.0, 3, "0.000"},
        {1.5, -3, "2"},                   // clamped to 0 decimals
        {0.1, 40, "0.10000000000000001"}, // clamped to 17 decimals
        {nan, 2, "nan"},
        {-nan, 2, "nan"},
        {inf, 1, "inf"},
        {-inf, 1, "-inf"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.value << " with " << c.decimals);
        EXPECT_EQ(fixed(c.value, c.decimals), c.expected);
    }
}

TEST(NumbersFixed, WritesTheLongestValuesInFull) {
    // 309 integer digits, the point and 17 decimals.
    const std::string largest = fixed(DBL_MAX, 17);
    EXPECT_EQ(largest.size(), 327u);
    EXPECT_EQ(largest.substr(0, 17), "17976931348623157");
    EXPECT_EQ(largest.substr(309), ".00000000000000000");
    EXPECT_EQ(fixed(-DBL_MAX, 17).size(), 328u);
    EXPECT_EQ(fixed(DBL_TRUE_MIN, 17), "0.00000000000000000");
}

TEST(NumbersRounding, HalvesGoAwayFromZero) {
    struct Case {
        double value;
        double expected;
    };
    const Case cases[] = {
        {2.5, 3},
        {-2.5, -3},
        {0.5, 1},
        {-0.5, -1},
        {1.4, 1},
        {-0.4, 0},
        {0.49999999999999994, 0},                 // adding 0.5 first would give 1
        {4503599627370497.0, 4503599627370497.0}, // 2^52 + 1: adding 0.5 first would give + 2
        {1e300, 1e300},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value);
        EXPECT_EQ(roundHalfAway(c.value), c.expected);
    }
    EXPECT_TRUE(std::isnan(roundHalfAway(nan)));
    EXPECT_EQ(roundHalfAway(-inf), -inf);
}

TEST(NumbersInt64, ConvertsOnlyWhatFits) {
    struct Case {
        double value;
        std::optional<std::int64_t> truncated;
        std::optional<std::int64_t> rounded;
    };
    const double below2To63 = std::nextafter(twoTo63, 0.0);
    const Case cases[] = {
        {2.9, 2, 3},
        {-2.9, -2, -3},
        {2.5, 2, 3},
        {-2.5, -2, -3},
        {-0.4, 0, 0},
        {0.0, 0, 0},
        {below2To63, 9223372036854774784, 9223372036854774784},
        {twoTo63, std::nullopt, std::nullopt},
        {-twoTo63, int64Min, int64Min},
        {std::nextafter(-twoTo63, -inf), std::nullopt, std::nullopt},
        {1e300, std::nullopt, std::nullopt},
        {nan, std::nullopt, std::nullopt},
        {inf, std::nullopt, std::nullopt},
        {-inf, std::nullopt, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value);
        EXPECT_EQ(truncatedInt64(c.value), c.truncated);
        EXPECT_EQ(roundedInt64(c.value), c.rounded);
    }
}

TEST(NumbersRealText, ShortestFormWithWholeValuesMarked) {
    struct Case {
        double value;
        const char* expected;
    };
    const Case cases[] = {
        {2.0, "2.0"},
        {-0.0, "-0.0"},
        {0.0, "0.0"},
        {0.1, "0.1"},
        {-1.5, "-1.5"},
        {123.456, "123.456"},
        {1.0 / 3, "0.3333333333333333"},
        {1e-4, "0.0001"}, // the smallest magnitude without exponent
        {5e-5, "5e-05"},
        {-1e-5, "-1e-05"},
        {1.5e-7, "1.5e-07"},
        {twoTo53 - 1, "9007199254740991.0"}, // the largest magnitude without exponent
        {twoTo53, "9.007199254740992e+15"},
        {-twoTo53, "-9.007199254740992e+15"},
        {1e16, "1e+16"},
        {DBL_MAX, "1.7976931348623157e+308"},
        {DBL_TRUE_MIN, "5e-324"},
        {nan, "nan"},
        {inf, "inf"},
        {-inf, "-inf"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.expected);
        EXPECT_EQ(realText(c.value), c.expected);
    }
}

TEST(NumbersIntegerText, CoversTheWholeRange) {
    EXPECT_EQ(integerText(0), "0");
    EXPECT_EQ(integerText(-42), "-42");
    EXPECT_EQ(integerText(int64Max), "9223372036854775807");
    EXPECT_EQ(integerText(int64Min), "-9223372036854775808");
}

TEST(NumbersLocale, DecimalPointStaysDotUnderACommaLocale) {
    const std::string previous = std::setlocale(LC_ALL, nullptr);
    ASSERT_NE(std::setlocale(LC_ALL, "de_DE.UTF-8"), nullptr);
    ASSERT_STREQ(std::localeconv()->decimal_point, ",");
    const std::string fixedText = fixed(1.25, 2);
    const std::string real = realText(0.5);
    const std::string exponent = realText(1.5e-7);
    std::setlocale(LC_ALL, previous.c_str());
    EXPECT_EQ(fixedText, "1.25");
    EXPECT_EQ(real, "0.5");
    EXPECT_EQ(exponent, "1.5e-07");
}

} // namespace
