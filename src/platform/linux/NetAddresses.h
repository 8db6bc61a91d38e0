#pragma once

#include <QString>
#include <QStringList>
#include <map>
#include <optional>

struct ifaddrs;

namespace morvanex::platform {

// The addresses of one interface, in the order the system lists them.
struct InterfaceAddresses {
    QStringList v4;             // numeric IPv4 addresses
    QStringList v6;             // numeric IPv6 addresses without their scope suffix
    std::optional<QString> mac; // link-layer address, lower-case hex pairs joined by ":"

    bool operator==(const InterfaceAddresses&) const = default;
};

using AddressMap = std::map<QString, InterfaceAddresses>;

// Walks a getifaddrs list. Entries without an address are skipped; every name with at least one
// address gets a record (possibly empty). IPv4 and IPv6 addresses are written numerically
// (IPv6 cut at "%"); a packet-socket address of exactly 6 bytes becomes the MAC; other
// families add nothing.
AddressMap collectAddresses(const ifaddrs* list);

// The addresses of every interface; empty when getifaddrs fails.
AddressMap readInterfaceAddresses();

// Bytes as lower-case hex pairs joined by ":" ("02:fc:00:00:00:01").
QString macText(const unsigned char* bytes, int length);

// True for a numeric IPv4 address in dotted-quad form or a numeric IPv6 address (no scope, no
// brackets, no surrounding space).
bool isNumericAddress(const QString& text);

} // namespace morvanex::platform
