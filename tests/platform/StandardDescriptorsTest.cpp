#include "platform/StandardDescriptors.h"

#include <array>
#include <cstdlib>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/eventfd.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

using namespace morvanex::platform;

namespace {

bool isDevNull(int fd) {
    struct stat status {};
    return ::fstat(fd, &status) == 0 && S_ISCHR(status.st_mode) && status.st_rdev == makedev(1, 3);
}

// Run in a child process (the descriptors are the process's own): closes the descriptors
// `closed` names, opens the missing ones, and exits 0 when each closed one now reads as empty
// and swallows writes, each open one is still what it was, and a descriptor opened afterwards
// takes none of the three numbers.
[[noreturn]] void closeOpenAndCheck(std::array<bool, 3> closed) {
    // The open ones are pointed at a pipe first, so that "still what it was" is visible.
    int fds[2];
    if (::pipe(fds) != 0)
        std::_Exit(10);
    for (int fd = 0; fd < 3; ++fd) {
        if (closed[std::size_t(fd)])
            ::close(fd);
        else
            ::dup2(fd == 0 ? fds[0] : fds[1], fd);
    }
    openMissingStandardDescriptors();
    for (int fd = 0; fd < 3; ++fd) {
        if (isDevNull(fd) != closed[std::size_t(fd)])
            std::_Exit(20 + fd);
    }
    char byte = 0;
    if (closed[0] && ::read(0, &byte, 1) != 0)
        std::_Exit(30);
    if (closed[1] && ::write(1, "x", 1) != 1)
        std::_Exit(31);
    const int later = ::eventfd(0, EFD_CLOEXEC);
    std::_Exit(later > 2 ? 0 : 40);
}

TEST(StandardDescriptorsDeathTest, ClosedOnesBecomeDevNullAndOpenOnesStay) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    struct Row {
        const char* name;
        std::array<bool, 3> closed;
    };
    const Row rows[] = {
        {"none closed", {false, false, false}},
        {"standard input closed", {true, false, false}},
        {"standard output closed", {false, true, false}},
        {"standard error closed", {false, false, true}},
        {"all closed", {true, true, true}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EXIT(closeOpenAndCheck(row.closed), testing::ExitedWithCode(0), "");
    }
}

} // namespace
