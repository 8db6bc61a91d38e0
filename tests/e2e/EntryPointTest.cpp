#include "e2e/RunBinary.h"

#include <gtest/gtest.h>

using namespace morvanex::test;

namespace {

TEST(EntryPoint, ApplicationWithoutDisplayExplainsWhy) {
    const RunResult result = runMorvanex({}, localEnvironment());
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_TRUE(result.standardError.contains("no X11 or Wayland display was found"))
        << result.standardError.toStdString();
}

} // namespace
