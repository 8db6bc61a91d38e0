#include "agents/AgentLocations.h"

#include <gtest/gtest.h>

using namespace morvanex::agents;

namespace {

struct LocationRow {
    const char* name;
    const char* path;
    const char* linux;
};

void PrintTo(const LocationRow& row, std::ostream* os) {
    *os << row.name;
}

class AgentLinuxLocationTable : public testing::TestWithParam<LocationRow> {};

TEST_P(AgentLinuxLocationTable, MapsToTheLinuxHome) {
    const LocationRow& row = GetParam();
    EXPECT_EQ(linuxLocation(QString::fromUtf8(row.path)), QString::fromUtf8(row.linux));
}

INSTANTIATE_TEST_SUITE_P(
    Paths, AgentLinuxLocationTable,
    testing::Values(
        LocationRow{"ApplicationSupportFile",
                    "~/Library/Application Support/Claude/claude_desktop_config.json",
                    "~/.config/Claude/claude_desktop_config.json"},
        LocationRow{"ApplicationSupportFolder", "~/Library/Application Support/Code/User",
                    "~/.config/Code/User"},
        LocationRow{"BundleNamedAfterItsFolder", "/Applications/Cursor.app", "~/.config/Cursor"},
        LocationRow{"BundleWithSpace", "/Applications/LM Studio.app", "~/.config/LM Studio"},
        LocationRow{"BundleWhoseFolderIsRenamed", "/Applications/Visual Studio Code.app",
                    "~/.config/Code"},
        LocationRow{"DotFolderStays", "~/.cursor/mcp.json", "~/.cursor/mcp.json"},
        LocationRow{"NestedDotFolderStays", "~/.codeium/windsurf", "~/.codeium/windsurf"},
        LocationRow{"BundleInsideABundleStays", "/Applications/A.app/B.app",
                    "/Applications/A.app/B.app"},
        LocationRow{"SimilarPrefixStays", "~/Library/Application SupportX/a",
                    "~/Library/Application SupportX/a"}),
    [](const auto& instance) { return std::string(instance.param.name); });

TEST(AgentLinuxLocations, KeepOrderAndDropPathsThatMapOntoAnEarlierOne) {
    EXPECT_EQ(linuxLocations({"/Applications/Claude.app", "~/Library/Application Support/Claude"}),
              QStringList{"~/.config/Claude"});
    EXPECT_EQ(linuxLocations({"/Applications/Cursor.app", "~/.cursor"}),
              (QStringList{"~/.config/Cursor", "~/.cursor"}));
    EXPECT_EQ(linuxLocations({}), QStringList{});
}

} // namespace
