#include "platform/OpenFileLimit.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>

using namespace morvanex::platform;

namespace {

// Sets the open-file limits of this (child) process; false when it cannot.
bool setLimits(rlim_t soft, rlim_t hard) {
    const rlimit limit{soft, hard};
    return ::setrlimit(RLIMIT_NOFILE, &limit) == 0;
}

rlim_t currentSoft() {
    rlimit limit{};
    ::getrlimit(RLIMIT_NOFILE, &limit);
    return limit.rlim_cur;
}

// Ends the child: 0 when `ok`, else says why on standard error.
[[noreturn]] void finish(bool ok, const char* why) {
    if (!ok)
        std::fputs(why, stderr);
    std::_Exit(ok ? 0 : 1);
}

} // namespace

// Each case changes the process's own limits, so it runs in a child.
TEST(OpenFileLimit, RaisesTheSoftLimitToTheHardOneAndGivesChildrenTheFirst) {
    const auto limits = openFileLimits();
    ASSERT_TRUE(limits);
    if (limits->hard < 2048)
        GTEST_SKIP() << "the hard limit is too low to raise anything";
    const rlim_t hard = std::min<rlim_t>(limits->hard, 4096);
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            if (!setLimits(1024, hard))
                finish(false, "setrlimit failed\n");
            const auto raised = raiseOpenFileLimit();
            if (!raised || *raised != OpenFileLimits{hard, hard} || currentSoft() != hard)
                finish(false, "not raised\n");
            // A second call changes nothing and keeps the first starting limit.
            raiseOpenFileLimit();
            restoreStartingOpenFileLimit();
            finish(currentSoft() == 1024 && openFileLimits()->hard == hard,
                   "the child's limit is not the starting one\n");
        },
        ::testing::ExitedWithCode(0), "");
}

TEST(OpenFileLimit, ALimitAlreadyAtTheHardOneStays) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            if (!setLimits(1024, 1024))
                finish(false, "setrlimit failed\n");
            const auto raised = raiseOpenFileLimit();
            restoreStartingOpenFileLimit(); // never raised: nothing to give back
            finish(raised && *raised == OpenFileLimits{1024, 1024} && currentSoft() == 1024,
                   "the limit moved\n");
        },
        ::testing::ExitedWithCode(0), "");
}

TEST(OpenFileLimit, AVeryLargeHardLimitIsNotFollowedAllTheWay) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    // Raising the hard limit needs privileges; the child says so with its own status.
    EXPECT_EXIT(
        {
            if (!setLimits(1024, 600000))
                std::_Exit(2);
            const auto raised = raiseOpenFileLimit();
            finish(raised && *raised == OpenFileLimits{524288, 600000} && currentSoft() == 524288,
                   "not raised to the ceiling\n");
        },
        [](int status) {
            if (WIFEXITED(status) && WEXITSTATUS(status) == 2)
                std::fputs("skipped: the hard limit cannot be raised here\n", stderr);
            return WIFEXITED(status) && (WEXITSTATUS(status) == 0 || WEXITSTATUS(status) == 2);
        },
        "");
}
