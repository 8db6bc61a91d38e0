#include "platform/ParseNumber.h"

#include <QByteArray>
#include <cstdint>
#include <gtest/gtest.h>
#include <limits>

using namespace morvanex::platform;

namespace {

constexpr auto exact = NumberText::exact;
constexpr auto trimmed = NumberText::trimmed;
constexpr auto leading = NumberText::leading;
constexpr auto none = std::nullopt;

TEST(ParseNumber, WholeNumbersUnderEachRule) {
    struct Row {
        const char* text;
        NumberText rule;
        std::optional<std::uint64_t> asUnsigned;
        std::optional<std::int64_t> asSigned;
    };
    const Row rows[] = {
        {"0", exact, 0, 0},
        {"12345", exact, 12345, 12345},
        {"007", exact, 7, 7},
        {"", exact, none, none},
        {"", trimmed, none, none},
        {"", leading, none, none},
        {"   ", trimmed, none, none},
        // Blanks count only where the rule allows them.
        {" 12", exact, none, none},
        {"12\n", exact, none, none},
        {" \t12\n", trimmed, 12, 12},
        {" 12", leading, none, none},
        {"1 2", trimmed, none, none},
        // Signs: "-" only for signed types, "+" never.
        {"-5", exact, none, -5},
        {"-5", trimmed, none, -5},
        {"+5", exact, none, none},
        {"-", exact, none, none},
        {"--5", exact, none, none},
        // Trailing text: refused unless the rule ignores it.
        {"12kB", exact, none, none},
        {"12 kB", trimmed, none, none},
        {"12 kB", leading, 12, 12},
        {"12kB", leading, 12, 12},
        {"kB", leading, none, none},
        {"0x1f", exact, none, none},
        {"1.5", exact, none, none},
        {"1.5", leading, 1, 1},
        // Range: the largest values fit, one more does not (no wrapping, no clamping).
        {"18446744073709551615", exact, std::numeric_limits<std::uint64_t>::max(), none},
        {"18446744073709551616", exact, none, none},
        {"18446744073709551616", leading, none, none},
        {"9223372036854775807", exact, 9223372036854775807ull,
         std::numeric_limits<std::int64_t>::max()},
        {"-9223372036854775808", exact, none, std::numeric_limits<std::int64_t>::min()},
        {"-9223372036854775809", exact, none, none},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << '"' << row.text << "\" rule " << int(row.rule));
        EXPECT_EQ(parseInteger<std::uint64_t>(row.text, row.rule), row.asUnsigned);
        EXPECT_EQ(parseInteger<std::int64_t>(row.text, row.rule), row.asSigned);
    }
}

TEST(ParseNumber, NarrowTypesAndOtherBases) {
    EXPECT_EQ(parseInteger<std::int32_t>("2147483647"), 2147483647);
    EXPECT_EQ(parseInteger<std::int32_t>("2147483648"), none);
    EXPECT_EQ(parseInteger<std::uint32_t>("4294967295"), 4294967295u);
    EXPECT_EQ(parseInteger<std::uint32_t>("4294967296"), none);
    EXPECT_EQ(parseInteger<std::uint32_t>("-1"), none);

    struct Row {
        const char* text;
        std::optional<std::uint32_t> hex;
    };
    const Row hexRows[] = {
        {"0001A8C0", 0x0001A8C0u},
        {"ffffffff", 0xFFFFFFFFu},
        {"FfFf", 0xFFFFu},
        {"100000000", none},
        {"0x10", none},
        {"g1", none},
        {"", none},
        {"1f ", none},
    };
    for (const Row& row : hexRows) {
        SCOPED_TRACE(row.text);
        EXPECT_EQ(parseInteger<std::uint32_t>(row.text, exact, 16), row.hex);
    }
}

TEST(ParseNumber, HexOrDecimal) {
    struct Row {
        const char* text;
        NumberText rule;
        std::optional<std::int64_t> value;
    };
    const Row rows[] = {
        {"0x1003", exact, 0x1003},
        {"0x1003\n", trimmed, 0x1003},
        {"4099", exact, 4099},
        {"0x", exact, none},
        {"0X10", exact, none},
        {"0xzz", exact, none},
        {"0x10 up", exact, none},
        {"0x10 up", leading, 16},
        {"-12", exact, -12},
        {"", trimmed, none},
        {"0x7fffffffffffffff", exact, std::numeric_limits<std::int64_t>::max()},
        {"0x8000000000000000", exact, none},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << '"' << row.text << "\" rule " << int(row.rule));
        EXPECT_EQ(parseHexOrDecimal<std::int64_t>(row.text, row.rule), row.value);
    }
}

TEST(ParseNumber, RealNumbers) {
    struct Row {
        const char* text;
        NumberText rule;
        std::optional<double> value;
    };
    const Row rows[] = {
        {"12.5", exact, 12.5},   {"0.00", exact, 0.0},     {"-0.25", exact, -0.25},
        {"3", exact, 3.0},       {"1.5e3", exact, 1500.0}, {".5", exact, 0.5},
        {"", exact, none},       {".", exact, none},       {"+1", exact, none},
        {"0x1p3", exact, none},  {" 2.5\n", trimmed, 2.5}, {" 2.5", exact, none},
        {"2.5 ms", exact, none}, {"2.5 ms", leading, 2.5}, {"2.5.1", exact, none},
        {"2.5.1", leading, 2.5}, {"inf", exact, none},     {"nan", leading, none},
        {"1e999", exact, none},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << '"' << row.text << "\" rule " << int(row.rule));
        EXPECT_EQ(parseReal(row.text, row.rule), row.value);
    }
}

TEST(ParseNumber, ReadsOnlyTheGivenBytes) {
    // A view into a longer text stops where the view stops, not at the next NUL.
    const QByteArray text = "123456";
    EXPECT_EQ(parseInteger<int>(QByteArrayView(text).first(3)), 123);
    EXPECT_EQ(parseReal(QByteArrayView(text).sliced(4)), 56.0);
}

} // namespace
