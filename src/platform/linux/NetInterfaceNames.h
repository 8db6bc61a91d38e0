#pragma once

#include <QString>
#include <QStringList>
#include <optional>

namespace morvanex::platform {

// What the network monitor does with an interface.
enum class InterfaceRole {
    Loopback, // neither listed nor counted
    Hidden,   // never listed (system helper links, container plumbing)
    Physical, // counted in the machine's totals
    Vpn,      // a tunnel: listed, named "VPN (name)", reported as a VPN when it has IPv4
    Bridge,   // named "Bridge (name)"
    Other,    // listed when it has addresses, not counted
};

// The name prefixes that tell an interface's role. Each system names its interfaces in its own
// way; the first table that a name matches decides, in the order of the members below.
struct InterfaceNameRules {
    QStringList loopback;
    QStringList hidden;
    QStringList vpn;
    QStringList bridge;
    QStringList physical;

    // The role of the name, or nothing when no prefix matches.
    std::optional<InterfaceRole> roleOf(const QString& name) const;

    // Linux: lo; docker*, veth*, virbr*, br-* hidden; tun*, wg*, ppp*, tailscale* VPNs; br*
    // bridges; en*, eth*, wl*, ww* physical.
    static InterfaceNameRules linuxNames();
    // The other family's names: lo*; awdl*, llw* hidden; utun*, ipsec*, ppp* VPNs; bridge*
    // bridges; en*, pdp_ip* physical.
    static InterfaceNameRules bsdNames();
};

} // namespace morvanex::platform
