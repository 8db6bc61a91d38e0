#include "app/RunMode.h"

#include <gtest/gtest.h>

using namespace morvanex;

namespace {

struct Row {
    const char* name;
    QStringList arguments;
    RunMode mode;
    std::optional<QString> directory;
    QStringList agentArguments;
};

void PrintTo(const Row& row, std::ostream* os) {
    *os << row.name;
}

class RunModeTable : public testing::TestWithParam<Row> {};

TEST_P(RunModeTable, ChoosesModeAndArguments) {
    const Row& row = GetParam();
    const RunChoice choice = chooseRunMode(row.arguments);
    EXPECT_EQ(choice.mode, row.mode);
    EXPECT_EQ(choice.outputDirectory, row.directory);
    EXPECT_EQ(choice.agentArguments, row.agentArguments);
}

const QString exe = QStringLiteral("/usr/bin/morvanex");

INSTANTIATE_TEST_SUITE_P(
    Switches, RunModeTable,
    testing::Values(
        Row{"DumpWinsOverEarlierMcp",
            {exe, "--mcp", "--dump", "/tmp/out"},
            RunMode::dump,
            QStringLiteral("/tmp/out"),
            {}},
        Row{"DumpAloneHasNoDirectory", {exe, "--dump"}, RunMode::dump, std::nullopt, {}},
        Row{"DumpTakesNextElementWhateverItIs",
            {exe, "--dump", "--mcp"},
            RunMode::dump,
            QStringLiteral("--mcp"),
            {}},
        Row{"DumpUsesFirstOccurrence",
            {exe, "--dump", "a", "--dump", "b"},
            RunMode::dump,
            QStringLiteral("a"),
            {}},
        Row{"AgentsLastGivesEmptyList", {exe, "--agents"}, RunMode::agents, std::nullopt, {}},
        Row{"AgentsKeepsEverythingAfter",
            {exe, "--agents", "add", "cursor", "--mcp"},
            RunMode::agents,
            std::nullopt,
            {"add", "cursor", "--mcp"}},
        Row{"AgentsWinsOverEarlierMcp",
            {exe, "--mcp", "--agents", "status"},
            RunMode::agents,
            std::nullopt,
            {"status"}},
        Row{"McpAnywhere", {exe, "junk", "--mcp", "more"}, RunMode::mcp, std::nullopt, {}},
        Row{"ElementZeroCounts", {"--mcp"}, RunMode::mcp, std::nullopt, {}},
        Row{"NoSwitchStartsApplication",
            {exe, "-mcp", "--MCP", "--dump=x", "--agentsx"},
            RunMode::application,
            std::nullopt,
            {}},
        Row{"EmptyListStartsApplication", {}, RunMode::application, std::nullopt, {}}),
    [](const testing::TestParamInfo<Row>& instance) { return std::string(instance.param.name); });

} // namespace
