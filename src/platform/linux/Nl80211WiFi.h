#pragma once

#include "platform/Roots.h"
#include "platform/linux/NetInterfaceKindCache.h"
#include "platform/linux/Nl80211Link.h"

#include <functional>
#include <optional>
#include <vector>

namespace morvanex::platform {

// Picks the interface the machine uses for Wi-Fi among the station interfaces: an associated
// one first, else one that is up, else the first; names break ties. `up` tells which are up.
std::optional<nl80211::Interface>
chooseWiFiInterface(const std::vector<nl80211::Interface>& interfaces,
                    const std::function<bool(const QString&)>& up);

// The machine's Wi-Fi link; nothing when it has no Wi-Fi interface. Machines without a wireless
// interface in /sys/class/net never open a netlink socket. When the kernel cannot be asked, the
// link holds only the interface's name and whether it is up.
std::optional<WiFiLink> readWiFiLink(const Roots& roots);
// As above, over interfaces whose description is kept between calls.
std::optional<WiFiLink> readWiFiLink(InterfaceKindCache& interfaces);

} // namespace morvanex::platform
