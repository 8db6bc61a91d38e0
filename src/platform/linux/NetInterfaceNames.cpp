#include "platform/linux/NetInterfaceNames.h"

namespace morvanex::platform {

namespace {

bool matches(const QStringList& prefixes, const QString& name) {
    for (const QString& prefix : prefixes)
        if (name.startsWith(prefix))
            return true;
    return false;
}

} // namespace

std::optional<InterfaceRole> InterfaceNameRules::roleOf(const QString& name) const {
    if (matches(loopback, name))
        return InterfaceRole::Loopback;
    if (matches(hidden, name))
        return InterfaceRole::Hidden;
    if (matches(vpn, name))
        return InterfaceRole::Vpn;
    if (matches(bridge, name))
        return InterfaceRole::Bridge;
    if (matches(physical, name))
        return InterfaceRole::Physical;
    return std::nullopt;
}

InterfaceNameRules InterfaceNameRules::linuxNames() {
    return {
        {QStringLiteral("lo")},
        {QStringLiteral("docker"), QStringLiteral("veth"), QStringLiteral("virbr"),
         QStringLiteral("br-")},
        {QStringLiteral("tun"), QStringLiteral("wg"), QStringLiteral("ppp"),
         QStringLiteral("tailscale")},
        {QStringLiteral("br")},
        {QStringLiteral("en"), QStringLiteral("eth"), QStringLiteral("wl"), QStringLiteral("ww")},
    };
}

InterfaceNameRules InterfaceNameRules::bsdNames() {
    return {
        {QStringLiteral("lo")},
        {QStringLiteral("awdl"), QStringLiteral("llw")},
        {QStringLiteral("utun"), QStringLiteral("ipsec"), QStringLiteral("ppp")},
        {QStringLiteral("bridge")},
        {QStringLiteral("en"), QStringLiteral("pdp_ip")},
    };
}

} // namespace morvanex::platform
