#include "agents/McpNumbers.h"

#include "base/JsonWriter.h"

#include <QJsonArray>
#include <cmath>
#include <gtest/gtest.h>
#include <limits>

using namespace morvanex;

namespace {

// How a value prints inside an answer.
std::string printed(const QJsonValue& value) {
    const auto text = json::compact(QJsonArray{value});
    return text ? text->mid(1, text->size() - 2).toStdString() : "<unwritable>";
}

struct RoundRow {
    double value;
    int decimals;
    const char* printed;
};

TEST(McpRounding, PrintsTheFixedDecimalInItsShortestExactForm) {
    constexpr double inf = std::numeric_limits<double>::infinity();
    const RoundRow rows[] = {
        {45.26, 1, "45.3"},
        {45.0, 1, "45"},
        {7.0, 1, "7"},
        {0.04, 1, "0"},
        {-0.04, 1, "0"}, // "-0.0" from printf: no negative zero in an answer
        {-0.0, 2, "0"},
        {41.236, 2, "41.24"},
        {41.236, 1, "41.2"},
        {2.675, 2, "2.67"}, // the binary value lies below the tie, as printf sees it
        {0.25, 1, "0.2"},   // an exact tie goes to even, as printf rounds it
        {0.35, 1, "0.3"},
        {-12.35, 1, "-12.3"},
        {99.95, 1, "100"},
        {1e18, 1, "1000000000000000000"}, // every digit, no exponent
        {123456789.123, 2, "123456789.12"},
        {std::nan(""), 1, "0"},
        {inf, 1, "0"},
        {-inf, 2, "0"},
    };
    for (const RoundRow& row : rows) {
        SCOPED_TRACE(row.value);
        EXPECT_EQ(printed(mcp::r(row.value, row.decimals)), row.printed);
        // The text form used inside sentences reads the same.
        EXPECT_EQ(mcp::rText(row.value, row.decimals).toStdString(), row.printed);
    }
}

TEST(McpRounding, WholeNumbersFromReadings) {
    EXPECT_EQ(mcp::wholeOrZero(1234.9), 1234);
    EXPECT_EQ(mcp::wholeOrZero(-3.7), -3);
    EXPECT_EQ(mcp::wholeOrZero(std::nan("")), 0);
    EXPECT_EQ(mcp::wholeOrZero(std::numeric_limits<double>::infinity()), 0);
    EXPECT_EQ(mcp::wholeOrZero(1e300), 0);
}

TEST(McpRounding, HoursAndMinutes) {
    EXPECT_EQ(mcp::hoursMinutes(125), "2:05");
    EXPECT_EQ(mcp::hoursMinutes(0), "0:00");
    EXPECT_EQ(mcp::hoursMinutes(59), "0:59");
    EXPECT_EQ(mcp::hoursMinutes(600), "10:00");
    EXPECT_EQ(mcp::hoursMinutes(-65), "-1:-5"); // as "%d:%02d" prints it
}

TEST(McpRounding, RankKeyPutsNotANumberLast) {
    EXPECT_LT(mcp::rankKey(std::nan("")), mcp::rankKey(-1e308));
    EXPECT_EQ(mcp::rankKey(3.5), 3.5);
}

} // namespace
