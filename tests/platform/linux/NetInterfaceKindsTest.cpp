#include "platform/linux/NetInterfaceKinds.h"

#include "support/FixtureTree.h"

#include <QDir>
#include <gtest/gtest.h>

using namespace morvanex::platform;
using morvanex::test::copyFixture;

TEST(NetInterfaceKinds, WhatTheKernelSaysOfEachInterface) {
    const Roots roots = Roots::under(copyFixture("network/laptop"));
    const auto kinds = readInterfaceKinds(roots);
    ASSERT_EQ(kinds.size(), 8u);

    struct Row {
        const char* name;
        InterfaceKind kind;
        InterfaceRole role; // from the kind alone
    };
    const Row rows[] = {
        {"eth0",
         {true, 1, true, false, false, false, true, "3c:22:fb:11:22:33"},
         InterfaceRole::Physical},
        {"wlan0",
         {true, 1, true, true, false, false, true, "a4:83:e7:00:11:22"},
         InterfaceRole::Physical},
        {"lo",
         {true, 772, false, false, false, false, true, "00:00:00:00:00:00"},
         InterfaceRole::Loopback},
        {"tun0", {true, 65534, false, false, true, false, true, std::nullopt}, InterfaceRole::Vpn},
        {"vpnx", {true, 65534, false, false, false, false, true, std::nullopt}, InterfaceRole::Vpn},
        {"docker0",
         {true, 1, false, false, false, true, true, "02:42:ac:11:00:01"},
         InterfaceRole::Bridge},
        {"lan1",
         {true, 1, true, false, false, false, false, "3c:22:fb:11:22:44"},
         InterfaceRole::Physical},
        {"lab0", {true, 1, false, false, false, true, true, std::nullopt}, InterfaceRole::Bridge},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ASSERT_TRUE(kinds.count(row.name));
        EXPECT_EQ(kinds.at(row.name), row.kind);
        EXPECT_EQ(readInterfaceKind(roots, row.name), row.kind);
        EXPECT_EQ(roleOfKind(row.kind), row.role);
    }
    EXPECT_FALSE(readInterfaceKind(roots, "missing0").exists);
    EXPECT_FALSE(readInterfaceKind(roots, "..").exists);
    EXPECT_FALSE(readInterfaceKind(roots, "../../etc").exists);
    EXPECT_EQ(roleOfKind(InterfaceKind{}), InterfaceRole::Other);
}

TEST(NetInterfaceKinds, NameTableFirstThenTheKernel) {
    const Roots roots = Roots::under(copyFixture("network/laptop"));
    const auto rules = InterfaceNameRules::linuxNames();
    // docker0 is a bridge to the kernel but hidden by name; lab0 and lan1 are unknown names.
    EXPECT_EQ(roleOf(rules, "docker0", readInterfaceKind(roots, "docker0")), InterfaceRole::Hidden);
    EXPECT_EQ(roleOf(rules, "lab0", readInterfaceKind(roots, "lab0")), InterfaceRole::Bridge);
    EXPECT_EQ(roleOf(rules, "lan1", readInterfaceKind(roots, "lan1")), InterfaceRole::Physical);
    EXPECT_EQ(roleOf(rules, "eth9", InterfaceKind{}), InterfaceRole::Physical);
}

TEST(NetInterfaceKinds, DisplayNamesAndHardwareAddressesOfDevices) {
    const Roots roots = Roots::under(copyFixture("network/laptop"));
    const InterfaceIdentities identities = identitiesOf(readInterfaceKinds(roots));
    const std::map<QString, QString> names = {
        {"eth0", "Ethernet"}, {"lan1", "Ethernet 2"}, {"wlan0", "Wi-Fi"}};
    const std::map<QString, QString> addresses = {{"eth0", "3c:22:fb:11:22:33"},
                                                  {"lan1", "3c:22:fb:11:22:44"},
                                                  {"wlan0", "a4:83:e7:00:11:22"}};
    EXPECT_EQ(identities.displayNames, names);
    EXPECT_EQ(identities.hardwareAddresses, addresses);
}

TEST(NetInterfaceKinds, ThisMachine) {
    const auto kinds = readInterfaceKinds(Roots::system());
    ASSERT_TRUE(kinds.count("lo"));
    EXPECT_EQ(roleOfKind(kinds.at("lo")), InterfaceRole::Loopback);
}
