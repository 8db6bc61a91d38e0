#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>

namespace morvanex {

// One listed network interface at the last sample.
struct InterfaceInfo {
    QString bsdName;     // kernel interface name, e.g. "eth0"
    QString displayName; // name shown to the user
    QStringList ipv4;    // numeric IPv4 addresses in the system's order
    QStringList ipv6;    // numeric IPv6 addresses, no scope suffix, no link-local ones
    std::optional<QString> mac;
    double upload = 0;           // bytes per second
    double download = 0;         // bytes per second
    std::uint64_t totalUp = 0;   // the interface's send counter
    std::uint64_t totalDown = 0; // the interface's receive counter

    const QString& id() const { return bsdName; }
    bool operator==(const InterfaceInfo&) const = default;
};

} // namespace morvanex
