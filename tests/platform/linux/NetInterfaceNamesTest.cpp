#include "platform/linux/NetInterfaceNames.h"

#include <gtest/gtest.h>

using namespace morvanex::platform;

namespace {

struct Row {
    const char* name;
    std::optional<InterfaceRole> role;
};

void expectRoles(const InterfaceNameRules& rules, std::initializer_list<Row> rows) {
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(rules.roleOf(QString::fromUtf8(row.name)), row.role);
    }
}

} // namespace

TEST(NetInterfaceNames, LinuxNames) {
    expectRoles(InterfaceNameRules::linuxNames(),
                {
                    {"lo", InterfaceRole::Loopback},
                    {"eth0", InterfaceRole::Physical},
                    {"enp3s0", InterfaceRole::Physical},
                    {"wlan0", InterfaceRole::Physical},
                    {"wlp2s0", InterfaceRole::Physical},
                    {"wwan0", InterfaceRole::Physical},
                    {"tun0", InterfaceRole::Vpn},
                    {"wg0", InterfaceRole::Vpn},
                    {"ppp0", InterfaceRole::Vpn},
                    {"tailscale0", InterfaceRole::Vpn},
                    {"docker0", InterfaceRole::Hidden},
                    {"veth1a2b3c", InterfaceRole::Hidden},
                    {"virbr0", InterfaceRole::Hidden},
                    {"br-4f2a9c1d7e11", InterfaceRole::Hidden}, // container networks
                    {"br0", InterfaceRole::Bridge},
                    {"utun3", std::nullopt}, // the other family's names mean nothing here
                    {"lan1", std::nullopt},
                });
}

TEST(NetInterfaceNames, BsdNames) {
    expectRoles(InterfaceNameRules::bsdNames(), {
                                                    {"lo0", InterfaceRole::Loopback},
                                                    {"en0", InterfaceRole::Physical},
                                                    {"en10", InterfaceRole::Physical},
                                                    {"pdp_ip0", InterfaceRole::Physical},
                                                    {"awdl0", InterfaceRole::Hidden},
                                                    {"llw0", InterfaceRole::Hidden},
                                                    {"utun4", InterfaceRole::Vpn},
                                                    {"ipsec0", InterfaceRole::Vpn},
                                                    {"ppp0", InterfaceRole::Vpn},
                                                    {"bridge0", InterfaceRole::Bridge},
                                                    {"gif0", std::nullopt},
                                                    {"eth0", std::nullopt},
                                                });
}
