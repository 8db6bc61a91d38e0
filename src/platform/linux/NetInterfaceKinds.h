#pragma once

#include "platform/Roots.h"
#include "platform/linux/NetInterfaceNames.h"

#include <QString>
#include <map>
#include <optional>

namespace morvanex::platform {

// What /sys/class/net/<name> says about an interface.
struct InterfaceKind {
    bool exists = false;            // the folder is there
    int linkType = -1;              // ARPHRD_* from "type"; -1 when unreadable
    bool hardware = false;          // backed by a device ("device" link)
    bool wireless = false;          // an 802.11 interface ("wireless" or "phy80211")
    bool tunnel = false;            // a tun/tap device ("tun_flags")
    bool bridge = false;            // a software bridge ("bridge" folder)
    bool up = false;                // administratively up (IFF_UP in "flags")
    std::optional<QString> address; // "address", when it is a 6-byte hardware address

    bool operator==(const InterfaceKind&) const = default;
};

InterfaceKind readInterfaceKind(const Roots& roots, const QString& name);

// What stays true of an interface while it exists: the folder, the link type and the
// device, wireless, tunnel and bridge entries. `up` and `address` are left unset.
InterfaceKind probeInterfaceKind(const Roots& roots, const QString& name);

// What can change while an interface exists, read into `kind`: `up` and `address`.
void readInterfaceState(const Roots& roots, const QString& name, InterfaceKind& kind);

// Every interface folder under /sys/class/net, by name.
std::map<QString, InterfaceKind> readInterfaceKinds(const Roots& roots);

// The role of an interface whose name no prefix table knows, from what the kernel says of it.
InterfaceRole roleOfKind(const InterfaceKind& kind);

// The role from the name table, else from the kernel's description.
InterfaceRole roleOf(const InterfaceNameRules& rules, const QString& name,
                     const InterfaceKind& kind);

// Names shown to the user and built-in hardware addresses, by interface name.
struct InterfaceIdentities {
    std::map<QString, QString> displayNames;
    std::map<QString, QString> hardwareAddresses;

    bool operator==(const InterfaceIdentities&) const = default;
};

// Interfaces backed by a device: wireless ones are called "Wi-Fi", Ethernet ones "Ethernet"
// (numbered " 2", " 3", ... in name order when there are several); their 6-byte addresses are
// the hardware addresses. Virtual interfaces get no name here.
InterfaceIdentities identitiesOf(const std::map<QString, InterfaceKind>& kinds);

} // namespace morvanex::platform
