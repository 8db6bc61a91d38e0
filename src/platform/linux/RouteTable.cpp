#include "platform/linux/RouteTable.h"

#include "platform/ParseNumber.h"
#include "platform/linux/ProcFiles.h"

#include <QList>
#include <arpa/inet.h>
#include <cstring>
#include <netinet/in.h>

namespace morvanex::platform {

namespace {

constexpr std::uint32_t rtfUp = 0x0001;
constexpr std::uint32_t rtfGateway = 0x0002;
constexpr std::uint32_t rtfReject = 0x0200;

std::optional<std::uint32_t> hex32(const QByteArray& field) {
    if (field.isEmpty() || field.size() > 8)
        return std::nullopt;
    return parseInteger<std::uint32_t>(field, NumberText::exact, 16);
}

// A 128-bit address written as 32 hex digits in network byte order.
std::optional<in6_addr> hex128(const QByteArray& field) {
    if (field.size() != 32)
        return std::nullopt;
    const QByteArray bytes = QByteArray::fromHex(field);
    if (bytes.size() != 16)
        return std::nullopt;
    in6_addr address{};
    std::memcpy(address.s6_addr, bytes.constData(), 16);
    return address;
}

bool better(const std::optional<DefaultRoute>& best, std::uint32_t metric) {
    return !best || metric < best->metric;
}

} // namespace

std::optional<DefaultRoute> parseIpv4DefaultRoute(const QByteArray& text) {
    std::optional<DefaultRoute> best;
    const QList<QByteArray> lines = text.split('\n');
    // Iface Destination Gateway Flags RefCnt Use Metric Mask MTU Window IRTT
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QList<QByteArray> fields = lines[i].simplified().split(' ');
        if (fields.size() < 8)
            continue;
        const auto destination = hex32(fields[1]);
        const auto gateway = hex32(fields[2]);
        const auto flags = hex32(fields[3]);
        const auto metric = parseInteger<std::uint32_t>(fields[6]);
        const auto mask = hex32(fields[7]);
        if (!destination || !gateway || !flags || !mask || !metric)
            continue;
        if (*destination != 0 || *mask != 0 || (*flags & rtfUp) == 0 || (*flags & rtfReject))
            continue;
        if (!better(best, *metric))
            continue;
        DefaultRoute route{QString::fromUtf8(fields[0]), std::nullopt, *metric};
        if ((*flags & rtfGateway) && *gateway != 0) {
            // The kernel prints the address as the 32-bit number it keeps in network order.
            in_addr address{};
            address.s_addr = *gateway;
            char buffer[INET_ADDRSTRLEN] = {};
            if (::inet_ntop(AF_INET, &address, buffer, sizeof buffer))
                route.gateway = QString::fromLatin1(buffer);
        }
        best = std::move(route);
    }
    return best;
}

std::optional<DefaultRoute> parseIpv6DefaultRoute(const QByteArray& text) {
    std::optional<DefaultRoute> best;
    // destination prefix source prefix next-hop metric refcnt use flags device
    for (const QByteArray& line : text.split('\n')) {
        const QList<QByteArray> fields = line.simplified().split(' ');
        if (fields.size() < 10)
            continue;
        const auto destination = hex128(fields[0]);
        const auto nextHop = hex128(fields[4]);
        const auto metric = hex32(fields[5]);
        const auto flags = hex32(fields[8]);
        if (!destination || !nextHop || !metric || !flags || fields[1] != "00")
            continue;
        if (!IN6_IS_ADDR_UNSPECIFIED(&*destination) || (*flags & rtfUp) == 0 ||
            (*flags & rtfReject) || fields[9] == "lo")
            continue;
        if (!better(best, *metric))
            continue;
        DefaultRoute route{QString::fromUtf8(fields[9]), std::nullopt, *metric};
        if (!IN6_IS_ADDR_UNSPECIFIED(&*nextHop)) {
            char buffer[INET6_ADDRSTRLEN] = {};
            if (::inet_ntop(AF_INET6, &*nextHop, buffer, sizeof buffer))
                route.gateway = QString::fromLatin1(buffer);
        }
        best = std::move(route);
    }
    return best;
}

PrimaryRoute readPrimaryRoute(const Roots& roots) {
    if (const auto text = procfiles::read(roots.proc + QStringLiteral("/net/route")))
        if (const auto route = parseIpv4DefaultRoute(*text))
            return {route->interface, route->gateway};
    if (const auto text = procfiles::read(roots.proc + QStringLiteral("/net/ipv6_route")))
        if (const auto route = parseIpv6DefaultRoute(*text))
            return {route->interface, std::nullopt};
    return {};
}

} // namespace morvanex::platform
