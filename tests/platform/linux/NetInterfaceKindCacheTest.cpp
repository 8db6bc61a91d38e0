#include "platform/linux/NetInterfaceKindCache.h"

#include "support/FixtureTree.h"

#include <QDir>
#include <gtest/gtest.h>

using namespace morvanex::platform;
using morvanex::test::copyFixture;
using morvanex::test::writeFile;

namespace {

std::map<QString, InterfaceKind> withoutState(std::map<QString, InterfaceKind> kinds) {
    for (auto& [name, kind] : kinds) {
        kind.up = false;
        kind.address.reset();
    }
    return kinds;
}

} // namespace

TEST(InterfaceKindCache, SameAnswersAsReadingEveryTime) {
    const Roots roots = Roots::under(copyFixture("network/laptop"));
    InterfaceKindCache cache(roots);
    EXPECT_EQ(cache.kindsWithState(), readInterfaceKinds(roots));
    EXPECT_EQ(cache.kinds(), withoutState(readInterfaceKinds(roots)));
    EXPECT_TRUE(cache.isUp("eth0"));
    EXPECT_FALSE(cache.isUp("lan1"));
    EXPECT_FALSE(cache.isUp("missing0"));
    EXPECT_EQ(cache.probes(), 8);

    // No folder at all: no interfaces, and nothing fails.
    InterfaceKindCache none(Roots::under(copyFixture("network/laptop") + "/missing"));
    EXPECT_TRUE(none.kinds().empty());
}

TEST(InterfaceKindCache, ProbesAgainOnlyWhenTheSetOfInterfacesChanges) {
    const QString root = copyFixture("network/laptop");
    const QString net = root + "/sys/class/net";
    InterfaceKindCache cache(Roots::under(root));
    ASSERT_EQ(cache.kinds().size(), 8u);
    const int first = cache.probes();

    // The same interfaces: nothing is probed, even though a probe would now answer otherwise.
    ASSERT_TRUE(QDir(net + "/lab0/bridge").removeRecursively());
    EXPECT_TRUE(cache.kinds().at("lab0").bridge);
    EXPECT_EQ(cache.probes(), first);

    // A new interface is probed, and only it.
    writeFile(root, "sys/class/net/tun1/type", "65534\n");
    writeFile(root, "sys/class/net/tun1/tun_flags", "0x1001\n");
    ASSERT_TRUE(cache.kinds().count("tun1"));
    EXPECT_TRUE(cache.kinds().at("tun1").tunnel);
    EXPECT_EQ(cache.probes(), first + 1);

    // One that goes away is forgotten without probing.
    ASSERT_TRUE(QDir(net + "/vpnx").removeRecursively());
    EXPECT_EQ(cache.kinds().count("vpnx"), 0u);
    EXPECT_EQ(cache.probes(), first + 1);

    // A name re-created as another kind of interface is a new entry (another inode): probed.
    // The replacement exists before the old one goes, so the two cannot share an inode.
    writeFile(root, "sys/class/net/next/type", "1\n");
    writeFile(root, "sys/class/net/next/device/vendor", "0x8086\n");
    ASSERT_TRUE(QDir(net + "/lab0").removeRecursively());
    ASSERT_TRUE(QDir().rename(net + "/next", net + "/lab0"));
    cache.kinds();
    const InterfaceKind lab0 = cache.kinds().at("lab0");
    EXPECT_FALSE(lab0.bridge);
    EXPECT_TRUE(lab0.hardware);
    EXPECT_EQ(roleOfKind(lab0), InterfaceRole::Physical);
    EXPECT_EQ(cache.probes(), first + 2);
}

TEST(InterfaceKindCache, UpAndAddressAreReadEachTime) {
    const QString root = copyFixture("network/laptop");
    InterfaceKindCache cache(Roots::under(root));
    ASSERT_TRUE(cache.kindsWithState().at("eth0").up);
    writeFile(root, "sys/class/net/eth0/flags", "0x1002\n");
    writeFile(root, "sys/class/net/eth0/address", "3c:22:fb:11:22:99\n");
    const InterfaceKind eth0 = cache.kindsWithState().at("eth0");
    EXPECT_FALSE(eth0.up);
    EXPECT_EQ(eth0.address, "3c:22:fb:11:22:99");
    EXPECT_FALSE(cache.isUp("eth0"));
}
