#include "platform/linux/Nl80211Link.h"

#include "platform/linux/NetAddresses.h"

#include <linux/nl80211.h>

namespace morvanex::platform {

namespace {

std::optional<QString> hardwareText(const std::optional<QByteArray>& bytes) {
    if (!bytes || bytes->size() != 6)
        return std::nullopt;
    return macText(reinterpret_cast<const unsigned char*>(bytes->constData()), 6);
}

std::optional<int> noiseOf(const std::vector<nl80211::Survey>& surveys,
                           std::optional<std::uint32_t> frequency) {
    for (const auto& survey : surveys)
        if (survey.inUse && survey.noise)
            return survey.noise;
    if (frequency)
        for (const auto& survey : surveys)
            if (survey.frequency == frequency && survey.noise)
                return survey.noise;
    return std::nullopt;
}

} // namespace

int channelNumber(std::uint32_t frequency) {
    const int f = int(std::min<std::uint32_t>(frequency, 100000));
    if (f == 2484)
        return 14;
    if (f == 5935)
        return 2;
    if (f >= 2412 && f < 2484)
        return (f - 2407) / 5;
    if (f >= 4910 && f <= 4980)
        return (f - 4000) / 5;
    if (f >= 5000 && f < 5950)
        return (f - 5000) / 5;
    if (f >= 5950 && f <= 7125)
        return (f - 5950) / 5;
    if (f >= 58320 && f <= 70200)
        return (f - 56160) / 2160;
    return 0;
}

int bandOf(std::uint32_t frequency) {
    if (frequency >= 2400 && frequency < 2500)
        return 1;
    if (frequency >= 4900 && frequency <= 5925)
        return 2;
    if (frequency > 5925 && frequency <= 7125)
        return 3;
    return 0;
}

int widthOf(std::uint32_t channelWidth) {
    switch (channelWidth) {
    case NL80211_CHAN_WIDTH_20_NOHT:
    case NL80211_CHAN_WIDTH_20:
        return 1;
    case NL80211_CHAN_WIDTH_40:
        return 2;
    case NL80211_CHAN_WIDTH_80:
        return 3;
    case NL80211_CHAN_WIDTH_80P80: // as wide as 160 MHz, in two pieces
    case NL80211_CHAN_WIDTH_160:
        return 4;
    default:
        return 0;
    }
}

WiFiLink assembleLink(const nl80211::Interface& interface, bool up,
                      const std::optional<nl80211::Station>& station,
                      const std::optional<nl80211::Bss>& bss,
                      const std::vector<nl80211::Survey>& surveys) {
    WiFiLink link;
    link.interfaceName = interface.name;
    link.powerOn = up;
    if (interface.ssid && !interface.ssid->isEmpty())
        link.ssid = QString::fromUtf8(*interface.ssid);
    link.bssid = bss ? hardwareText(bss->bssid) : std::nullopt;
    if (!link.bssid && station)
        link.bssid = hardwareText(station->address);
    if (station && station->signal)
        link.rssi = *station->signal;
    else if (bss && bss->signal)
        link.rssi = *bss->signal;
    link.noise = noiseOf(surveys, interface.frequency).value_or(0);
    if (interface.frequency) {
        WiFiChannel channel;
        channel.number = channelNumber(*interface.frequency);
        channel.band = bandOf(*interface.frequency);
        channel.width = interface.channelWidth ? widthOf(*interface.channelWidth) : 0;
        link.channel = channel;
    }
    if (station && station->transmitRate)
        link.transmitRate = *station->transmitRate;
    if (station && station->generation) {
        if (*station->generation != nl80211::RateGeneration::Legacy)
            link.phyMode = int(*station->generation);
        else if (link.channel && link.channel->band == 1)
            link.phyMode = bss && nl80211::onlyDsssRates(bss->elements) ? 2 : 3;
        else
            link.phyMode = 1;
    }
    if (bss) {
        link.security = nl80211::securityKind(bss->elements, bss->capability);
        link.countryCode = nl80211::countryCode(bss->elements);
    }
    return link;
}

} // namespace morvanex::platform
