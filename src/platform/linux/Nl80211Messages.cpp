#include "platform/linux/Nl80211Messages.h"

#include "platform/linux/Nl80211Attributes.h"

#include <linux/nl80211.h>

namespace morvanex::platform::nl80211 {

std::optional<Interface> parseInterface(const QByteArray& bytes) {
    const Attributes attributes(bytes);
    const auto index = attributes.u32(NL80211_ATTR_IFINDEX);
    const auto name = attributes.string(NL80211_ATTR_IFNAME);
    if (!index || !name || name->isEmpty())
        return std::nullopt;
    Interface interface;
    interface.index = *index;
    interface.name = QString::fromUtf8(*name);
    interface.type = attributes.u32(NL80211_ATTR_IFTYPE).value_or(NL80211_IFTYPE_UNSPECIFIED);
    interface.ssid = attributes.bytes(NL80211_ATTR_SSID);
    interface.frequency = attributes.u32(NL80211_ATTR_WIPHY_FREQ);
    interface.channelWidth = attributes.u32(NL80211_ATTR_CHANNEL_WIDTH);
    return interface;
}

std::optional<Station> parseStation(const QByteArray& bytes) {
    const Attributes attributes(bytes);
    if (!attributes.has(NL80211_ATTR_STA_INFO))
        return std::nullopt;
    const Attributes info = attributes.nested(NL80211_ATTR_STA_INFO);
    Station station;
    station.address = attributes.bytes(NL80211_ATTR_MAC);
    if (const auto signal = info.s8(NL80211_STA_INFO_SIGNAL))
        station.signal = *signal;
    if (info.has(NL80211_STA_INFO_TX_BITRATE)) {
        const Attributes rate = info.nested(NL80211_STA_INFO_TX_BITRATE);
        // Units of 100 kbit/s; the 32-bit form exists for rates beyond 6.5 Gbit/s.
        if (const auto rate32 = rate.u32(NL80211_RATE_INFO_BITRATE32))
            station.transmitRate = *rate32 / 10.0;
        else if (const auto rate16 = rate.u16(NL80211_RATE_INFO_BITRATE))
            station.transmitRate = *rate16 / 10.0;
        if (rate.has(NL80211_RATE_INFO_EHT_MCS))
            station.generation = RateGeneration::Eht;
        else if (rate.has(NL80211_RATE_INFO_HE_MCS))
            station.generation = RateGeneration::He;
        else if (rate.has(NL80211_RATE_INFO_VHT_MCS))
            station.generation = RateGeneration::Vht;
        else if (rate.has(NL80211_RATE_INFO_MCS))
            station.generation = RateGeneration::Ht;
        else
            station.generation = RateGeneration::Legacy;
    }
    return station;
}

std::optional<Bss> parseBss(const QByteArray& bytes) {
    const Attributes attributes(bytes);
    const Attributes bss = attributes.nested(NL80211_ATTR_BSS);
    const auto bssid = bss.bytes(NL80211_BSS_BSSID);
    if (!bssid || bssid->size() != 6)
        return std::nullopt;
    Bss out;
    out.bssid = *bssid;
    out.frequency = bss.u32(NL80211_BSS_FREQUENCY);
    out.capability = bss.u16(NL80211_BSS_CAPABILITY).value_or(0);
    out.elements = bss.bytes(NL80211_BSS_INFORMATION_ELEMENTS).value_or(QByteArray());
    if (const auto mbm = bss.s32(NL80211_BSS_SIGNAL_MBM))
        out.signal = *mbm / 100;
    const auto status = bss.u32(NL80211_BSS_STATUS);
    out.associated = status && (*status == NL80211_BSS_STATUS_ASSOCIATED ||
                                *status == NL80211_BSS_STATUS_IBSS_JOINED);
    return out;
}

std::optional<Survey> parseSurvey(const QByteArray& bytes) {
    const Attributes attributes(bytes);
    if (!attributes.has(NL80211_ATTR_SURVEY_INFO))
        return std::nullopt;
    const Attributes info = attributes.nested(NL80211_ATTR_SURVEY_INFO);
    Survey survey;
    survey.frequency = info.u32(NL80211_SURVEY_INFO_FREQUENCY);
    if (const auto noise = info.s8(NL80211_SURVEY_INFO_NOISE))
        survey.noise = *noise;
    survey.inUse = info.has(NL80211_SURVEY_INFO_IN_USE);
    return survey;
}

} // namespace morvanex::platform::nl80211
