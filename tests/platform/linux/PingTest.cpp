#include "platform/linux/Ping.h"

#include "support/FixtureTree.h"
#include "support/LogCapture.h"
#include "support/TestEnv.h"
#include "support/Wait.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <net/if.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

using namespace morvanex::platform;
using morvanex::test::copyFixture;

using morvanex::test::waitUntil;

namespace {

// A fake tool from the fixtures, copied into the scratch folder and made executable.
QString tool(const QString& name) {
    const QString path = copyFixture("network/bin") + "/" + name;
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return path;
}

QByteArray logOf(const QString& tool) {
    QFile file(tool + ".log");
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Pings with the tool at `program` only, never a socket.
PingOptions toolOnly(const QString& program,
                     std::chrono::milliseconds bound = std::chrono::seconds(10)) {
    return {program, bound, {}};
}

// Writes `value` into a file of /proc/sys as the calling thread sees it.
bool writeSetting(const char* path, const char* value) {
    const int fd = ::open(path, O_WRONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool written = ::write(fd, value, std::strlen(value)) == ssize_t(std::strlen(value));
    ::close(fd);
    return written;
}

// Echo sockets opened in a network namespace of their own, made on a thread of its own (a
// namespace is a thread's), holding only the loopback interface, up, where every group may
// open echo sockets; the machine's network and its ping settings stay as they are.
// `answerEchoes` false: the namespace's kernel ignores IPv4 echo requests, like a host that
// never answers. -1 with errno when no namespace can be made here (it needs CAP_SYS_ADMIN).
int openInPrivateNetwork(int family, bool answerEchoes = true) {
    int fd = -1;
    int error = 0;
    std::thread([&] {
        if (::unshare(CLONE_NEWNET) != 0 ||
            !writeSetting("/proc/sys/net/ipv4/ping_group_range", "0 2147483647") ||
            (!answerEchoes && !writeSetting("/proc/sys/net/ipv4/icmp_echo_ignore_all", "1"))) {
            error = errno;
            return;
        }
        const int control = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        ifreq request{};
        std::strcpy(request.ifr_name, "lo");
        if (control < 0 || ::ioctl(control, SIOCGIFFLAGS, &request) != 0) {
            error = errno;
        } else {
            request.ifr_flags |= IFF_UP;
            if (::ioctl(control, SIOCSIFFLAGS, &request) != 0)
                error = errno;
            else
                fd = openEchoSocket(family);
            error = errno;
        }
        if (control >= 0)
            ::close(control);
    }).join();
    errno = error;
    return fd;
}

bool privateNetworksAllowed() {
    const int fd = openInPrivateNetwork(AF_INET);
    if (fd < 0)
        return false;
    ::close(fd);
    return true;
}

// Starts one ping and waits for its answer.
std::optional<double> pingOnce(PingRunner& runner, const QString& host) {
    bool done = false;
    std::optional<double> result;
    EXPECT_TRUE(runner.start(host, [&](std::optional<double> time) {
        result = time;
        done = true;
    }));
    EXPECT_TRUE(waitUntil([&] { return done; }));
    EXPECT_FALSE(runner.running());
    return result;
}

} // namespace

TEST(Ping, HostsThatMayBeGiven) {
    struct Row {
        const char* host;
        bool allowed;
    };
    const Row rows[] = {
        {"1.1.1.1", true},
        {"2606:4700::1111", true},
        {"example.com", true},
        {"host-name.lan", true},
        {"-f", false},
        {"--help", false},
        {"", false},
        {"1.1.1.1 -f", false},
        {" 1.1.1.1", false},
        {"a\tb", false},
        {"a\nb", false},
        {"a\u00a0b", false},
        {"a\u2028b", false},
        {"a\x01"
         "b",
         false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.host);
        EXPECT_EQ(isPingableHost(QString::fromUtf8(row.host)), row.allowed);
    }
    // A host name has at most 253 characters; a stored text of megabytes is no host.
    const QString longest = QString(63, u'a') + u'.' + QString(63, u'b') + u'.' +
                            QString(63, u'c') + u'.' + QString(61, u'd');
    ASSERT_EQ(longest.size(), 253);
    EXPECT_TRUE(isPingableHost(longest));
    EXPECT_FALSE(isPingableHost(longest + u'e'));
    EXPECT_FALSE(isPingableHost(QString(10 << 20, u'a')));
    EXPECT_EQ(pingArguments("192.0.2.1"), QStringList({"-c", "1", "-W", "3", "--", "192.0.2.1"}));
}

TEST(Ping, TimeFromTheToolsOutput) {
    struct Row {
        const char* name;
        QByteArray output;
        std::optional<double> time;
    };
    const Row rows[] = {
        {"reply", "64 bytes from 1.1.1.1: icmp_seq=1 ttl=57 time=12.345 ms\n", 12.345},
        {"whole milliseconds", "64 bytes from 10.0.0.1: icmp_seq=1 ttl=64 time=3 ms\n", 3.0},
        {"first time= wins", "time=1.5 ms\ntime=9.9 ms\n", 1.5},
        {"leading point", "time=.5 ms", 0.5},
        {"trailing point", "time=12. ms", 12.0},
        {"two points", "time=0.9. ms", std::nullopt},
        {"point alone", "time=. ms", std::nullopt},
        {"nothing after it", "time=", std::nullopt},
        {"a word after it", "time=unknown", std::nullopt},
        {"timeout", "1 packets transmitted, 0 received, 100% packet loss, time 0ms\n",
         std::nullopt},
        {"unknown host", "", std::nullopt},
        {"case matters", "TIME=4 ms", std::nullopt},
        {"not UTF-8", "\xff time=4 ms", std::nullopt},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(parsePingTime(row.output), row.time);
    }
}

TEST(Ping, TimesAsTheToolShowsThem) {
    struct Row {
        std::int64_t microseconds;
        double milliseconds;
    };
    const Row rows[] = {
        {0, 0.0},       {51, 0.051},     {999, 0.999},     {1000, 1.0},      {1234, 1.23},
        {1235, 1.24},   {9994, 9.99},    {9995, 10.0},     {12'345, 12.3},   {12'350, 12.4},
        {99'949, 99.9}, {99'950, 100.0}, {123'456, 123.0}, {123'500, 124.0}, {-40, 0.0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.microseconds);
        EXPECT_DOUBLE_EQ(echoMilliseconds(row.microseconds), row.milliseconds);
    }
}

TEST(Ping, RunsTheToolWithItsArguments) {
    const QString reply = tool("ping-reply");
    PingRunner runner(toolOnly(reply));
    EXPECT_EQ(pingOnce(runner, "192.0.2.1"), 12.345);
    EXPECT_EQ(logOf(reply), "-c 1 -W 3 -- 192.0.2.1\n");
}

TEST(Ping, RefusedHostsNeverReachTheToolNorASocket) {
    const QString reply = tool("ping-reply");
    int sockets = 0;
    PingRunner runner({reply, std::chrono::seconds(10), [&](int) {
                           ++sockets;
                           errno = EACCES; // refused: the tool would be next
                           return -1;
                       }});
    for (const char* host : {"-f", "--help", "-c 9 127.0.0.1", "1.1.1.1 -i 0", ""}) {
        SCOPED_TRACE(host);
        EXPECT_EQ(pingOnce(runner, host), std::nullopt);
    }
    EXPECT_EQ(sockets, 0);
    EXPECT_FALSE(QFileInfo::exists(reply + ".log"));
}

// Where this machine refuses echo sockets, the tool pings instead, with its own checks; where
// it allows them, the socket pings and the tool never runs. Both ways the loopback answers.
TEST(Ping, LoopbackThroughASocketOrWhereRefusedTheTool) {
    const QString fake = tool("ping-reply");
    const int probe = openEchoSocket(AF_INET);
    const bool socketsAllowed = probe >= 0;
    if (socketsAllowed)
        ::close(probe);

    const morvanex::test::LogCapture logged;
    PingRunner runner({fake});
    const std::optional<double> time = pingOnce(runner, "127.0.0.1");
    ASSERT_TRUE(time.has_value());
    if (socketsAllowed) {
        EXPECT_NE(*time, 12.345) << "the fake tool answered";
        EXPECT_GE(*time, 0);
        EXPECT_FALSE(QFileInfo::exists(fake + ".log"));
        EXPECT_FALSE(logged.contains("ICMP echo sockets are refused here"));
    } else {
        EXPECT_EQ(*time, 12.345);
        EXPECT_EQ(logOf(fake), "-c 1 -W 3 -- 127.0.0.1\n");
        EXPECT_EQ(logged.count("ICMP echo sockets are refused here"), 1) << logged.all();
        EXPECT_EQ(pingOnce(runner, "127.0.0.1"), 12.345);
        EXPECT_EQ(logged.count("ICMP echo sockets are refused here"), 1) << "said once";
    }
}

// The socket path end to end, in a network namespace of the test's own where echo sockets are
// allowed whatever this machine's setting: the loopback answers over IPv4 and IPv6, by address
// and by name; an address without a route fails at once; a host that never answers gives no
// time once the reply wait is over. The tool never runs.
TEST(Ping, ThroughAnEchoSocketInAPrivateNetwork) {
    if (!privateNetworksAllowed())
        GTEST_SKIP() << "no network namespace can be made here: " << std::strerror(errno);
    const QString fake = tool("ping-reply");
    const auto options = [&](bool answerEchoes) {
        return PingOptions{
            fake, std::chrono::seconds(10),
            [answerEchoes](int family) { return openInPrivateNetwork(family, answerEchoes); },
            std::chrono::milliseconds(300)};
    };

    PingRunner runner(options(true));
    for (const char* host : {"127.0.0.1", "::1", "localhost"}) {
        SCOPED_TRACE(host);
        const std::optional<double> time = pingOnce(runner, host);
        ASSERT_TRUE(time.has_value());
        EXPECT_GE(*time, 0);
        EXPECT_NE(*time, 12.345);
    }
    EXPECT_EQ(pingOnce(runner, "192.0.2.1"), std::nullopt); // only the loopback has a route

    PingRunner unanswered(options(false));
    bool done = false;
    std::optional<double> result = 0;
    ASSERT_TRUE(unanswered.start("127.0.0.1", [&](std::optional<double> time) {
        result = time;
        done = true;
    }));
    EXPECT_FALSE(unanswered.start("127.0.0.1", [](std::optional<double>) { FAIL(); }));
    QCoreApplication::processEvents();
    EXPECT_TRUE(unanswered.running()) << "waits for the reply";
    ASSERT_TRUE(waitUntil([&] { return done; }));
    EXPECT_EQ(result, std::nullopt);
    EXPECT_FALSE(unanswered.running());
    EXPECT_FALSE(QFileInfo::exists(fake + ".log"));
}

TEST(Ping, AHangingPingIsKilledAndTheNextOneRuns) {
    const QString hang = tool("ping-hang-once");
    PingRunner runner(toolOnly(hang, std::chrono::milliseconds(300)));
    bool done = false;
    std::optional<double> result = 0;
    ASSERT_TRUE(runner.start("192.0.2.9", [&](std::optional<double> time) {
        result = time;
        done = true;
    }));
    // One at a time: a second ping is refused while the first runs.
    EXPECT_FALSE(runner.start("192.0.2.9", [](std::optional<double>) { FAIL(); }));
    ASSERT_TRUE(waitUntil([&] { return done; }));
    EXPECT_EQ(result, std::nullopt) << "a killed ping reads nothing, whatever it printed";
    EXPECT_EQ(pingOnce(runner, "192.0.2.9"), 7.5);
    EXPECT_EQ(logOf(hang).count('\n'), 2);

    PingRunner missing(toolOnly(morvanex::test::scratchDir() + "/no-such-ping"));
    EXPECT_EQ(pingOnce(missing, "192.0.2.9"), std::nullopt);
}

TEST(Ping, TheRealToolReachesLoopback) {
    if (!QFileInfo(pingProgram).isExecutable())
        GTEST_SKIP() << pingProgram.toStdString() << " is not installed";
    PingRunner runner(toolOnly(pingProgram));
    const auto time = pingOnce(runner, "127.0.0.1");
    ASSERT_TRUE(time.has_value());
    EXPECT_GE(*time, 0);
}
