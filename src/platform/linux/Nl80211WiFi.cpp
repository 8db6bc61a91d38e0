#include "platform/linux/Nl80211WiFi.h"

#include "platform/linux/NetInterfaceKinds.h"
#include "platform/linux/Nl80211Socket.h"

#include <algorithm>
#include <linux/nl80211.h>
#include <map>

namespace morvanex::platform {

std::optional<nl80211::Interface>
chooseWiFiInterface(const std::vector<nl80211::Interface>& interfaces,
                    const std::function<bool(const QString&)>& up) {
    std::vector<nl80211::Interface> stations;
    std::copy_if(interfaces.begin(), interfaces.end(), std::back_inserter(stations),
                 [](const auto& interface) { return interface.type == NL80211_IFTYPE_STATION; });
    if (stations.empty())
        return std::nullopt;
    const auto rank = [&](const nl80211::Interface& interface) {
        if (interface.ssid && !interface.ssid->isEmpty())
            return 0;
        return up(interface.name) ? 1 : 2;
    };
    return *std::min_element(stations.begin(), stations.end(), [&](const auto& a, const auto& b) {
        const int rankA = rank(a);
        const int rankB = rank(b);
        return rankA != rankB ? rankA < rankB : a.name < b.name;
    });
}

std::optional<WiFiLink> readWiFiLink(const Roots& roots) {
    InterfaceKindCache interfaces(roots);
    return readWiFiLink(interfaces);
}

std::optional<WiFiLink> readWiFiLink(InterfaceKindCache& interfaceKinds) {
    const auto& kinds = interfaceKinds.kinds();
    const auto firstWireless = std::find_if(
        kinds.begin(), kinds.end(), [](const auto& entry) { return entry.second.wireless; });
    if (firstWireless == kinds.end())
        return std::nullopt;
    // Read once per interface and call: the choice below asks more than once.
    std::map<QString, bool> upByName;
    const auto isUp = [&](const QString& name) {
        if (kinds.count(name) == 0)
            return false;
        const auto known = upByName.find(name);
        if (known != upByName.end())
            return known->second;
        return upByName[name] = interfaceKinds.isUp(name);
    };

    auto socket = nl80211::Socket::open();
    const auto bare = [&] {
        WiFiLink link;
        link.interfaceName = firstWireless->first;
        link.powerOn = isUp(firstWireless->first);
        return link;
    };
    if (!socket)
        return bare();
    const auto interfaceMessages = socket->dump(NL80211_CMD_GET_INTERFACE, std::nullopt);
    if (!interfaceMessages)
        return bare();
    std::vector<nl80211::Interface> interfaces;
    for (const QByteArray& message : *interfaceMessages)
        if (auto interface = nl80211::parseInterface(message))
            interfaces.push_back(std::move(*interface));
    const auto chosen = chooseWiFiInterface(interfaces, isUp);
    if (!chosen)
        return std::nullopt;
    if (!isUp(chosen->name))
        return assembleLink(*chosen, false, std::nullopt, std::nullopt, {});

    std::optional<nl80211::Station> station;
    if (const auto messages = socket->dump(NL80211_CMD_GET_STATION, chosen->index))
        for (const QByteArray& message : *messages)
            if ((station = nl80211::parseStation(message)))
                break;
    std::optional<nl80211::Bss> associated;
    if (const auto messages = socket->dump(NL80211_CMD_GET_SCAN, chosen->index)) {
        for (const QByteArray& message : *messages) {
            auto bss = nl80211::parseBss(message);
            if (!bss)
                continue;
            const bool isTheStation = station && station->address == bss->bssid;
            if (bss->associated || isTheStation) {
                // Read before the move: the associated network ends the search.
                const bool endsSearch = bss->associated;
                associated = std::move(*bss);
                if (endsSearch)
                    break;
            }
        }
    }
    std::vector<nl80211::Survey> surveys;
    if (const auto messages = socket->dump(NL80211_CMD_GET_SURVEY, chosen->index))
        for (const QByteArray& message : *messages)
            if (auto survey = nl80211::parseSurvey(message))
                surveys.push_back(std::move(*survey));
    return assembleLink(*chosen, true, station, associated, surveys);
}

} // namespace morvanex::platform
