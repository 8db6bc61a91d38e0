#include "platform/linux/NetInterfaceKinds.h"

#include "platform/ParseNumber.h"
#include "platform/linux/ProcFiles.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>

namespace morvanex::platform {

namespace {

constexpr int arphrdEther = 1;
constexpr int arphrdPpp = 512;
constexpr int arphrdLoopback = 772;
constexpr int arphrdNone = 65534; // layer-3 tunnels such as WireGuard
constexpr std::int64_t iffUp = 0x1;

// Kernel interface names never hold "/" and are never "." or "..".
bool safeName(const QString& name) {
    return !name.isEmpty() && name != QLatin1String(".") && name != QLatin1String("..") &&
           !name.contains(QLatin1Char('/')) && !name.contains(QChar(0));
}

bool isHardwareAddress(const QByteArray& text) {
    if (text.size() != 17)
        return false;
    for (int i = 0; i < 17; ++i) {
        const char c = text[i];
        const bool hex = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
        if (i % 3 == 2 ? c != ':' : !hex)
            return false;
    }
    return true;
}

} // namespace

InterfaceKind probeInterfaceKind(const Roots& roots, const QString& name) {
    InterfaceKind kind;
    if (!safeName(name))
        return kind;
    const QString folder = roots.sys + QStringLiteral("/class/net/") + name;
    if (!QFileInfo(folder).isDir())
        return kind;
    kind.exists = true;
    if (const auto type = procfiles::readInteger(folder + QStringLiteral("/type")))
        kind.linkType = int(std::clamp<std::int64_t>(*type, -1, 0xFFFF));
    kind.hardware = QFileInfo::exists(folder + QStringLiteral("/device"));
    kind.wireless = QFileInfo(folder + QStringLiteral("/wireless")).isDir() ||
                    QFileInfo::exists(folder + QStringLiteral("/phy80211"));
    kind.tunnel = QFileInfo::exists(folder + QStringLiteral("/tun_flags"));
    kind.bridge = QFileInfo(folder + QStringLiteral("/bridge")).isDir();
    return kind;
}

void readInterfaceState(const Roots& roots, const QString& name, InterfaceKind& kind) {
    kind.up = false;
    kind.address.reset();
    if (!safeName(name))
        return;
    const QString folder = roots.sys + QStringLiteral("/class/net/") + name;
    if (const auto flags = procfiles::readLine(folder + QStringLiteral("/flags")))
        kind.up =
            (parseHexOrDecimal<std::int64_t>(*flags, NumberText::trimmed).value_or(0) & iffUp) != 0;
    if (const auto address = procfiles::readLine(folder + QStringLiteral("/address")))
        if (isHardwareAddress(*address))
            kind.address = QString::fromLatin1(address->toLower());
}

InterfaceKind readInterfaceKind(const Roots& roots, const QString& name) {
    InterfaceKind kind = probeInterfaceKind(roots, name);
    if (kind.exists)
        readInterfaceState(roots, name, kind);
    return kind;
}

std::map<QString, InterfaceKind> readInterfaceKinds(const Roots& roots) {
    std::map<QString, InterfaceKind> kinds;
    const QDir folder(roots.sys + QStringLiteral("/class/net"));
    const QStringList names = folder.entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::System);
    for (const QString& name : names) {
        InterfaceKind kind = readInterfaceKind(roots, name);
        if (kind.exists)
            kinds.emplace(name, std::move(kind));
    }
    return kinds;
}

InterfaceRole roleOfKind(const InterfaceKind& kind) {
    if (kind.linkType == arphrdLoopback)
        return InterfaceRole::Loopback;
    if (kind.tunnel || kind.linkType == arphrdPpp || kind.linkType == arphrdNone)
        return InterfaceRole::Vpn;
    if (kind.bridge)
        return InterfaceRole::Bridge;
    if (kind.hardware && (kind.wireless || kind.linkType == arphrdEther))
        return InterfaceRole::Physical;
    return InterfaceRole::Other;
}

InterfaceRole roleOf(const InterfaceNameRules& rules, const QString& name,
                     const InterfaceKind& kind) {
    if (const auto role = rules.roleOf(name))
        return *role;
    return roleOfKind(kind);
}

InterfaceIdentities identitiesOf(const std::map<QString, InterfaceKind>& kinds) {
    InterfaceIdentities identities;
    int wifiCount = 0;
    int ethernetCount = 0;
    for (const auto& [name, kind] : kinds) {
        if (!kind.hardware)
            continue;
        QString base;
        int number = 0;
        if (kind.wireless) {
            base = QStringLiteral("Wi-Fi");
            number = ++wifiCount;
        } else if (kind.linkType == arphrdEther) {
            base = QStringLiteral("Ethernet");
            number = ++ethernetCount;
        } else {
            continue;
        }
        identities.displayNames[name] =
            number == 1 ? base : base + QLatin1Char(' ') + QString::number(number);
        if (kind.address)
            identities.hardwareAddresses[name] = *kind.address;
    }
    return identities;
}

} // namespace morvanex::platform
