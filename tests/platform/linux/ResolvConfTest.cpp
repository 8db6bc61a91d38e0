#include "platform/linux/ResolvConf.h"

#include "support/FixtureTree.h"

#include <QFile>
#include <gtest/gtest.h>

using namespace morvanex::platform;
using morvanex::test::copyFixture;
using morvanex::test::writeFile;

TEST(ResolvConf, NameserverLines) {
    struct Row {
        const char* name;
        QByteArray text;
        QStringList expected;
    };
    const Row rows[] = {
        {"in file order",
         "nameserver 10.0.0.1\nnameserver 2001:db8::53\n",
         {"10.0.0.1", "2001:db8::53"}},
        {"comments and options",
         "# nameserver 1.1.1.1\n; nameserver 8.8.8.8\noptions rotate\n"
         "search lan\nnameserver\t  10.0.0.2  \n",
         {"10.0.0.2"}},
        {"scoped address kept as written", "nameserver fe80::1%eth0\n", {"fe80::1%eth0"}},
        {"keyword must be whole", "nameservers 10.0.0.3\nnameserver\n", {}},
        {"no line end", "nameserver 10.0.0.4", {"10.0.0.4"}},
        {"empty", "", {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(parseNameservers(row.text), row.expected);
    }
}

TEST(ResolvConf, StubResolverAnswersWithItsUpstreamServers) {
    const QString root = copyFixture("network/laptop");
    EXPECT_EQ(readDnsServers(Roots::under(root)), QStringList({"192.168.1.1", "2001:db8::53"}));

    // The stub alone, when the upstream list is missing or empty.
    QFile::remove(root + "/run/systemd/resolve/resolv.conf");
    EXPECT_EQ(readDnsServers(Roots::under(root)), QStringList({"127.0.0.53"}));
    writeFile(root, "run/systemd/resolve/resolv.conf", "# no servers\n");
    EXPECT_EQ(readDnsServers(Roots::under(root)), QStringList({"127.0.0.53"}));

    // Any other server beside the stub: the file is taken as it is.
    writeFile(root, "run/systemd/resolve/resolv.conf", "nameserver 192.168.1.1\n");
    writeFile(root, "etc/resolv.conf", "nameserver 127.0.0.53\nnameserver 9.9.9.9\n");
    EXPECT_EQ(readDnsServers(Roots::under(root)), QStringList({"127.0.0.53", "9.9.9.9"}));

    EXPECT_EQ(readDnsServers(Roots::under(root + "/nowhere")), QStringList());
}

TEST(ResolvConf, CachedServersFollowEveryWayTheFilesChange) {
    const QString root = copyFixture("network/laptop");
    DnsServerCache cache(Roots::under(root));
    EXPECT_EQ(cache.servers(), QStringList({"192.168.1.1", "2001:db8::53"}));

    // Rewritten in place, then again at the same size straight away: within one step of the
    // file clock, so only the contents tell the two apart.
    writeFile(root, "run/systemd/resolve/resolv.conf",
              "nameserver 192.168.1.2\n"
              "nameserver 2001:db8::54\n");
    EXPECT_EQ(cache.servers(), QStringList({"192.168.1.2", "2001:db8::54"}));
    writeFile(root, "run/systemd/resolve/resolv.conf",
              "nameserver 192.168.1.3\n"
              "nameserver 2001:db8::55\n");
    EXPECT_EQ(cache.servers(), QStringList({"192.168.1.3", "2001:db8::55"}));

    // Replaced by a rename, as resolver managers do.
    writeFile(root, "etc/resolv.conf.new", "nameserver 9.9.9.9\n");
    ASSERT_TRUE(QFile::remove(root + "/etc/resolv.conf"));
    ASSERT_TRUE(QFile::rename(root + "/etc/resolv.conf.new", root + "/etc/resolv.conf"));
    EXPECT_EQ(cache.servers(), QStringList({"9.9.9.9"}));

    // Gone, then back.
    ASSERT_TRUE(QFile::remove(root + "/etc/resolv.conf"));
    EXPECT_EQ(cache.servers(), QStringList());
    writeFile(root, "etc/resolv.conf", "nameserver 1.1.1.1\n");
    EXPECT_EQ(cache.servers(), QStringList({"1.1.1.1"}));
}
