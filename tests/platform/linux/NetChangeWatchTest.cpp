#include "platform/linux/NetChangeWatch.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <gtest/gtest.h>
#include <net/if.h>
#include <sched.h>
#include <string>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace morvanex::platform;

namespace {

// Sets the loopback interface up or down, as the calling thread's network sees it; an empty
// text on success, else what failed.
std::string setLoopback(bool up) {
    const int control = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (control < 0)
        return std::string("socket: ") + std::strerror(errno);
    ifreq request{};
    std::strcpy(request.ifr_name, "lo");
    std::string failure;
    if (::ioctl(control, SIOCGIFFLAGS, &request) != 0) {
        failure = std::string("SIOCGIFFLAGS: ") + std::strerror(errno);
    } else {
        request.ifr_flags =
            up ? short(request.ifr_flags | IFF_UP) : short(request.ifr_flags & ~IFF_UP);
        if (::ioctl(control, SIOCSIFFLAGS, &request) != 0)
            failure = std::string("SIOCSIFFLAGS: ") + std::strerror(errno);
    }
    ::close(control);
    return failure;
}

} // namespace

// In a network namespace of its own (a thread's), where the test may change the interfaces
// without touching the machine's: a reader through readOnChange reads again after a change,
// and not while nothing changes.
TEST(NetChangeWatch, ReadsAgainOnlyAfterTheKernelAnnouncesAChange) {
    std::string skipped;
    std::string failure;
    std::vector<int> reads;
    std::vector<int> settled;
    std::thread([&] {
        if (::unshare(CLONE_NEWNET) != 0) {
            skipped = std::strerror(errno);
            return;
        }
        auto watch = std::make_shared<NetChangeWatch>();
        if (!watch->watching()) {
            failure = "the watch did not open its socket";
            return;
        }
        int count = 0;
        const auto read = readOnChange(watch, [&count] { return ++count; });
        // Some announcements follow a change a moment later (IPv6 sets up the interface's
        // addresses in the background): what counts is that reading stops once they are in.
        const auto settle = [&] {
            int last = read();
            for (int i = 0; i < 50; ++i) {
                std::this_thread::sleep_for(std::chrono::milliseconds(100));
                const int now = read();
                if (now == last)
                    return now;
                last = now;
            }
            return -1;
        };
        reads.push_back(read()); // the first call reads
        reads.push_back(read()); // nothing changed
        if (failure = setLoopback(true); !failure.empty())
            return;
        reads.push_back(read()); // the interface came up, with its addresses and routes
        settled.push_back(settle());
        settled.push_back(read());
        if (failure = setLoopback(false); !failure.empty())
            return;
        settled.push_back(read());
    }).join();
    if (!skipped.empty())
        GTEST_SKIP() << "no network namespace can be made here: " << skipped;
    ASSERT_EQ(failure, "");
    EXPECT_EQ(reads, (std::vector<int>{1, 1, 2}));
    ASSERT_EQ(settled.size(), 3u);
    EXPECT_GE(settled[0], 2) << "never stopped reading";
    EXPECT_EQ(settled[1], settled[0]);
    EXPECT_GT(settled[2], settled[1]);
}
