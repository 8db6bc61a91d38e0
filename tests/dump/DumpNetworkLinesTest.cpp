#include "dump/DumpNetworkLines.h"

#include <gtest/gtest.h>

// Readable failure messages for texts.
inline void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}

using namespace morvanex;

namespace {

TEST(DumpNetworkLines, NetworkLineWithAndWithoutReadings) {
    NetworkMonitor network;
    EXPECT_EQ(dump::networkLine(network),
              "Network  ↑0 B/s ↓0 B/s primary=- router=- dns=[] publicIP=- ping=- vpn=[]");

    network.upload = 1536;
    network.download = 5.2 * 1024 * 1024;
    network.primaryInterface = QStringLiteral("wlan0");
    network.router = QStringLiteral("192.168.1.1");
    network.dns = {QStringLiteral("192.168.1.1"), QStringLiteral("fd00::1")};
    network.publicIP = QStringLiteral("203.0.113.7");
    network.pingMs = 12.34;
    network.vpnInterfaces = {QStringLiteral("wg0")};
    EXPECT_EQ(dump::networkLine(network),
              "Network  ↑1.5 KB/s ↓5.2 MB/s primary=wlan0 router=192.168.1.1 "
              "dns=[\"192.168.1.1\", \"fd00::1\"] publicIP=203.0.113.7 ping=12.3 vpn=[\"wg0\"]");
}

TEST(DumpNetworkLines, InterfaceLinesInOrder) {
    InterfaceInfo ethernet;
    ethernet.bsdName = QStringLiteral("eth0");
    ethernet.displayName = QStringLiteral("Ethernet");
    ethernet.ipv4 = {QStringLiteral("192.0.2.2")};
    ethernet.ipv6 = {QStringLiteral("2001:db8::2"), QStringLiteral("2001:db8::3")};
    ethernet.mac = QStringLiteral("02:fc:00:00:00:01");
    InterfaceInfo tunnel;
    tunnel.bsdName = QStringLiteral("tun0");
    tunnel.displayName = QStringLiteral("VPN (tun0)");
    EXPECT_EQ(dump::interfaceLines({ethernet, tunnel}),
              QStringList({"  if     eth0 Ethernet v4=[\"192.0.2.2\"] v6=2 mac=02:fc:00:00:00:01",
                           "  if     tun0 VPN (tun0) v4=[] v6=0 mac=-"}));
    EXPECT_TRUE(dump::interfaceLines({}).isEmpty());
}

TEST(DumpNetworkLines, WiFiLineFillsAbsentDetails) {
    WiFiInfo wifi;
    wifi.ssid = QStringLiteral("Home");
    wifi.rssi = -52;
    wifi.noise = -90;
    wifi.channel = 36;
    wifi.band = QStringLiteral("5 GHz");
    wifi.width = QStringLiteral("80 MHz");
    wifi.transmitRate = 866.7;
    wifi.phyMode = QStringLiteral("802.11ac (Wi-Fi 5)");
    wifi.security = QStringLiteral("WPA2 Personal");
    EXPECT_EQ(dump::wifiLine(wifi), "Wi-Fi    ssid=Home rssi=-52 noise=-90 ch=36 5 GHz 80 MHz "
                                    "tx=866.7 802.11ac (Wi-Fi 5) WPA2 Personal");

    WiFiInfo hidden;
    hidden.transmitRate = 54;
    hidden.phyMode = QStringLiteral("—");
    hidden.security = QStringLiteral("—");
    EXPECT_EQ(dump::wifiLine(hidden), "Wi-Fi    ssid=(hidden) rssi=0 noise=0 ch=0   tx=54.0 — —");
}

} // namespace
