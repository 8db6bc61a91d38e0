#include "platform/linux/RouteTable.h"

#include "support/FixtureTree.h"

#include <gtest/gtest.h>

using namespace morvanex::platform;
using morvanex::test::copyFixture;
using morvanex::test::writeFile;

namespace {

const QByteArray ipv4Heading =
    "Iface\tDestination\tGateway \tFlags\tRefCnt\tUse\tMetric\tMask\t\tMTU\tWindow\tIRTT\n";

QByteArray ipv4Line(const char* name, const char* destination, const char* gateway,
                    const char* flags, const char* metric, const char* mask) {
    return QByteArray(name) + '\t' + destination + '\t' + gateway + '\t' + flags + "\t0\t0\t" +
           metric + '\t' + mask + "\t0\t0\t0\n";
}

QByteArray ipv6Line(const char* destination, const char* prefix, const char* nextHop,
                    const char* metric, const char* flags, const char* name) {
    return QByteArray(destination) + ' ' + prefix + " 00000000000000000000000000000000 00 " +
           nextHop + ' ' + metric + " 00000001 00000000 " + flags + "     " + name + '\n';
}

const char* const zero128 = "00000000000000000000000000000000";

} // namespace

TEST(RouteTable, Ipv4DefaultRoute) {
    struct Row {
        const char* name;
        QByteArray lines;
        std::optional<DefaultRoute> expected;
    };
    const Row rows[] = {
        {"router behind eth0",
         ipv4Line("eth0", "00000000", "010200C0", "0003", "0", "00000000") +
             ipv4Line("eth0", "000200C0", "00000000", "0001", "0", "00FFFFFF"),
         DefaultRoute{"eth0", "192.0.2.1", 0}},
        {"lowest metric wins",
         ipv4Line("wlan0", "00000000", "0101A8C0", "0003", "600", "00000000") +
             ipv4Line("eth0", "00000000", "010200C0", "0003", "100", "00000000"),
         DefaultRoute{"eth0", "192.0.2.1", 100}},
        {"first of equal metrics",
         ipv4Line("wlan0", "00000000", "0101A8C0", "0003", "100", "00000000") +
             ipv4Line("eth0", "00000000", "010200C0", "0003", "100", "00000000"),
         DefaultRoute{"wlan0", "192.168.1.1", 100}},
        {"point-to-point default has no router",
         ipv4Line("wg0", "00000000", "00000000", "0001", "0", "00000000"),
         DefaultRoute{"wg0", std::nullopt, 0}},
        {"route that is down", ipv4Line("eth0", "00000000", "010200C0", "0002", "0", "00000000"),
         std::nullopt},
        {"rejecting route", ipv4Line("eth0", "00000000", "00000000", "0201", "0", "00000000"),
         std::nullopt},
        {"no default route", ipv4Line("eth0", "000200C0", "00000000", "0001", "0", "00FFFFFF"),
         std::nullopt},
        {"garbage", "eth0 zz yy\n\n\t\n", std::nullopt},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(parseIpv4DefaultRoute(ipv4Heading + row.lines), row.expected);
    }
}

TEST(RouteTable, Ipv6DefaultRoute) {
    struct Row {
        const char* name;
        QByteArray lines;
        std::optional<DefaultRoute> expected;
    };
    const Row rows[] = {
        {"router behind eth0",
         ipv6Line("fd000000000000000000000000000000", "40", zero128, "00000100", "00000001",
                  "eth0") +
             ipv6Line(zero128, "00", "fd000000000000000000000000000001", "00000400", "00000003",
                      "eth0"),
         DefaultRoute{"eth0", "fd00::1", 0x400}},
        {"loopback's unreachable default is no route",
         ipv6Line(zero128, "00", zero128, "ffffffff", "00200200", "lo"), std::nullopt},
        {"lowest metric wins",
         ipv6Line(zero128, "00", "fe800000000000000000000000000001", "00000600", "00000003",
                  "wlan0") +
             ipv6Line(zero128, "00", zero128, "00000050", "00000001", "wg0"),
         DefaultRoute{"wg0", std::nullopt, 0x50}},
        {"a host route to :: is not a default",
         ipv6Line(zero128, "80", zero128, "00000000", "00000001", "eth0"), std::nullopt},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(parseIpv6DefaultRoute(row.lines), row.expected);
    }
}

TEST(RouteTable, PrimaryRouteFromTheFixtureTables) {
    const QString root = copyFixture("network/laptop");
    EXPECT_EQ(readPrimaryRoute(Roots::under(root)), (PrimaryRoute{"eth0", "192.0.2.1"}));

    // Without an IPv4 default route the IPv6 one names the interface; its router is not IPv4.
    writeFile(root, "proc/net/route", ipv4Heading);
    EXPECT_EQ(readPrimaryRoute(Roots::under(root)), (PrimaryRoute{"eth0", std::nullopt}));

    writeFile(root, "proc/net/ipv6_route", "");
    EXPECT_EQ(readPrimaryRoute(Roots::under(root)), PrimaryRoute{});
    EXPECT_EQ(readPrimaryRoute(Roots::under(root + "/nowhere")), PrimaryRoute{});
}
