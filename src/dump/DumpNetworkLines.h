#pragma once

#include "monitors/NetworkMonitor.h"

#include <QString>
#include <QStringList>

// The report's lines about the network: totals and addresses, each interface, the Wi-Fi link.
namespace morvanex::dump {

// "Network  ↑0 B/s ↓1.2 KB/s primary=eth0 router=192.0.2.1 dns=[...] publicIP=- ping=- vpn=[]"
QString networkLine(const NetworkMonitor& network);

// One "  if     " line per interface, in the monitor's order.
QStringList interfaceLines(const std::vector<InterfaceInfo>& interfaces);

// "Wi-Fi    ssid=Home rssi=-52 noise=-90 ch=36 5 GHz 80 MHz tx=866.0 802.11ac WPA2 Personal"
QString wifiLine(const WiFiInfo& wifi);

} // namespace morvanex::dump
