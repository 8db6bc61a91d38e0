#include "agents/McpSystemVersion.h"

#include "support/FixtureTree.h"
#include "support/TestEnv.h"

#include <gtest/gtest.h>

using namespace morvanex;

namespace {

TEST(McpSystemVersion, PrettyNameUnquoted) {
    struct Row {
        QByteArray text;
        std::optional<QString> name;
    };
    const Row rows[] = {
        {"NAME=\"Debian GNU/Linux\"\nPRETTY_NAME=\"Debian GNU/Linux 12 (bookworm)\"\n",
         QStringLiteral("Debian GNU/Linux 12 (bookworm)")},
        {"PRETTY_NAME='Fedora Linux 40 (Workstation Edition)'",
         QStringLiteral("Fedora Linux 40 (Workstation "
                        "Edition)")},
        {"PRETTY_NAME=Arch\n", QStringLiteral("Arch")},
        {"PRETTY_NAME=\"Say \\\"hi\\\" \\\\ \\$HOME\"", QStringLiteral("Say \"hi\" \\ $HOME")},
        {"PRETTY_NAME=\"Caf\xc3\xa9 \xff\"", QStringLiteral("Caf\u00e9 \ufffd")},
        {"PRETTY_NAME=\"\"\n", std::nullopt},
        {"NAME=Debian\n", std::nullopt},
        {"# PRETTY_NAME=\"commented\"\n", std::nullopt},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text.toStdString());
        EXPECT_EQ(mcp::prettyName(row.text), row.name);
    }
}

TEST(McpSystemVersion, NameAndKernelReleaseWhereEachCanBeRead) {
    const QString base = test::scratchDir() + QStringLiteral("/machine");
    const platform::Roots roots = platform::Roots::under(base);
    EXPECT_EQ(mcp::systemVersion(roots), "Linux");

    test::writeFile(base, "proc/sys/kernel/osrelease", "6.1.0-18-amd64\n");
    EXPECT_EQ(mcp::systemVersion(roots), "Linux 6.1.0-18-amd64");

    // The vendor's copy stands in for a missing /etc/os-release.
    test::writeFile(base, "usr/lib/os-release", "PRETTY_NAME=\"Vendor Linux\"\n");
    EXPECT_EQ(mcp::systemVersion(roots), "Vendor Linux, Linux 6.1.0-18-amd64");

    test::writeFile(base, "etc/os-release", "PRETTY_NAME=\"Debian GNU/Linux 12 (bookworm)\"\n");
    EXPECT_EQ(mcp::systemVersion(roots), "Debian GNU/Linux 12 (bookworm), Linux 6.1.0-18-amd64");
}

} // namespace
