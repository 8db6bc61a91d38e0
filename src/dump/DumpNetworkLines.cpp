#include "dump/DumpNetworkLines.h"

#include "base/Fmt.h"
#include "dump/DumpValues.h"

namespace morvanex::dump {

QString networkLine(const NetworkMonitor& network) {
    const QString ping = network.pingMs ? Fmt::number(*network.pingMs, 1) : QStringLiteral("-");
    return tag(u"Network") + QStringLiteral("↑") + Fmt::rate(network.upload, false) +
           QStringLiteral(" ↓") + Fmt::rate(network.download, false) + QStringLiteral(" primary=") +
           orDash(network.primaryInterface) + QStringLiteral(" router=") + orDash(network.router) +
           QStringLiteral(" dns=") + textList(network.dns) + QStringLiteral(" publicIP=") +
           orDash(network.publicIP) + QStringLiteral(" ping=") + ping + QStringLiteral(" vpn=") +
           textList(network.vpnInterfaces);
}

QStringList interfaceLines(const std::vector<InterfaceInfo>& interfaces) {
    QStringList lines;
    for (const InterfaceInfo& info : interfaces) {
        lines.append(tag(u"  if") + info.bsdName + QLatin1Char(' ') + info.displayName +
                     QStringLiteral(" v4=") + textList(info.ipv4) + QStringLiteral(" v6=") +
                     integer(info.ipv6.size()) + QStringLiteral(" mac=") + orDash(info.mac));
    }
    return lines;
}

QString wifiLine(const WiFiInfo& wifi) {
    return tag(u"Wi-Fi") + QStringLiteral("ssid=") +
           wifi.ssid.value_or(QStringLiteral("(hidden)")) + QStringLiteral(" rssi=") +
           integer(wifi.rssi) + QStringLiteral(" noise=") + integer(wifi.noise) +
           QStringLiteral(" ch=") + integer(wifi.channel.value_or(0)) + QLatin1Char(' ') +
           wifi.band.value_or(QString()) + QLatin1Char(' ') + wifi.width.value_or(QString()) +
           QStringLiteral(" tx=") + real(wifi.transmitRate) + QLatin1Char(' ') + wifi.phyMode +
           QLatin1Char(' ') + wifi.security;
}

} // namespace morvanex::dump
