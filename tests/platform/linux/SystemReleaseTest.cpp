#include "platform/linux/SystemRelease.h"

#include "support/FixtureTree.h"
#include "support/TestEnv.h"

#include <gtest/gtest.h>

using namespace morvanex::platform;

namespace {

TEST(SystemRelease, PrettyNameUnquoted) {
    struct Row {
        QByteArray text;
        std::optional<QString> name;
    };
    const Row rows[] = {
        {"NAME=\"Debian GNU/Linux\"\nPRETTY_NAME=\"Debian GNU/Linux 12 (bookworm)\"\n",
         QStringLiteral("Debian GNU/Linux 12 (bookworm)")},
        {"PRETTY_NAME='Fedora Linux 40 (Workstation Edition)'",
         QStringLiteral("Fedora Linux 40 (Workstation Edition)")},
        {"PRETTY_NAME=Arch\n", QStringLiteral("Arch")},
        {"PRETTY_NAME=\"Say \\\"hi\\\" \\\\ \\$HOME\"", QStringLiteral("Say \"hi\" \\ $HOME")},
        {"PRETTY_NAME=\"Caf\xc3\xa9 \xff\"", QStringLiteral("Caf\u00e9 \ufffd")},
        {"PRETTY_NAME=\"First\"\nPRETTY_NAME=\"Second\"\n", QStringLiteral("Second")},
        {"PRETTY_NAME=\"\"\n", std::nullopt},
        {"NAME=Debian\n", std::nullopt},
        {"# PRETTY_NAME=\"commented\"\n", std::nullopt},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text.toStdString());
        EXPECT_EQ(osReleasePrettyName(row.text), row.name);
    }
}

TEST(SystemRelease, ReadsNameAndKernelReleaseFromTheirFiles) {
    const QString base = morvanex::test::scratchDir() + QStringLiteral("/machine");
    const Roots roots = Roots::under(base);
    EXPECT_EQ(readSystemRelease(roots), SystemRelease{});

    morvanex::test::writeFile(base, "proc/sys/kernel/osrelease", "6.1.0-18-amd64\n");
    EXPECT_EQ(readSystemRelease(roots), (SystemRelease{std::nullopt, "6.1.0-18-amd64"}));

    // The vendor's copy stands in for a missing etc/os-release.
    morvanex::test::writeFile(base, "usr/lib/os-release", "PRETTY_NAME=\"Vendor Linux\"\n");
    EXPECT_EQ(readSystemRelease(roots).name, "Vendor Linux");

    // The first file that can be read counts, even when it has no name.
    morvanex::test::writeFile(base, "etc/os-release", "NAME=Debian\n");
    EXPECT_EQ(readSystemRelease(roots).name, std::nullopt);
    morvanex::test::writeFile(base, "etc/os-release",
                              "PRETTY_NAME=\"Debian GNU/Linux 12 (bookworm)\"\n");
    EXPECT_EQ(readSystemRelease(roots),
              (SystemRelease{"Debian GNU/Linux 12 (bookworm)", "6.1.0-18-amd64"}));

    // An empty release file is no release; bytes that are not UTF-8 are replaced.
    morvanex::test::writeFile(base, "proc/sys/kernel/osrelease", "\n");
    EXPECT_EQ(readSystemRelease(roots).kernelRelease, std::nullopt);
    morvanex::test::writeFile(base, "proc/sys/kernel/osrelease", "6.1-\xff\n");
    EXPECT_EQ(readSystemRelease(roots).kernelRelease, QStringLiteral("6.1-\ufffd"));
}

} // namespace
