#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <limits>
#include <optional>

// Facts read from the information elements an access point announces.
namespace morvanex::platform::nl80211 {

// Security kinds of a Wi-Fi link, numbered as the monitor's security table expects.
namespace security {
constexpr std::int64_t none = 0;
constexpr std::int64_t wep = 1;
constexpr std::int64_t wpaPersonal = 2;
constexpr std::int64_t wpaPersonalMixed = 3;
constexpr std::int64_t wpa2Personal = 4;
constexpr std::int64_t wpaEnterprise = 8;
constexpr std::int64_t wpaEnterpriseMixed = 9;
constexpr std::int64_t wpa2Enterprise = 10;
constexpr std::int64_t wpa3Personal = 11;
constexpr std::int64_t wpa3Enterprise = 12;
constexpr std::int64_t wpa3Transition = 13;
constexpr std::int64_t enhancedOpen = 14;
constexpr std::int64_t otherProtected = 16; // protected in a way none of the above names
constexpr std::int64_t unknown = std::numeric_limits<std::int64_t>::max();
} // namespace security

// The security kind from the RSN and WPA elements, else from the privacy bit of the capability
// field (WEP) or its absence (none).
std::int64_t securityKind(const QByteArray& elements, std::uint16_t capability);

// The two-letter country of the Country element; nothing when absent or not letters.
std::optional<QString> countryCode(const QByteArray& elements);

// True when the supported-rates elements list only 802.11b rates (1, 2, 5.5 and 11 Mbit/s).
bool onlyDsssRates(const QByteArray& elements);

} // namespace morvanex::platform::nl80211
