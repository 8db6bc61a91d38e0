#pragma once

#include "platform/linux/Nl80211Elements.h"
#include "platform/linux/Nl80211Messages.h"

#include <QString>
#include <cstdint>
#include <optional>
#include <vector>

namespace morvanex::platform {

// The operating channel of a Wi-Fi link.
struct WiFiChannel {
    int number = 0;
    int band = 0;  // 1: 2.4 GHz, 2: 5 GHz, 3: 6 GHz, 0: other
    int width = 0; // 1: 20 MHz, 2: 40 MHz, 3: 80 MHz, 4: 160 MHz, 0: other

    bool operator==(const WiFiChannel&) const = default;
};

// The state of the machine's Wi-Fi interface, with the band, width, standard and security as
// the codes the monitor's tables translate.
struct WiFiLink {
    QString interfaceName;
    bool powerOn = false;
    std::optional<QString> ssid;
    std::optional<QString> bssid; // lower-case hex pairs joined by ":"
    int rssi = 0;                 // dBm; 0 when not associated
    int noise = 0;                // dBm; 0 when unknown
    std::optional<WiFiChannel> channel;
    double transmitRate = 0; // Mbit/s
    // 0 none, 1 802.11a, 2 802.11b, 3 802.11g, 4 802.11n, 5 802.11ac, 6 802.11ax, 7 802.11be
    std::int64_t phyMode = 0;
    std::int64_t security = nl80211::security::unknown; // nl80211::security kinds
    std::optional<QString> countryCode;

    bool operator==(const WiFiLink&) const = default;
};

// Channel number of a centre frequency in MHz (0 when outside the Wi-Fi bands).
int channelNumber(std::uint32_t frequency);
// Band code of a frequency.
int bandOf(std::uint32_t frequency);
// Width code of an NL80211_CHAN_WIDTH_* value.
int widthOf(std::uint32_t channelWidth);

// Puts one interface's answers together. `bss` is the access point the interface is
// associated with, when the scan list holds it.
WiFiLink assembleLink(const nl80211::Interface& interface, bool up,
                      const std::optional<nl80211::Station>& station,
                      const std::optional<nl80211::Bss>& bss,
                      const std::vector<nl80211::Survey>& surveys);

} // namespace morvanex::platform
