#include "e2e/RunBinary.h"

#include <gtest/gtest.h>

using namespace morvanex::test;

namespace {

// Headless modes must work with the bare environment agent applications give them.
TEST(EntryPoint, AgentServerNeedsNoDisplayAndSaysItIsNotBuiltYet) {
    for (const char* mode : {"--mcp"}) {
        SCOPED_TRACE(mode);
        const RunResult result = runMorvanex({QString::fromLatin1(mode)}, bareEnvironment());
        EXPECT_EQ(result.exitCode, 1);
        EXPECT_TRUE(result.standardOutput.isEmpty());
        EXPECT_TRUE(result.standardError.contains("not available in this build"))
            << result.standardError.toStdString();
        EXPECT_EQ(result.standardError.count('\n'), 1);
    }
}

TEST(EntryPoint, ApplicationWithoutDisplayExplainsWhy) {
    const RunResult result = runMorvanex({}, bareEnvironment());
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_TRUE(result.standardError.contains("no X11 or Wayland display was found"))
        << result.standardError.toStdString();
}

} // namespace
