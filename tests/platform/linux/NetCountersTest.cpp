#include "platform/linux/NetCounters.h"

#include "support/FixtureTree.h"

#include <gtest/gtest.h>

using namespace morvanex::platform;
using morvanex::test::copyFixture;
using morvanex::test::writeFile;

TEST(NetCounters, ReadsEveryInterfaceOfTheTable) {
    const QString root = copyFixture("network/laptop");
    const CounterMap counters = readNetCounters(Roots::under(root));
    const CounterMap expected = {
        {"lo", {984213, 984213}},
        {"eth0", {50125568, 6028712}},
        {"wlan0", {18446744073709551000ull, 1200000}}, // 64-bit counters survive whole
        {"tun0", {20480, 10240}},
        {"docker0", {0, 0}},
    };
    EXPECT_EQ(counters, expected); // the short "broken" line is skipped
}

TEST(NetCounters, OddLines) {
    const QByteArray heading = "Inter-|   Receive |  Transmit\n face |bytes packets|bytes\n";
    struct Row {
        const char* name;
        QByteArray body;
        CounterMap expected;
    };
    const Row rows[] = {
        {"no colon", "eth0 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16\n", {}},
        {"non-numeric counter", "eth0: 1 2 3 4 5 6 7 8 x 10 11 12 13 14 15 16\n", {}},
        {"negative counter", "eth0: -1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16\n", {}},
        {"no space after the colon",
         "eth0:1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16\n",
         {{"eth0", {1, 9}}}},
        {"later line replaces",
         "a: 1 0 0 0 0 0 0 0 2 0\na: 3 0 0 0 0 0 0 0 4 0\n",
         {{"a", {3, 4}}}},
        {"invalid UTF-8 name",
         "e\xff: 1 0 0 0 0 0 0 0 2 0\n",
         {{QString::fromUtf8("e\xff"), {1, 2}}}},
        {"heading only", "", {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(parseNetDev(heading + row.body), row.expected);
    }
    // The first two lines are headings, whatever they hold.
    EXPECT_EQ(parseNetDev("a: 1 0 0 0 0 0 0 0 2 0\nb: 1 0 0 0 0 0 0 0 2 0\n"), CounterMap{});
}

TEST(NetCounters, MissingTableGivesNothing) {
    const QString root = copyFixture("network/laptop");
    EXPECT_TRUE(readNetCounters(Roots::under(root + "/nowhere")).empty());
}

TEST(NetCounters, ThisMachineCountsItsLoopback) {
    const CounterMap counters = readNetCounters(Roots::system());
    ASSERT_TRUE(counters.count("lo")) << "every Linux network namespace has lo";
}
