#pragma once

#include "platform/Roots.h"

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <optional>

namespace morvanex::platform {

// One default route of the kernel's main routing table.
struct DefaultRoute {
    QString interface;
    std::optional<QString> gateway; // numeric address; absent for a route without a next hop
    std::uint32_t metric = 0;

    bool operator==(const DefaultRoute&) const = default;
};

// The usable IPv4 default route with the lowest metric (the first of equals) from the text of
// /proc/net/route; nothing when there is none.
std::optional<DefaultRoute> parseIpv4DefaultRoute(const QByteArray& text);

// The same for /proc/net/ipv6_route (rejecting routes and loopback ignored).
std::optional<DefaultRoute> parseIpv6DefaultRoute(const QByteArray& text);

// The interface that carries the machine's traffic and the IPv4 router behind it.
struct PrimaryRoute {
    std::optional<QString> interface;
    std::optional<QString> router;

    bool operator==(const PrimaryRoute&) const = default;
};

// From the IPv4 default route; on a network without one, the interface of the IPv6 default
// route (and no router). Both absent when neither table has a default route or can be read.
PrimaryRoute readPrimaryRoute(const Roots& roots);

} // namespace morvanex::platform
