#pragma once

#include "monitors/History.h"
#include "monitors/InterfaceInfo.h"
#include "monitors/WiFiInfo.h"
#include "platform/Clock.h"
#include "platform/HttpGet.h"
#include "platform/Roots.h"
#include "platform/linux/NetAddresses.h"
#include "platform/linux/NetCounters.h"
#include "platform/linux/NetInterfaceKinds.h"
#include "platform/linux/NetInterfaceNames.h"
#include "platform/linux/Nl80211Link.h"
#include "platform/linux/Ping.h"
#include "platform/linux/RouteTable.h"

#include <QString>
#include <QStringList>
#include <QUrl>
#include <chrono>
#include <cstdint>
#include <functional>
#include <limits>
#include <map>
#include <optional>
#include <vector>

namespace morvanex {

// Everything about the network: rates and totals, the interfaces with their addresses, the
// primary interface, router and DNS servers, the Wi-Fi link, a periodic ping that tells whether
// the internet is reachable, and the public address. The hub calls sample() once per tick on
// the main thread after copying the configured ping host into `pingHost`; the ping and the
// public-address request finish later and write their fields from the main thread's event loop.
class NetworkMonitor {
public:
    using Addresses = platform::InterfaceAddresses;

    // An echo service that answers the caller's public IPv4 address as plain text.
    static inline const QString publicAddressService = QStringLiteral("https://api.ipify.org");

    // Where the monitor reads the machine from; system() reads the real one.
    struct Sources {
        std::function<platform::CounterMap()> counters;
        std::function<platform::AddressMap()> addresses;
        std::function<platform::PrimaryRoute()> primaryRoute;
        std::function<QStringList()> dnsServers;
        std::function<std::optional<platform::WiFiLink>()> wifi;
        // Display names and built-in hardware addresses (refreshed now and then).
        std::function<platform::InterfaceIdentities()> identities;
        // What the kernel says about each interface, for those whose names the rules do not
        // know; asked once per sample.
        std::function<std::map<QString, platform::InterfaceKind>()> kinds;
        platform::InterfaceNameRules names = platform::InterfaceNameRules::linuxNames();
        // Pings go through an echo socket; the program only where sockets are refused (an
        // empty opener: always the program).
        platform::EchoSocketOpener pingSocket = platform::openEchoSocket;
        QString pingProgram = platform::pingProgram;
        std::chrono::milliseconds pingBound = std::chrono::seconds(10);
        QUrl publicAddressUrl = QUrl(publicAddressService);
        std::chrono::milliseconds publicAddressTimeout = std::chrono::seconds(10);

        static Sources system(const platform::Roots& roots = platform::Roots::system());
    };

    explicit NetworkMonitor(Sources sources = Sources::system(),
                            platform::Clock clock = platform::Clock::system());
    NetworkMonitor(const NetworkMonitor&) = delete;
    NetworkMonitor& operator=(const NetworkMonitor&) = delete;
    ~NetworkMonitor();

    void sample();

    // Until the public address is first asked for (askForPublicAddress), no request for it is
    // made, so a process that never needs it never loads the TLS library. The agent server
    // sets this: most of its sessions never ask about the network. From the first question
    // on, the address is checked as on every sample.
    bool publicAddressOnDemand = false;
    // Whether the public address may be read now: true when nothing is waited for. Otherwise
    // the first check starts, and `ready` runs on the main thread once its answer (or failure)
    // is in, whatever it is. Callers waiting for that first check are all told.
    bool askForPublicAddress(std::function<void()> ready);

    // Name shown for an interface the system gives no name: "VPN (tun0)", "Bridge (br0)", or
    // the name itself.
    static QString fallbackName(const QString& bsdName, platform::InterfaceRole role);

    // The public address in an echo service's answer: only a 2xx answer whose body, trimmed, is
    // a numeric IPv4 or IPv6 address of fewer than 64 characters.
    static std::optional<QString> acceptedPublicAddress(const platform::HttpAnswer& answer);

    double upload = 0;   // bytes per second, summed over the physical interfaces
    double download = 0; // bytes per second
    // The rates have been measured over an interval: the first sample has none behind it, and
    // shows 0 only for want of one.
    bool hasRates = false;
    History uploadHistory{120};
    History downloadHistory{120};
    std::uint64_t sessionUp = 0; // bytes sent on physical interfaces since the monitor started
    std::uint64_t sessionDown = 0;
    std::vector<InterfaceInfo> interfaces; // primary first, then by name
    std::optional<QString> primaryInterface;
    std::optional<QString> router;
    QStringList dns;
    std::optional<WiFiInfo> wifi;
    QStringList vpnInterfaces; // listed VPN interfaces that hold an IPv4 address
    std::optional<QString> publicIP;
    std::optional<double> pingMs;
    History pingHistory{60};
    std::optional<bool> internetReachable; // absent until the first ping has finished
    QString pingHost;

    std::map<QString, platform::ByteCounters> lastCounters;
    std::optional<double> lastSample; // monotonic seconds of the previous sample
    std::map<QString, QString> displayNames;
    std::map<QString, QString> hardwareAddresses;
    int tick = 0;
    bool pingInFlight = false;
    // Monotonic seconds of the last public-address request; the distant past at start.
    double lastPublicIPFetch = -std::numeric_limits<double>::infinity();
    std::optional<QString> lastPublicIPKey;

private:
    platform::InterfaceRole roleOf(const QString& name,
                                   const std::map<QString, platform::InterfaceKind>& kinds) const;
    void readGlobalState();
    void readWiFi();
    void runPing();
    void checkPublicIP();
    void fetchPublicIP();
    void refreshDisplayNames();

    Sources sources_;
    platform::Clock clock_;
    int publicIPRequest_ = 0; // number of the newest request; older answers are stale
    bool publicAddressAsked_ = false;
    // Who waits for the first check after the address was first asked for.
    std::vector<std::function<void()>> publicAddressWaiters_;
    // Declared last: destroyed first, so no ping or request finishes into a half-destroyed monitor.
    platform::HttpClient http_;
    platform::PingRunner pinger_;
};

} // namespace morvanex
