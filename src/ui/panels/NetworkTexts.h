#pragma once

#include "monitors/InterfaceInfo.h"
#include "monitors/WiFiInfo.h"
#include "ui/kit/Palette.h"
#include "ui/panels/LocationPermission.h"

#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

namespace morvanex {
class NetworkMonitor;
}

// What the network panel says about the monitor's readings, as plain values, so each text and
// its rules can be checked without building a view.
namespace morvanex::ui::network {

// The header's second line: "Not connected" unless an interface is the primary one; else its
// name, " · ", and "No internet" (known unreachable) or "Connected" (reachable or not yet known).
QString subtitle(const std::vector<InterfaceInfo>& interfaces,
                 const std::optional<QString>& primaryInterface,
                 std::optional<bool> internetReachable);

// "Session ↓ 1.2 GB ↑ 300.0 MB" (binary units).
QString sessionText(std::uint64_t sessionDown, std::uint64_t sessionUp);

// "↓ 1.2 MB/s  ↑ 20 KB/s" for an interface or a speed-test result.
QString rateLine(double download, double upload, bool bits);

struct Status {
    Tint dot = Tint::yellow;
    QString text;
    bool operator==(const Status&) const = default;
};
// Unknown: yellow "Checking…"; reachable: green "Connected"; not: red "No connection".
Status status(std::optional<bool> internetReachable);

// "Ping · " and the host.
QString pingLabel(const QString& host);
// "12.3 ms"; "—" without a time.
QString pingText(std::optional<double> pingMs);
// The first two servers joined by ", "; nothing without servers.
std::optional<QString> dnsText(const QStringList& dns);
// "Connected · tun0, wg0"; nothing without VPN interfaces.
std::optional<QString> vpnText(const QStringList& vpnInterfaces);

// The interface names in list order joined by " · ".
QString interfacesSummary(const std::vector<InterfaceInfo>& interfaces);
// The IPv6 addresses an interface block lists: the first two.
QStringList shownIPv6(const InterfaceInfo& info);

// The Wi-Fi card's rows.
// "-55 dBm · SNR 35".
QString signalText(int rssi, int noise);
// "-90 dBm".
QString noiseText(int noise);
// Channel number, band and width, those present, joined by " · "; empty when none is.
QString channelText(const WiFiInfo& wifi);
// The rate truncated toward zero: "866 Mbps"; "—" when it is no whole number.
QString transmitRateText(double transmitRate);

// What the "Network" row shows.
enum class NetworkNameKind {
    name,          // the network's name, with the Wi-Fi symbol
    allowLocation, // "Allow Location…", which asks for the permission
    hidden,        // "Hidden · enable Location", no action
};
NetworkNameKind networkNameKind(const std::optional<QString>& ssid, LocationStatus status);

inline const QString allowLocationText = QStringLiteral("Allow Location…");
inline const QString hiddenNameText = QStringLiteral("Hidden · enable Location");

} // namespace morvanex::ui::network
