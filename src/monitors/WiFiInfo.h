#pragma once

#include <QString>
#include <cstdint>
#include <optional>

namespace morvanex {

// The current Wi-Fi link.
struct WiFiInfo {
    QString interfaceName;
    std::optional<QString> ssid;
    std::optional<QString> bssid;
    int rssi = 0;  // dBm; 0 when not associated
    int noise = 0; // dBm
    std::optional<int> channel;
    std::optional<QString> band;
    std::optional<QString> width;
    double transmitRate = 0; // Mbit/s
    QString phyMode;
    QString security;
    std::optional<QString> countryCode;

    bool operator==(const WiFiInfo&) const = default;
};

// Texts of the link's codes.
namespace wifitext {
// 1 "2.4 GHz", 2 "5 GHz", 3 "6 GHz"; anything else nothing.
std::optional<QString> band(std::int64_t raw);
// 1 "20 MHz", 2 "40 MHz", 3 "80 MHz", 4 "160 MHz"; anything else nothing.
std::optional<QString> width(std::int64_t raw);
// 0 "—", 1 "802.11a" ... 6 "802.11ax (Wi-Fi 6)"; anything else "802.11be (Wi-Fi 7)".
QString phyMode(std::int64_t raw);
// The security kind's text; "—" when none is reported, "Secured" for kinds without a name.
QString security(std::int64_t raw);
} // namespace wifitext

} // namespace morvanex
