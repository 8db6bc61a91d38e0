#include "ui/panels/NetworkTexts.h"

#include "base/Fmt.h"
#include "base/Numbers.h"
#include "base/ShownText.h"

namespace morvanex::ui::network {

namespace {

const QString dash = QStringLiteral("—");
const QString dot = QStringLiteral(" · ");

QString integer(std::int64_t value) {
    return QString::fromStdString(numbers::integerText(value));
}

} // namespace

QString subtitle(const std::vector<InterfaceInfo>& interfaces,
                 const std::optional<QString>& primaryInterface,
                 std::optional<bool> internetReachable) {
    if (!primaryInterface)
        return QStringLiteral("Not connected");
    for (const InterfaceInfo& info : interfaces) {
        if (info.bsdName != *primaryInterface)
            continue;
        const bool offline = internetReachable == std::optional<bool>(false);
        return info.displayName + dot +
               (offline ? QStringLiteral("No internet") : QStringLiteral("Connected"));
    }
    return QStringLiteral("Not connected");
}

QString sessionText(std::uint64_t sessionDown, std::uint64_t sessionUp) {
    return QStringLiteral("Session ↓ ") + Fmt::bytes(double(sessionDown), 1024) +
           QStringLiteral(" ↑ ") + Fmt::bytes(double(sessionUp), 1024);
}

QString rateLine(double download, double upload, bool bits) {
    return QStringLiteral("↓ ") + Fmt::rate(download, bits) + QStringLiteral("  ↑ ") +
           Fmt::rate(upload, bits);
}

Status status(std::optional<bool> internetReachable) {
    if (!internetReachable)
        return {Tint::yellow, QStringLiteral("Checking…")};
    if (*internetReachable)
        return {Tint::green, QStringLiteral("Connected")};
    return {Tint::red, QStringLiteral("No connection")};
}

QString pingLabel(const QString& host) {
    return QStringLiteral("Ping · ") + shownText(host);
}

QString pingText(std::optional<double> pingMs) {
    if (!pingMs)
        return dash;
    return Fmt::number(*pingMs, 1) + QStringLiteral(" ms");
}

std::optional<QString> dnsText(const QStringList& dns) {
    if (dns.isEmpty())
        return std::nullopt;
    return dns.mid(0, 2).join(QStringLiteral(", "));
}

std::optional<QString> vpnText(const QStringList& vpnInterfaces) {
    if (vpnInterfaces.isEmpty())
        return std::nullopt;
    return QStringLiteral("Connected · ") + vpnInterfaces.join(QStringLiteral(", "));
}

QString interfacesSummary(const std::vector<InterfaceInfo>& interfaces) {
    QStringList names;
    for (const InterfaceInfo& info : interfaces)
        names << info.bsdName;
    return names.join(dot);
}

QStringList shownIPv6(const InterfaceInfo& info) {
    return info.ipv6.mid(0, 2);
}

QString signalText(int rssi, int noise) {
    // The driver often reports no noise floor (0): a ratio against it would mean nothing.
    if (noise == 0)
        return integer(rssi) + QStringLiteral(" dBm");
    // In 64 bits: a reading at the ends of int cannot overflow the difference.
    return integer(rssi) + QStringLiteral(" dBm · SNR ") +
           integer(std::int64_t(rssi) - std::int64_t(noise));
}

QString noiseText(int noise) {
    return integer(noise) + QStringLiteral(" dBm");
}

QString channelText(const WiFiInfo& wifi) {
    QStringList parts;
    if (wifi.channel)
        parts << integer(*wifi.channel);
    if (wifi.band)
        parts << *wifi.band;
    if (wifi.width)
        parts << *wifi.width;
    return parts.join(dot);
}

QString transmitRateText(double transmitRate) {
    const auto whole = numbers::truncatedInt64(transmitRate);
    if (!whole)
        return dash;
    return integer(*whole) + QStringLiteral(" Mbps");
}

NetworkNameKind networkNameKind(const std::optional<QString>& ssid, LocationStatus status) {
    if (ssid)
        return NetworkNameKind::name;
    return status == LocationStatus::notDetermined ? NetworkNameKind::allowLocation
                                                   : NetworkNameKind::hidden;
}

} // namespace morvanex::ui::network
