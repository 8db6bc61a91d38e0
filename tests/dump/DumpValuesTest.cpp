#include "dump/DumpValues.h"

#include <gtest/gtest.h>
#include <limits>

// Readable failure messages for texts.
inline void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}

using namespace morvanex;

namespace {

TEST(DumpValues, TagsArePaddedToNineCharacters) {
    EXPECT_EQ(dump::tag(u"CPU"), "CPU      ");
    EXPECT_EQ(dump::tag(u"  if"), "  if     ");
    EXPECT_EQ(dump::tag(u"PanelSize"), "PanelSize");
    for (const char16_t* word : {u"Insight", u"HotKeys", u"Wi-Fi", u"DiskIO", u"Rule"})
        EXPECT_EQ(dump::tag(word).size(), 9);
}

TEST(DumpValues, RealsAreShortestRoundTripWithAFractionalPart) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    struct Row {
        double value;
        const char* text;
    };
    const Row rows[] = {
        {0.0, "0.0"},
        {-0.0, "-0.0"},
        {12.0, "12.0"},
        {3.85, "3.85"},
        {-1.25, "-1.25"},
        {0.1 + 0.2, "0.30000000000000004"},
        {866.7, "866.7"},
        {0.0001, "0.0001"},
        {0.00001, "1e-05"},
        {1e16, "1e+16"},
        {123456789.0, "123456789.0"},
        {nan, "nan"},
        {inf, "inf"},
        {-inf, "-inf"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text);
        EXPECT_EQ(dump::real(row.value), row.text);
    }
    EXPECT_EQ(dump::realOrNan(std::nullopt), "nan");
    EXPECT_EQ(dump::realOrNan(5.0), "5.0");
}

TEST(DumpValues, FixedDecimalsAndWholeNumbers) {
    EXPECT_EQ(dump::fixed(0.525, 2), "0.53"); // the binary value lies just above the tie
    EXPECT_EQ(dump::fixed(2.0, 2), "2.00");
    EXPECT_EQ(dump::fixed(-0.04, 1), "-0.0");
    EXPECT_EQ(dump::whole(2399.9), "2399");
    EXPECT_EQ(dump::whole(-7.8), "-7");
    EXPECT_EQ(dump::whole(std::numeric_limits<double>::quiet_NaN()), "—");
    EXPECT_EQ(dump::whole(1e300), "—");
    EXPECT_EQ(dump::integer(-42), "-42");
    EXPECT_EQ(dump::yesNo(true), "true");
    EXPECT_EQ(dump::yesNo(false), "false");
    EXPECT_EQ(dump::orDash(std::nullopt), "-");
    EXPECT_EQ(dump::orDash(QStringLiteral("eth0")), "eth0");
}

TEST(DumpValues, TextListsQuoteAndEscapeEachItem) {
    struct Row {
        QStringList items;
        QString text;
    };
    const Row rows[] = {
        {{}, QStringLiteral("[]")},
        {{QStringLiteral("1.1.1.1")}, QStringLiteral("[\"1.1.1.1\"]")},
        {{QStringLiteral("a"), QStringLiteral("")}, QStringLiteral("[\"a\", \"\"]")},
        {{QStringLiteral("say \"hi\"")}, QStringLiteral("[\"say \\\"hi\\\"\"]")},
        {{QStringLiteral("C:\\dir")}, QStringLiteral("[\"C:\\\\dir\"]")},
        {{QStringLiteral("tab\there\nnew\rret")}, QStringLiteral("[\"tab\\there\\nnew\\rret\"]")},
        {{QString(QChar(0)) + QStringLiteral("x")}, QStringLiteral("[\"\\0x\"]")},
        {{QStringLiteral("esc\x1b"), QString(QChar(0x7f)) + QChar(0x85)},
         QStringLiteral("[\"esc\\u{1b}\", \"\\u{7f}\\u{85}\"]")},
        // Apostrophes and text beyond ASCII stay as they are.
        {{QStringLiteral("Anna's iPhone — 5 GHz 🌙")},
         QStringLiteral("[\"Anna's iPhone — 5 GHz 🌙\"]")},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text.toStdString());
        EXPECT_EQ(dump::textList(row.items), row.text);
    }
}

TEST(DumpValues, NumberListsAreRealsWithoutQuotes) {
    EXPECT_EQ(dump::numberList({}), "[]");
    EXPECT_EQ(dump::numberList({3.85, 4.0, 3.901}), "[3.85, 4.0, 3.901]");
}

} // namespace
