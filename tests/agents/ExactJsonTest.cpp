#include "agents/ExactJson.h"

#include <gtest/gtest.h>

using namespace morvanex::agents;

namespace {

struct SameRow {
    const char* name;
    QString a;
    QString b;
    bool same;
};

void PrintTo(const SameRow& row, std::ostream* os) {
    *os << row.name;
}

class AgentExactJsonSameTable : public testing::TestWithParam<SameRow> {};

TEST_P(AgentExactJsonSameTable, ComparesWhatTheTextsSay) {
    const auto a = readExactJson(GetParam().a);
    const auto b = readExactJson(GetParam().b);
    ASSERT_TRUE(a && b);
    EXPECT_EQ(sameJson(a->value, b->value), GetParam().same);
    EXPECT_EQ(sameJson(b->value, a->value), GetParam().same);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, AgentExactJsonSameTable,
    testing::Values(
        SameRow{"NumberFormsOfOneValue", "[1.50, 100, -0, 0.000]", "[15e-1, 1E+2, 0, 0e9]", true},
        SameRow{"DigitPastDoubles", "1.0000000000000000001", "1", false},
        SameRow{"IntegerPastDoubles", "123456789012345678901", "1.2345678901234568e+20", false},
        SameRow{"Sign", "-1", "1", false},
        SameRow{"HugeExponentStaysAsWritten", "1e1000000000000000000000",
                "1e1000000000000000000001", false},
        SameRow{"MemberOrderDoesNotMatter", "{\"a\": 1, \"b\": [true, null]}",
                "{\"b\": [true, null], \"a\": 1}", true},
        SameRow{"ElementOrderMatters", "[1, 2]", "[2, 1]", false},
        SameRow{"RepeatedKeyIsNotOneMember", "{\"a\": 1, \"a\": 1}", "{\"a\": 1}", false},
        SameRow{"EscapesAreTheirCharacters", "\"\\u00e9\\ud83d\\ude00\\/\"",
                QStringLiteral("\"\u00e9") + QString::fromUcs4(U"\U0001F600", 1) + "/\"", true},
        SameRow{"LoneSurrogateIsNotAReplacement", "\"\\ud800\"", "\"\\ufffd\"", false},
        SameRow{"KindsDiffer", "\"1\"", "1", false},
        SameRow{"EmptyContainersDiffer", "{}", "[]", false}),
    [](const auto& instance) { return std::string(instance.param.name); });

TEST(AgentExactJson, RefusesWhatStrictJsonRefuses) {
    for (const QString& text : {QString(),
                                QStringLiteral(" "),
                                QStringLiteral("01"),
                                QStringLiteral("1."),
                                QStringLiteral(".5"),
                                QStringLiteral("+1"),
                                QStringLiteral("1e"),
                                QStringLiteral("-"),
                                QStringLiteral("[1,]"),
                                QStringLiteral("{\"a\":1,}"),
                                QStringLiteral("{a:1}"),
                                QStringLiteral("'a'"),
                                QStringLiteral("\"a\\x\""),
                                QStringLiteral("\"\\u12g4\""),
                                QStringLiteral("\"a\tb\""),
                                QString::fromUtf16(u"\"a\u0000b\"", 5),
                                QStringLiteral("\"open"),
                                QStringLiteral("[] []"),
                                QStringLiteral("// c\n{}"),
                                QStringLiteral("\uFEFF{}"),
                                QStringLiteral("True"),
                                QStringLiteral("nul")}) {
        EXPECT_FALSE(readExactJson(text)) << text.toStdString();
    }
    EXPECT_TRUE(readExactJson(QStringLiteral(" \t\r\n{\"a\" : [ 1 , {} ] }\n")));
}

TEST(AgentExactJson, NestingStopsAt1024Levels) {
    const auto nested = [](int depth) {
        return QString(depth, QLatin1Char('[')) + QString(depth, QLatin1Char(']'));
    };
    EXPECT_TRUE(readExactJson(nested(1024)));
    EXPECT_FALSE(readExactJson(nested(1025)));
}

} // namespace
