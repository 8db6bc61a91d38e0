#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <optional>

// The nl80211 answers the Wi-Fi reader uses, read from the attribute bytes of one generic
// netlink message (the payload after the generic header).
namespace morvanex::platform::nl80211 {

// One wireless interface (NL80211_CMD_GET_INTERFACE).
struct Interface {
    std::uint32_t index = 0;
    QString name;
    std::uint32_t type = 0; // NL80211_IFTYPE_*
    std::optional<QByteArray> ssid;
    std::optional<std::uint32_t> frequency;    // MHz of the operating channel
    std::optional<std::uint32_t> channelWidth; // NL80211_CHAN_WIDTH_*
};

// Generation of the transmit rate's modulation: legacy, then 802.11n, ac, ax, be.
enum class RateGeneration { Legacy = 0, Ht = 4, Vht = 5, He = 6, Eht = 7 };

// The access point as a station of the interface (NL80211_CMD_GET_STATION).
struct Station {
    std::optional<QByteArray> address;
    std::optional<int> signal;                // dBm
    std::optional<double> transmitRate;       // Mbit/s
    std::optional<RateGeneration> generation; // of the transmit rate
};

// One scanned access point (NL80211_CMD_GET_SCAN).
struct Bss {
    QByteArray bssid;
    std::optional<std::uint32_t> frequency;
    std::uint16_t capability = 0;
    QByteArray elements;       // information elements as received
    std::optional<int> signal; // dBm
    bool associated = false;   // the interface is associated with (or joined to) it
};

// One channel's survey (NL80211_CMD_GET_SURVEY).
struct Survey {
    std::optional<std::uint32_t> frequency;
    std::optional<int> noise; // dBm
    bool inUse = false;
};

// Nothing when the message lacks the attributes that identify it.
std::optional<Interface> parseInterface(const QByteArray& attributes);
std::optional<Station> parseStation(const QByteArray& attributes);
std::optional<Bss> parseBss(const QByteArray& attributes);
std::optional<Survey> parseSurvey(const QByteArray& attributes);

} // namespace morvanex::platform::nl80211
