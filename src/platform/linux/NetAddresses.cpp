#include "platform/linux/NetAddresses.h"

#include <arpa/inet.h>
#include <cstring>
#include <ifaddrs.h>
#include <memory>
#include <netdb.h>
#include <netinet/in.h>
#include <netpacket/packet.h>
#include <sys/socket.h>

namespace morvanex::platform {

namespace {

std::optional<QString> numericHost(const sockaddr* address, socklen_t length) {
    char host[NI_MAXHOST] = {};
    if (::getnameinfo(address, length, host, sizeof host, nullptr, 0, NI_NUMERICHOST) != 0)
        return std::nullopt;
    return QString::fromUtf8(host);
}

struct IfaddrsDeleter {
    void operator()(ifaddrs* list) const { ::freeifaddrs(list); }
};

} // namespace

QString macText(const unsigned char* bytes, int length) {
    static const char digits[] = "0123456789abcdef";
    QString text;
    for (int i = 0; i < length; ++i) {
        if (i > 0)
            text += QLatin1Char(':');
        text += QLatin1Char(digits[bytes[i] >> 4]);
        text += QLatin1Char(digits[bytes[i] & 0xF]);
    }
    return text;
}

AddressMap collectAddresses(const ifaddrs* list) {
    AddressMap addresses;
    for (const ifaddrs* entry = list; entry != nullptr; entry = entry->ifa_next) {
        if (entry->ifa_addr == nullptr || entry->ifa_name == nullptr)
            continue;
        InterfaceAddresses& record = addresses[QString::fromUtf8(entry->ifa_name)];
        switch (entry->ifa_addr->sa_family) {
        case AF_INET:
            if (const auto text = numericHost(entry->ifa_addr, sizeof(sockaddr_in)))
                record.v4.push_back(*text);
            break;
        case AF_INET6:
            if (const auto text = numericHost(entry->ifa_addr, sizeof(sockaddr_in6)))
                record.v6.push_back(text->section(QLatin1Char('%'), 0, 0));
            break;
        case AF_PACKET: {
            const auto* link = reinterpret_cast<const sockaddr_ll*>(entry->ifa_addr);
            if (link->sll_halen == 6)
                record.mac = macText(link->sll_addr, 6);
            break;
        }
        default:
            break;
        }
    }
    return addresses;
}

AddressMap readInterfaceAddresses() {
    ifaddrs* raw = nullptr;
    if (::getifaddrs(&raw) != 0)
        return {};
    const std::unique_ptr<ifaddrs, IfaddrsDeleter> list(raw);
    return collectAddresses(list.get());
}

bool isNumericAddress(const QString& text) {
    const QByteArray bytes = text.toUtf8();
    if (bytes.isEmpty() || bytes.size() > 64 || bytes.contains('\0'))
        return false;
    in6_addr buffer{};
    return ::inet_pton(AF_INET, bytes.constData(), &buffer) == 1 ||
           ::inet_pton(AF_INET6, bytes.constData(), &buffer) == 1;
}

} // namespace morvanex::platform
