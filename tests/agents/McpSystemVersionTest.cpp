#include "agents/McpSystemVersion.h"

#include "support/FixtureTree.h"
#include "support/TestEnv.h"

#include <gtest/gtest.h>

using namespace morvanex;

namespace {

TEST(McpSystemVersion, NameAndKernelReleaseWhereEachCanBeRead) {
    const QString base = test::scratchDir() + QStringLiteral("/machine");
    const platform::Roots roots = platform::Roots::under(base);
    EXPECT_EQ(mcp::systemVersion(roots), "Linux");

    test::writeFile(base, "etc/os-release", "PRETTY_NAME=\"Debian GNU/Linux 12 (bookworm)\"\n");
    EXPECT_EQ(mcp::systemVersion(roots), "Debian GNU/Linux 12 (bookworm)");

    test::writeFile(base, "proc/sys/kernel/osrelease", "6.1.0-18-amd64\n");
    EXPECT_EQ(mcp::systemVersion(roots), "Debian GNU/Linux 12 (bookworm), Linux 6.1.0-18-amd64");

    test::writeFile(base, "etc/os-release", "NAME=Debian\n");
    EXPECT_EQ(mcp::systemVersion(roots), "Linux 6.1.0-18-amd64");
}

} // namespace
