#include "monitors/NetworkMonitor.h"

#include "base/Config.h"
#include "platform/linux/NetChangeWatch.h"
#include "platform/linux/NetInterfaceKindCache.h"
#include "platform/linux/Nl80211WiFi.h"
#include "platform/linux/ResolvConf.h"

#include <QStringDecoder>
#include <algorithm>
#include <memory>
#include <utility>

namespace morvanex {

namespace {

constexpr int pingEveryTicks = 5;
constexpr int namesEveryTicks = 30;
constexpr double publicIPRefreshSeconds = 600;
constexpr qint64 publicIPMaxBytes = 4096;
const QString placeholderMac = QStringLiteral("02:00:00:00:00:00");

} // namespace

NetworkMonitor::Sources NetworkMonitor::Sources::system(const platform::Roots& roots) {
    Sources sources;
    sources.counters = [roots] { return platform::readNetCounters(roots); };
    // Addresses and routes are read again only after the kernel announced a change to them,
    // and the resolver configuration only after its file changed: at rest, every sample would
    // otherwise open a socket, dump the tables and read three files to find the same answers.
    const auto changes = std::make_shared<platform::NetChangeWatch>();
    sources.addresses =
        platform::readOnChange(changes, [] { return platform::readInterfaceAddresses(); });
    sources.primaryRoute =
        platform::readOnChange(changes, [roots] { return platform::readPrimaryRoute(roots); });
    const auto resolver = std::make_shared<platform::DnsServerCache>(roots);
    sources.dnsServers = [resolver] { return resolver->servers(); };
    // One description of the interfaces for all three: probed when the set of interfaces
    // changes, not on every sample.
    const auto interfaces = std::make_shared<platform::InterfaceKindCache>(roots);
    sources.wifi = [interfaces] { return platform::readWiFiLink(*interfaces); };
    sources.identities = [interfaces] {
        return platform::identitiesOf(interfaces->kindsWithState());
    };
    sources.kinds = [interfaces] { return interfaces->kinds(); };
    return sources;
}

NetworkMonitor::NetworkMonitor(Sources sources, platform::Clock clock)
    : pingHost(Config().pingHost), sources_(std::move(sources)), clock_(std::move(clock)),
      pinger_({sources_.pingProgram, sources_.pingBound, sources_.pingSocket}) {
    refreshDisplayNames();
}

NetworkMonitor::~NetworkMonitor() = default;

QString NetworkMonitor::fallbackName(const QString& bsdName, platform::InterfaceRole role) {
    switch (role) {
    case platform::InterfaceRole::Vpn:
        return QStringLiteral("VPN (") + bsdName + QLatin1Char(')');
    case platform::InterfaceRole::Bridge:
        return QStringLiteral("Bridge (") + bsdName + QLatin1Char(')');
    default:
        return bsdName;
    }
}

std::optional<QString> NetworkMonitor::acceptedPublicAddress(const platform::HttpAnswer& answer) {
    if (!answer.isSuccess())
        return std::nullopt;
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = QString(decoder.decode(answer.body)).trimmed();
    if (decoder.hasError() || text.isEmpty() || text.size() >= 64 ||
        !platform::isNumericAddress(text))
        return std::nullopt;
    return text;
}

platform::InterfaceRole
NetworkMonitor::roleOf(const QString& name,
                       const std::map<QString, platform::InterfaceKind>& kinds) const {
    if (const auto role = sources_.names.roleOf(name))
        return *role;
    const auto kind = kinds.find(name);
    return kind != kinds.end() ? platform::roleOfKind(kind->second)
                               : platform::roleOfKind(platform::InterfaceKind{});
}

void NetworkMonitor::sample() {
    using platform::InterfaceRole;
    ++tick;
    const platform::CounterMap counters =
        sources_.counters ? sources_.counters() : platform::CounterMap{};
    const platform::AddressMap addresses =
        sources_.addresses ? sources_.addresses() : platform::AddressMap{};
    const std::map<QString, platform::InterfaceKind> kinds =
        sources_.kinds ? sources_.kinds() : std::map<QString, platform::InterfaceKind>{};
    const double now = clock_.monotonic();
    const double elapsed = lastSample ? now - *lastSample : 0;

    std::vector<InterfaceInfo> listed;
    std::map<QString, InterfaceRole> roles;
    double totalUp = 0;
    double totalDown = 0;
    for (const auto& [name, current] : counters) {
        const InterfaceRole role = roleOf(name, kinds);
        if (role == InterfaceRole::Loopback)
            continue;

        double up = 0;
        double down = 0;
        std::uint64_t sentBytes = 0;
        std::uint64_t receivedBytes = 0;
        const auto previous = lastCounters.find(name);
        if (elapsed > 0 && previous != lastCounters.end()) {
            // A counter that went backwards (reset, interface re-created) gives 0.
            if (current.tx >= previous->second.tx) {
                sentBytes = current.tx - previous->second.tx;
                up = double(sentBytes) / elapsed;
            }
            if (current.rx >= previous->second.rx) {
                receivedBytes = current.rx - previous->second.rx;
                down = double(receivedBytes) / elapsed;
            }
        }
        if (role == InterfaceRole::Physical) {
            totalUp += up;
            totalDown += down;
            // The bytes moved in the interval, exactly; no rounding through the rate.
            sessionUp += sentBytes;
            sessionDown += receivedBytes;
        }

        const auto found = addresses.find(name);
        const Addresses record = found != addresses.end() ? found->second : Addresses{};
        QStringList ipv6;
        for (const QString& address : record.v6)
            if (!address.startsWith(QLatin1String("fe80")))
                ipv6.push_back(address);
        if (record.v4.isEmpty() && ipv6.isEmpty())
            continue;
        if (role == InterfaceRole::Hidden)
            continue;

        InterfaceInfo info;
        info.bsdName = name;
        const auto displayName = displayNames.find(name);
        info.displayName =
            displayName != displayNames.end() ? displayName->second : fallbackName(name, role);
        info.ipv4 = record.v4;
        info.ipv6 = ipv6;
        if (const auto hardware = hardwareAddresses.find(name); hardware != hardwareAddresses.end())
            info.mac = hardware->second;
        else if (record.mac && *record.mac != placeholderMac)
            info.mac = record.mac;
        info.upload = up;
        info.download = down;
        info.totalUp = current.tx;
        info.totalDown = current.rx;
        listed.push_back(std::move(info));
        roles[name] = role;
    }

    lastCounters = counters;
    lastSample = now;
    hasRates = hasRates || elapsed > 0;
    upload = totalUp;
    download = totalDown;
    uploadHistory.add(upload);
    downloadHistory.add(download);

    readGlobalState();

    std::stable_sort(listed.begin(), listed.end(), [this](const auto& a, const auto& b) {
        if (primaryInterface) {
            const bool aPrimary = a.bsdName == *primaryInterface;
            const bool bPrimary = b.bsdName == *primaryInterface;
            if (aPrimary != bPrimary)
                return aPrimary;
        }
        return a.bsdName < b.bsdName;
    });
    interfaces = std::move(listed);

    vpnInterfaces.clear();
    for (const InterfaceInfo& info : interfaces)
        if (roles[info.bsdName] == InterfaceRole::Vpn && !info.ipv4.isEmpty())
            vpnInterfaces.push_back(info.bsdName);

    readWiFi();
    if (tick % pingEveryTicks == 1)
        runPing();
    if (!publicAddressOnDemand || publicAddressAsked_)
        checkPublicIP();
    if (tick % namesEveryTicks == 0)
        refreshDisplayNames();
}

void NetworkMonitor::readGlobalState() {
    const platform::PrimaryRoute route =
        sources_.primaryRoute ? sources_.primaryRoute() : platform::PrimaryRoute{};
    primaryInterface = route.interface;
    router = route.router;
    dns = sources_.dnsServers ? sources_.dnsServers() : QStringList{};
}

void NetworkMonitor::readWiFi() {
    const auto link = sources_.wifi ? sources_.wifi() : std::nullopt;
    if (!link || !link->powerOn) {
        wifi.reset();
        return;
    }
    WiFiInfo info;
    info.interfaceName =
        link->interfaceName.isEmpty() ? QStringLiteral("en0") : link->interfaceName;
    info.ssid = link->ssid;
    info.bssid = link->bssid;
    info.rssi = link->rssi;
    info.noise = link->noise;
    if (link->channel) {
        info.channel = link->channel->number;
        info.band = wifitext::band(link->channel->band);
        info.width = wifitext::width(link->channel->width);
    }
    info.transmitRate = link->transmitRate;
    info.phyMode = wifitext::phyMode(link->phyMode);
    info.security = wifitext::security(link->security);
    info.countryCode = link->countryCode;
    wifi = std::move(info);
}

void NetworkMonitor::runPing() {
    if (pingInFlight)
        return;
    pingInFlight = true;
    const bool started = pinger_.start(pingHost, [this](std::optional<double> result) {
        pingInFlight = false;
        pingMs = result;
        internetReachable = result.has_value();
        if (result)
            pingHistory.add(*result);
    });
    if (!started)
        pingInFlight = false;
}

void NetworkMonitor::checkPublicIP() {
    QString address;
    if (primaryInterface) {
        const auto primary =
            std::find_if(interfaces.begin(), interfaces.end(), [this](const InterfaceInfo& info) {
                return info.bsdName == *primaryInterface;
            });
        if (primary != interfaces.end() && !primary->ipv4.isEmpty())
            address = primary->ipv4.front();
    }
    const QString key = primaryInterface.value_or(QString()) + QLatin1Char('|') + address;
    if (!lastPublicIPKey || *lastPublicIPKey != key) {
        lastPublicIPKey = key;
        fetchPublicIP();
    } else if (clock_.monotonic() - lastPublicIPFetch > publicIPRefreshSeconds) {
        fetchPublicIP();
    }
}

void NetworkMonitor::fetchPublicIP() {
    lastPublicIPFetch = clock_.monotonic();
    const int request = ++publicIPRequest_;
    http_.get(sources_.publicAddressUrl, sources_.publicAddressTimeout, publicIPMaxBytes,
              [this, request](platform::HttpAnswer answer) {
                  // An answer about a network the machine has since left must not win over
                  // the newer request's.
                  if (request != publicIPRequest_)
                      return;
                  if (auto address = acceptedPublicAddress(answer))
                      publicIP = std::move(*address);
                  // Whoever waits for the first check is told once the newest answer is in.
                  for (const auto& ready : std::exchange(publicAddressWaiters_, {}))
                      ready();
              });
}

bool NetworkMonitor::askForPublicAddress(std::function<void()> ready) {
    if (!publicAddressOnDemand)
        return true;
    if (!publicAddressAsked_) {
        publicAddressAsked_ = true;
        publicAddressWaiters_.push_back(std::move(ready));
        // The check the first sample would have made, made now with the latest sample's
        // network: it always asks, since no network has been checked yet.
        checkPublicIP();
        return false;
    }
    if (publicAddressWaiters_.empty())
        return true;
    publicAddressWaiters_.push_back(std::move(ready));
    return false;
}

void NetworkMonitor::refreshDisplayNames() {
    if (!sources_.identities)
        return;
    const platform::InterfaceIdentities found = sources_.identities();
    for (const auto& [name, address] : found.hardwareAddresses)
        hardwareAddresses[name] = address;
    for (const auto& [name, displayName] : found.displayNames)
        displayNames[name] = displayName;
}

} // namespace morvanex
