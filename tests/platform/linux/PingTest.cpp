#include "platform/linux/Ping.h"

#include "support/FixtureTree.h"
#include "support/TestEnv.h"
#include "support/Wait.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <chrono>
#include <gtest/gtest.h>
#include <thread>

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

TEST(Ping, RunsTheToolWithItsArguments) {
    const QString reply = tool("ping-reply");
    PingRunner runner(reply);
    EXPECT_EQ(pingOnce(runner, "192.0.2.1"), 12.345);
    EXPECT_EQ(logOf(reply), "-c 1 -W 3 -- 192.0.2.1\n");
}

TEST(Ping, RefusedHostsNeverReachTheTool) {
    const QString reply = tool("ping-reply");
    PingRunner runner(reply);
    EXPECT_EQ(pingOnce(runner, "-f"), std::nullopt);
    EXPECT_EQ(pingOnce(runner, "1.1.1.1 -i 0"), std::nullopt);
    EXPECT_FALSE(QFileInfo::exists(reply + ".log"));
}

TEST(Ping, AHangingPingIsKilledAndTheNextOneRuns) {
    const QString hang = tool("ping-hang-once");
    PingRunner runner(hang, std::chrono::milliseconds(300));
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

    PingRunner missing(morvanex::test::scratchDir() + "/no-such-ping");
    EXPECT_EQ(pingOnce(missing, "192.0.2.9"), std::nullopt);
}

TEST(Ping, TheRealToolReachesLoopback) {
    if (!QFileInfo(pingProgram).isExecutable())
        GTEST_SKIP() << pingProgram.toStdString() << " is not installed";
    PingRunner runner;
    const auto time = pingOnce(runner, "127.0.0.1");
    ASSERT_TRUE(time.has_value());
    EXPECT_GE(*time, 0);
}
