#include "agents/AgentCommand.h"

#include "support/TestEnv.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

using namespace morvanex;
using namespace morvanex::agents;

namespace {

using Status = AgentClient::Status;

struct LiteralRow {
    const char* name;
    QString text;
    QString literal;
};

void PrintTo(const LiteralRow& row, std::ostream* os) {
    *os << row.name;
}

class AgentQuotedLiteralTable : public testing::TestWithParam<LiteralRow> {};

TEST_P(AgentQuotedLiteralTable, EscapesWhatCannotStandInTheLine) {
    EXPECT_EQ(quotedLiteral(GetParam().text), GetParam().literal);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, AgentQuotedLiteralTable,
    testing::Values(
        LiteralRow{"Plain", "/usr/bin/morvanex", "\"/usr/bin/morvanex\""},
        LiteralRow{"Empty", "", "\"\""}, LiteralRow{"Quotes", "a\"b'c", "\"a\\\"b\\'c\""},
        LiteralRow{"Backslash", "a\\b", "\"a\\\\b\""},
        LiteralRow{"NamedControls", QString::fromUtf16(u"\t\n\r\0x", 5), "\"\\t\\n\\r\\0x\""},
        LiteralRow{"OtherControls", QString::fromUtf16(u"\x01\x1b\x7f\x85", 4),
                   "\"\\u{1}\\u{1b}\\u{7f}\\u{85}\""},
        LiteralRow{"InvisibleFormatAndSeparators", QString::fromUtf16(u"a\u200bb\u2028c\u2029"),
                   "\"a\\u{200b}b\\u{2028}c\\u{2029}\""},
        LiteralRow{"PrintableUnicodeKept", QStringLiteral("/opt/caf\u00e9 \u65e5/\U0001F600"),
                   QStringLiteral("\"/opt/caf\u00e9 \u65e5/\U0001F600\"")}),
    [](const auto& instance) { return std::string(instance.param.name); });

TEST(AgentStatusText, IsTheCaseName) {
    EXPECT_EQ(statusText(Status::notInstalled()), "notInstalled");
    EXPECT_EQ(statusText(Status::notAdded()), "notAdded");
    EXPECT_EQ(statusText(Status::added()), "added");
    EXPECT_EQ(statusText(Status::manual()), "manual");
    EXPECT_EQ(statusText(Status::addedElsewhere("/opt/a \"b\"")),
              "addedElsewhere(\"/opt/a \\\"b\\\"\")");
}

class AgentCommandHome : public testing::Test {
protected:
    void SetUp() override {
        home = test::scratchDir() + QStringLiteral("/agents");
        ASSERT_TRUE(QDir().mkpath(home));
        qputenv("MORVANEX_AGENT_HOME", QFile::encodeName(home));
    }
    void TearDown() override { qunsetenv("MORVANEX_AGENT_HOME"); }
    QString home;
};

AgentClient namedClient(const QString& id, QStringList detect = {}) {
    return AgentClient{id,
                       id,
                       {},
                       AgentClient::TomlConfig{"~/" + id + ".toml"},
                       std::move(detect),
                       "/usr/bin/morvanex"};
}

TEST_F(AgentCommandHome, ListingPadsOrCutsIdsToFifteenCharacters) {
    ASSERT_TRUE(QDir().mkpath(home + "/present"));
    const std::vector<AgentClient> clients = {namedClient("a"), namedClient("exactly-fifteen"),
                                              namedClient("longer-than-fifteen", {"~/present"})};
    EXPECT_EQ(statusListing(clients), "a               notInstalled\n"
                                      "exactly-fifteen notInstalled\n"
                                      "longer-than-fif notAdded\n");
}

TEST_F(AgentCommandHome, UsageListsTheIdsOfTheGivenTable) {
    const std::vector<AgentClient> clients = {namedClient("one"), namedClient("two")};
    const CommandResult result = runAgentsCommand({"remove", "three"}, clients);
    EXPECT_EQ(result.exitStatus, 2);
    EXPECT_TRUE(result.standardOutput.isEmpty());
    EXPECT_EQ(result.standardError, "Usage: Morvanex --agents remove <one|two>\n");
}

TEST_F(AgentCommandHome, ChangesTheNamedClientThenListsAll) {
    const std::vector<AgentClient> clients = {namedClient("one", {"~/one.toml"}),
                                              namedClient("two")};
    const CommandResult result = runAgentsCommand({"add", "one", "ignored"}, clients);
    EXPECT_EQ(result.exitStatus, 0);
    EXPECT_EQ(result.standardOutput, "one             added\n"
                                     "two             notInstalled\n");
    EXPECT_TRUE(result.standardError.isEmpty());
    EXPECT_TRUE(QFile::exists(home + "/one.toml"));
    EXPECT_FALSE(QFile::exists(home + "/two.toml"));
}

} // namespace
