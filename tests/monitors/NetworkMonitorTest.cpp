#include "monitors/NetworkMonitor.h"

#include "support/FixtureTree.h"
#include "support/TestEnv.h"
#include "support/Wait.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <chrono>
#include <gtest/gtest.h>
#include <limits>
#include <thread>

using namespace morvanex;
using platform::InterfaceRole;

using morvanex::test::waitUntil;

namespace {

// A machine whose network the test writes by hand between samples.
struct FakeMachine {
    platform::CounterMap counters;
    platform::AddressMap addresses;
    platform::PrimaryRoute route;
    QStringList dns;
    std::optional<platform::WiFiLink> wifi;
    platform::InterfaceIdentities identities;
    std::map<QString, platform::InterfaceKind> kinds;
    double now = 1000; // monotonic seconds
    int identityReads = 0;

    NetworkMonitor::Sources sources(platform::InterfaceNameRules names) {
        NetworkMonitor::Sources sources;
        sources.counters = [this] { return counters; };
        sources.addresses = [this] { return addresses; };
        sources.primaryRoute = [this] { return route; };
        sources.dnsServers = [this] { return dns; };
        sources.wifi = [this] { return wifi; };
        sources.identities = [this] {
            ++identityReads;
            return identities;
        };
        sources.kinds = [this] { return kinds; };
        sources.names = std::move(names);
        // Nothing leaves the machine: no echo socket, no ping tool, a closed local port for the
        // public address.
        sources.pingSocket = {};
        sources.pingProgram = test::scratchDir() + "/no-ping";
        sources.publicAddressUrl = QUrl("http://127.0.0.1:9/");
        return sources;
    }

    platform::Clock clock() {
        platform::Clock clock;
        clock.monotonic = [this] { return now; };
        return clock;
    }
};

platform::InterfaceAddresses v4(QStringList addresses) {
    return {std::move(addresses), {}, std::nullopt};
}

QStringList namesOf(const std::vector<InterfaceInfo>& interfaces) {
    QStringList names;
    for (const InterfaceInfo& info : interfaces)
        names << info.bsdName;
    return names;
}

// Runs the event loop until `condition` holds or a generous deadline passes.
// A fake tool from the fixtures, copied into the scratch folder and made executable.
QString tool(const QString& name) {
    const QString path = test::copyFixture("network/bin") + "/" + name;
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return path;
}

int runsOf(const QString& tool) {
    QFile file(tool + ".log");
    return file.open(QIODevice::ReadOnly) ? int(file.readAll().count('\n')) : 0;
}

const InterfaceInfo* find(const NetworkMonitor& monitor, const QString& name) {
    for (const InterfaceInfo& info : monitor.interfaces)
        if (info.bsdName == name)
            return &info;
    return nullptr;
}

} // namespace

TEST(NetworkMonitor, StartState) {
    FakeMachine machine;
    const NetworkMonitor monitor(machine.sources(platform::InterfaceNameRules::bsdNames()),
                                 machine.clock());
    EXPECT_EQ(monitor.upload, 0);
    EXPECT_EQ(monitor.download, 0);
    EXPECT_EQ(monitor.uploadHistory.capacity, 120);
    EXPECT_EQ(monitor.downloadHistory.capacity, 120);
    EXPECT_EQ(monitor.pingHistory.capacity, 60);
    EXPECT_TRUE(monitor.uploadHistory.values.empty());
    EXPECT_EQ(monitor.sessionUp, 0u);
    EXPECT_TRUE(monitor.interfaces.empty());
    EXPECT_FALSE(monitor.primaryInterface);
    EXPECT_FALSE(monitor.router);
    EXPECT_TRUE(monitor.dns.isEmpty());
    EXPECT_FALSE(monitor.wifi);
    EXPECT_FALSE(monitor.publicIP);
    EXPECT_FALSE(monitor.pingMs);
    EXPECT_FALSE(monitor.internetReachable);
    EXPECT_EQ(monitor.pingHost, "1.1.1.1"); // the configuration's default
    EXPECT_EQ(monitor.tick, 0);
    EXPECT_FALSE(monitor.pingInFlight);
    EXPECT_EQ(monitor.lastPublicIPFetch, -std::numeric_limits<double>::infinity());
    EXPECT_FALSE(monitor.lastPublicIPKey);
    EXPECT_EQ(machine.identityReads, 1); // display names are read once at start
}

TEST(NetworkMonitor, WhichInterfacesAreListedAndHowTheyAreNamed) {
    FakeMachine machine;
    for (const char* name : {"lo0", "en0", "en3", "en4", "en5", "en6", "awdl0", "llw0", "utun4",
                             "utun5", "utun6", "bridge0", "gif0"})
        machine.counters[name] = {100, 100};
    machine.addresses = {
        {"lo0", v4({"127.0.0.1"})},
        {"en0", {{"192.168.1.10"}, {"2001:db8::10", "fe80::1"}, "aa:bb:cc:00:00:01"}},
        {"en3", {{}, {"fe80::1"}, "aa:bb:cc:00:00:03"}},     // link-local only
        {"en4", {{}, {"2001:db8::1"}, "02:00:00:00:00:00"}}, // placeholder link address
        {"en6", {{"10.0.0.6"}, {}, "02:00:00:00:00:00"}},    // hardware address known
        {"awdl0", {{}, {"2001:db8::a"}, std::nullopt}},
        {"llw0", v4({"169.254.1.1"})},
        {"utun4", v4({"10.8.0.2"})},
        {"utun5", {{}, {"2001:db8::5"}, std::nullopt}}, // IPv6 only: not a VPN
        {"utun6", v4({"10.9.0.2"})},                    // named by the system
        {"bridge0", v4({"192.168.2.1"})},
        {"gif0", v4({"192.0.2.9"})},
        {"ghost0", v4({"192.0.2.10"})}, // addresses without counters are not looked at
    };
    machine.identities.displayNames = {{"en0", "Wi-Fi"}, {"utun6", "Office"}};
    machine.identities.hardwareAddresses = {{"en0", "aa:bb:cc:00:00:99"},
                                            {"en6", "aa:bb:cc:00:00:06"}};
    NetworkMonitor monitor(machine.sources(platform::InterfaceNameRules::bsdNames()),
                           machine.clock());
    monitor.sample();

    EXPECT_EQ(namesOf(monitor.interfaces),
              QStringList({"bridge0", "en0", "en4", "en6", "gif0", "utun4", "utun5", "utun6"}));
    struct Row {
        const char* name;
        const char* displayName;
        QStringList ipv6;
        std::optional<QString> mac;
    };
    const Row rows[] = {
        {"bridge0", "Bridge (bridge0)", {}, std::nullopt},
        {"en0", "Wi-Fi", {"2001:db8::10"}, "aa:bb:cc:00:00:99"},
        {"en4", "en4", {"2001:db8::1"}, std::nullopt},
        {"en6", "en6", {}, "aa:bb:cc:00:00:06"},
        {"gif0", "gif0", {}, std::nullopt},
        {"utun4", "VPN (utun4)", {}, std::nullopt},
        {"utun5", "VPN (utun5)", {"2001:db8::5"}, std::nullopt},
        {"utun6", "Office", {}, std::nullopt},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const InterfaceInfo* info = find(monitor, row.name);
        ASSERT_NE(info, nullptr);
        EXPECT_EQ(info->displayName, row.displayName);
        EXPECT_EQ(info->ipv6, row.ipv6);
        EXPECT_EQ(info->mac, row.mac);
        EXPECT_EQ(info->id(), row.name);
    }
    EXPECT_EQ(monitor.vpnInterfaces, QStringList({"utun4", "utun6"}));
}

TEST(NetworkMonitor, LinuxNamesAndKernelKinds) {
    FakeMachine machine;
    machine.counters = {{"lo", {9000, 9000}},    {"eth0", {100, 100}},  {"wlan0", {100, 100}},
                        {"docker0", {100, 100}}, {"veth9", {100, 100}}, {"tun0", {100, 100}},
                        {"br0", {100, 100}},     {"lan1", {100, 100}},  {"vpnx", {100, 100}},
                        {"dummy0", {100, 100}}};
    for (const auto& [name, counters] : machine.counters)
        machine.addresses[name] = v4({"10.0.0." + QString::number(machine.addresses.size() + 1)});
    machine.kinds["lan1"].hardware = true; // an Ethernet port with an unusual name
    machine.kinds["lan1"].linkType = 1;
    machine.kinds["vpnx"].linkType = 65534; // a layer-3 tunnel
    machine.identities.displayNames = {{"eth0", "Ethernet"}, {"wlan0", "Wi-Fi"}};
    machine.route = {"wlan0", "10.0.0.254"};
    NetworkMonitor monitor(machine.sources(platform::InterfaceNameRules::linuxNames()),
                           machine.clock());
    monitor.sample();
    EXPECT_EQ(namesOf(monitor.interfaces),
              QStringList({"wlan0", "br0", "dummy0", "eth0", "lan1", "tun0", "vpnx"}));
    EXPECT_EQ(find(monitor, "br0")->displayName, "Bridge (br0)");
    EXPECT_EQ(find(monitor, "tun0")->displayName, "VPN (tun0)");
    EXPECT_EQ(find(monitor, "vpnx")->displayName, "VPN (vpnx)");
    EXPECT_EQ(find(monitor, "wlan0")->displayName, "Wi-Fi");
    EXPECT_EQ(monitor.vpnInterfaces, QStringList({"tun0", "vpnx"}));

    // Physical interfaces count, whatever their name: eth0, wlan0 and lan1.
    machine.now += 1;
    for (auto& [name, counters] : machine.counters)
        counters.rx += 1000;
    monitor.sample();
    EXPECT_EQ(monitor.download, 3000);
    EXPECT_EQ(monitor.sessionDown, 3000u);
    EXPECT_EQ(find(monitor, "docker0"), nullptr);
    EXPECT_EQ(find(monitor, "dummy0")->download, 1000); // listed, measured, not counted
}

TEST(NetworkMonitor, OrderPutsThePrimaryInterfaceFirst) {
    FakeMachine machine;
    for (const char* name : {"utun3", "en2", "en10", "en0", "bridge0", "en1"}) {
        machine.counters[name] = {1, 1};
        machine.addresses[name] = v4({"192.0.2.1"});
    }
    NetworkMonitor monitor(machine.sources(platform::InterfaceNameRules::bsdNames()),
                           machine.clock());
    monitor.sample();
    EXPECT_EQ(namesOf(monitor.interfaces),
              QStringList({"bridge0", "en0", "en1", "en10", "en2", "utun3"}));
    machine.route = {"en1", "192.0.2.254"};
    monitor.sample();
    EXPECT_EQ(namesOf(monitor.interfaces),
              QStringList({"en1", "bridge0", "en0", "en10", "en2", "utun3"}));
    machine.route = {"en9", std::nullopt}; // a primary that is not listed changes nothing
    monitor.sample();
    EXPECT_EQ(namesOf(monitor.interfaces),
              QStringList({"bridge0", "en0", "en1", "en10", "en2", "utun3"}));
}

TEST(NetworkMonitor, RatesAndSessionTotalsFromCounters) {
    FakeMachine machine;
    machine.counters = {{"lo0", {5000, 5000}},
                        {"en0", {10000, 2000}},
                        {"en5", {0, 0}}, // no addresses: counted, not listed
                        {"utun4", {700, 300}}};
    machine.addresses = {
        {"lo0", v4({"127.0.0.1"})}, {"en0", v4({"192.168.1.10"})}, {"utun4", v4({"10.8.0.2"})}};
    NetworkMonitor monitor(machine.sources(platform::InterfaceNameRules::bsdNames()),
                           machine.clock());

    monitor.sample(); // the first pass measures nothing
    EXPECT_EQ(monitor.download, 0);
    EXPECT_EQ(monitor.upload, 0);
    EXPECT_EQ(monitor.downloadHistory.values, std::vector<double>{0});
    EXPECT_EQ(monitor.uploadHistory.values, std::vector<double>{0});
    EXPECT_EQ(monitor.sessionDown, 0u);
    EXPECT_EQ(find(monitor, "en0")->download, 0);
    EXPECT_EQ(find(monitor, "en0")->totalDown, 10000u);
    EXPECT_EQ(find(monitor, "en0")->totalUp, 2000u);
    EXPECT_EQ(monitor.lastCounters, machine.counters); // every name, listed or not
    EXPECT_EQ(monitor.lastSample, 1000);

    machine.now += 2;
    machine.counters["lo0"] = {9000, 9000};
    machine.counters["en0"] = {14000, 3000};
    machine.counters["en5"] = {1000, 500};
    machine.counters["utun4"] = {1700, 1300};
    machine.counters["en7"] = {50000, 50000}; // new: nothing to compare with yet
    monitor.sample();
    EXPECT_EQ(find(monitor, "en0")->download, 2000);
    EXPECT_EQ(find(monitor, "en0")->upload, 500);
    EXPECT_EQ(find(monitor, "utun4")->download, 500); // listed with its rate, not counted
    EXPECT_EQ(monitor.download, 2500);                // en0 and en5
    EXPECT_EQ(monitor.upload, 750);
    EXPECT_EQ(monitor.sessionDown, 5000u);
    EXPECT_EQ(monitor.sessionUp, 1500u);
    EXPECT_EQ(monitor.downloadHistory.values, (std::vector<double>{0, 2500}));

    // A counter that went down gives 0 for that direction and adds nothing.
    machine.now += 1;
    machine.counters["en0"] = {100, 3300};
    machine.counters["en5"] = {1000, 500};
    monitor.sample();
    EXPECT_EQ(find(monitor, "en0")->download, 0);
    EXPECT_EQ(find(monitor, "en0")->upload, 300);
    EXPECT_EQ(monitor.download, 0);
    EXPECT_EQ(monitor.sessionDown, 5000u);
    EXPECT_EQ(monitor.sessionUp, 1800u);

    // No time passed: no rate, no session growth.
    machine.counters["en0"] = {900, 3900};
    monitor.sample();
    EXPECT_EQ(monitor.download, 0);
    EXPECT_EQ(monitor.upload, 0);
    EXPECT_EQ(monitor.sessionUp, 1800u);

    // A pass without counters lists nothing, and the pass after it measures nothing.
    const auto saved = machine.counters;
    machine.counters.clear();
    machine.now += 1;
    monitor.sample();
    EXPECT_TRUE(monitor.interfaces.empty());
    EXPECT_EQ(monitor.download, 0);
    machine.counters = saved;
    machine.counters["en0"].rx += 1000;
    machine.now += 1;
    monitor.sample();
    EXPECT_EQ(monitor.download, 0);
    EXPECT_EQ(monitor.downloadHistory.values.size(), 6u);
}

TEST(NetworkMonitor, RouterAndDnsAreReadEveryPass) {
    FakeMachine machine;
    machine.route = {"en0", "192.168.1.1"};
    machine.dns = {"192.168.1.1", "2001:db8::53"};
    NetworkMonitor monitor(machine.sources(platform::InterfaceNameRules::bsdNames()),
                           machine.clock());
    monitor.sample();
    EXPECT_EQ(monitor.primaryInterface, "en0");
    EXPECT_EQ(monitor.router, "192.168.1.1");
    EXPECT_EQ(monitor.dns, QStringList({"192.168.1.1", "2001:db8::53"}));
    machine.route = {};
    machine.dns = {};
    monitor.sample();
    EXPECT_FALSE(monitor.primaryInterface);
    EXPECT_FALSE(monitor.router);
    EXPECT_TRUE(monitor.dns.isEmpty());
}

TEST(NetworkMonitor, DisplayNamesAreRefreshedEveryThirtyPasses) {
    FakeMachine machine;
    machine.counters = {{"en0", {1, 1}}};
    machine.addresses = {{"en0", v4({"192.168.1.10"})}};
    NetworkMonitor monitor(machine.sources(platform::InterfaceNameRules::bsdNames()),
                           machine.clock());
    machine.identities.displayNames = {{"en0", "Ethernet"}};
    for (int tick = 1; tick <= 30; ++tick) {
        monitor.sample();
        SCOPED_TRACE(tick);
        EXPECT_EQ(monitor.interfaces.front().displayName, "en0"); // found at tick 30, used later
    }
    EXPECT_EQ(machine.identityReads, 2);
    machine.identities = {}; // names only ever gain or change
    monitor.sample();
    EXPECT_EQ(monitor.interfaces.front().displayName, "Ethernet");
    for (int tick = 32; tick <= 60; ++tick)
        monitor.sample();
    EXPECT_EQ(machine.identityReads, 3);
    EXPECT_EQ(monitor.displayNames.at("en0"), "Ethernet");
}

TEST(NetworkMonitor, WiFiLinkAsShown) {
    FakeMachine machine;
    NetworkMonitor monitor(machine.sources(platform::InterfaceNameRules::linuxNames()),
                           machine.clock());
    platform::WiFiLink link;
    link.interfaceName = "wlan0";
    link.powerOn = true;
    link.ssid = "Home";
    link.bssid = "a4:83:0e:11:22:33";
    link.rssi = -52;
    link.noise = -95;
    link.channel = platform::WiFiChannel{36, 2, 3};
    link.transmitRate = 866.7;
    link.phyMode = 5;
    link.security = 13;
    link.countryCode = "DE";
    machine.wifi = link;
    monitor.sample();
    ASSERT_TRUE(monitor.wifi);
    EXPECT_EQ(*monitor.wifi,
              (WiFiInfo{"wlan0", "Home", "a4:83:0e:11:22:33", -52, -95, 36, "5 GHz", "80 MHz",
                        866.7, "802.11ac (Wi-Fi 5)", "WPA2/WPA3 Personal", "DE"}));

    // No network name (withheld or none): still there, every other field filled.
    machine.wifi->ssid.reset();
    machine.wifi->channel = platform::WiFiChannel{7, 0, 0};
    machine.wifi->interfaceName.clear();
    monitor.sample();
    ASSERT_TRUE(monitor.wifi);
    EXPECT_FALSE(monitor.wifi->ssid);
    EXPECT_EQ(monitor.wifi->channel, 7);
    EXPECT_FALSE(monitor.wifi->band);
    EXPECT_FALSE(monitor.wifi->width);
    EXPECT_EQ(monitor.wifi->interfaceName, "en0");
    EXPECT_EQ(monitor.wifi->rssi, -52);

    machine.wifi->channel.reset();
    monitor.sample();
    EXPECT_FALSE(monitor.wifi->channel);
    EXPECT_FALSE(monitor.wifi->band);

    machine.wifi->powerOn = false; // radio off: no Wi-Fi even though the interface exists
    monitor.sample();
    EXPECT_FALSE(monitor.wifi);
    machine.wifi.reset();
    monitor.sample();
    EXPECT_FALSE(monitor.wifi);
}

TEST(NetworkMonitor, WiFiTexts) {
    const std::pair<std::int64_t, std::optional<QString>> bands[] = {
        {0, std::nullopt}, {1, "2.4 GHz"}, {2, "5 GHz"}, {3, "6 GHz"}, {4, std::nullopt}};
    for (const auto& [raw, text] : bands)
        EXPECT_EQ(wifitext::band(raw), text) << raw;
    const std::pair<std::int64_t, std::optional<QString>> widths[] = {
        {0, std::nullopt}, {1, "20 MHz"},  {2, "40 MHz"},
        {3, "80 MHz"},     {4, "160 MHz"}, {5, std::nullopt}};
    for (const auto& [raw, text] : widths)
        EXPECT_EQ(wifitext::width(raw), text) << raw;
    const std::pair<std::int64_t, const char*> modes[] = {
        {0, "\u2014"},
        {1, "802.11a"},
        {2, "802.11b"},
        {3, "802.11g"},
        {4, "802.11n (Wi-Fi 4)"},
        {5, "802.11ac (Wi-Fi 5)"},
        {6, "802.11ax (Wi-Fi 6)"},
        {7, "802.11be (Wi-Fi 7)"},
        {99, "802.11be (Wi-Fi 7)"},
        {-1, "802.11be (Wi-Fi 7)"},
    };
    for (const auto& [raw, text] : modes)
        EXPECT_EQ(wifitext::phyMode(raw), QString::fromUtf8(text)) << raw;
    const std::pair<std::int64_t, const char*> kinds[] = {
        {0, "None"},
        {1, "WEP"},
        {6, "WEP"},
        {2, "WPA Personal"},
        {3, "WPA Personal"},
        {4, "WPA2 Personal"},
        {5, "Personal"},
        {7, "Enterprise"},
        {8, "Enterprise"},
        {9, "Enterprise"},
        {10, "Enterprise"},
        {12, "Enterprise"},
        {11, "WPA3 Personal"},
        {13, "WPA2/WPA3 Personal"},
        {14, "Enhanced Open"},
        {15, "Enhanced Open"},
        {16, "Secured"},
        {-1, "Secured"},
        {std::numeric_limits<std::int64_t>::max(), "\u2014"},
    };
    for (const auto& [raw, text] : kinds)
        EXPECT_EQ(wifitext::security(raw), QString::fromUtf8(text)) << raw;
}

TEST(NetworkMonitor, PublicAddressIsAskedOnANewNetworkOrAfterTenMinutes) {
    FakeMachine machine;
    machine.counters = {{"en0", {1, 1}}, {"en1", {1, 1}}};
    machine.addresses = {{"en0", v4({"192.168.1.10", "192.168.1.11"})}, {"en1", v4({"10.0.0.5"})}};
    NetworkMonitor monitor(machine.sources(platform::InterfaceNameRules::bsdNames()),
                           machine.clock());

    monitor.sample(); // the first pass always asks, even without a primary interface
    EXPECT_EQ(monitor.lastPublicIPKey, "|");
    EXPECT_EQ(monitor.lastPublicIPFetch, 1000);

    machine.route = {"en0", "192.168.1.1"};
    machine.now = 1005;
    monitor.sample(); // a new primary interface asks at once
    EXPECT_EQ(monitor.lastPublicIPKey, "en0|192.168.1.10");
    EXPECT_EQ(monitor.lastPublicIPFetch, 1005);

    machine.now = 1605; // exactly ten minutes: not yet
    monitor.sample();
    EXPECT_EQ(monitor.lastPublicIPFetch, 1005);
    machine.now = 1605.5;
    monitor.sample();
    EXPECT_EQ(monitor.lastPublicIPFetch, 1605.5);

    machine.now = 1606;
    machine.addresses["en0"].v4 = {"192.168.1.20"}; // a new first address asks at once
    monitor.sample();
    EXPECT_EQ(monitor.lastPublicIPKey, "en0|192.168.1.20");
    EXPECT_EQ(monitor.lastPublicIPFetch, 1606);

    machine.now = 1607;
    machine.route = {"en1", "10.0.0.1"};
    monitor.sample();
    EXPECT_EQ(monitor.lastPublicIPKey, "en1|10.0.0.5");
    EXPECT_EQ(monitor.lastPublicIPFetch, 1607);

    machine.now = 1608;
    machine.route = {"en9", std::nullopt}; // primary without a listed interface
    monitor.sample();
    EXPECT_EQ(monitor.lastPublicIPKey, "en9|");
}

TEST(NetworkMonitor, PingsEveryFifthPassAndKeepsItsResult) {
    FakeMachine machine;
    auto sources = machine.sources(platform::InterfaceNameRules::linuxNames());
    sources.pingProgram = tool("ping-reply");
    NetworkMonitor monitor(sources, machine.clock());
    monitor.pingHost = "192.0.2.1";

    monitor.sample(); // tick 1
    EXPECT_TRUE(monitor.pingInFlight);
    EXPECT_FALSE(monitor.internetReachable); // not known until the ping ends
    ASSERT_TRUE(waitUntil([&] { return !monitor.pingInFlight; }));
    EXPECT_EQ(monitor.pingMs, 12.345);
    EXPECT_EQ(monitor.internetReachable, true);
    EXPECT_EQ(monitor.pingHistory.values, std::vector<double>{12.345});

    for (int tick = 2; tick <= 5; ++tick) {
        monitor.sample();
        EXPECT_FALSE(monitor.pingInFlight) << tick;
    }
    monitor.pingHost = "-f"; // read as an option by the tool: refused, counts as a failure
    monitor.sample();        // tick 6
    EXPECT_TRUE(monitor.pingInFlight);
    ASSERT_TRUE(waitUntil([&] { return !monitor.pingInFlight; }));
    EXPECT_FALSE(monitor.pingMs);
    EXPECT_EQ(monitor.internetReachable, false);
    EXPECT_EQ(monitor.pingHistory.values, std::vector<double>{12.345});
    EXPECT_EQ(runsOf(sources.pingProgram), 1);

    monitor.pingHost = "192.0.2.1";
    for (int tick = 7; tick <= 11; ++tick)
        monitor.sample();
    ASSERT_TRUE(waitUntil([&] { return !monitor.pingInFlight; }));
    EXPECT_EQ(monitor.internetReachable, true);
    EXPECT_EQ(monitor.pingHistory.values, (std::vector<double>{12.345, 12.345}));
    EXPECT_EQ(runsOf(sources.pingProgram), 2);
}

TEST(NetworkMonitor, APingStillRunningBlocksTheNextOneUntilItIsKilled) {
    FakeMachine machine;
    auto sources = machine.sources(platform::InterfaceNameRules::linuxNames());
    sources.pingProgram = tool("ping-hang-once");
    sources.pingBound = std::chrono::milliseconds(300);
    NetworkMonitor monitor(sources, machine.clock());
    for (int tick = 1; tick <= 6; ++tick)
        monitor.sample(); // the ping of tick 6 is dropped: tick 1's still runs
    EXPECT_TRUE(monitor.pingInFlight);
    ASSERT_TRUE(waitUntil([&] { return !monitor.pingInFlight; }));
    EXPECT_FALSE(monitor.pingMs); // killed: whatever it printed is not read
    EXPECT_EQ(monitor.internetReachable, false);
    EXPECT_EQ(runsOf(sources.pingProgram), 1);

    for (int tick = 7; tick <= 11; ++tick)
        monitor.sample();
    ASSERT_TRUE(waitUntil([&] { return !monitor.pingInFlight; }));
    EXPECT_EQ(monitor.pingMs, 7.5);
    EXPECT_EQ(monitor.internetReachable, true);
    EXPECT_EQ(runsOf(sources.pingProgram), 2);
}

TEST(NetworkMonitor, KernelKindsAreKeptUntilTheSetOfInterfacesChanges) {
    // The machine's own readers over a fixture tree, with addresses given by hand.
    const QString root = test::copyFixture("network/laptop");
    FakeMachine machine;
    NetworkMonitor::Sources sources = NetworkMonitor::Sources::system(platform::Roots::under(root));
    sources.addresses = [] {
        return platform::AddressMap{{"lab0", v4({"10.1.0.1"})}, {"lab1", v4({"10.2.0.1"})}};
    };
    sources.counters = [] { return platform::CounterMap{{"lab0", {1, 1}}, {"lab1", {1, 1}}}; };
    sources.pingSocket = {};
    sources.pingProgram = test::scratchDir() + "/no-ping";
    sources.publicAddressUrl = QUrl("http://127.0.0.1:9/");
    NetworkMonitor monitor(std::move(sources), machine.clock());
    monitor.sample();
    ASSERT_NE(find(monitor, "lab0"), nullptr);
    EXPECT_EQ(find(monitor, "lab0")->displayName, "Bridge (lab0)");
    EXPECT_EQ(find(monitor, "lab1")->displayName, "lab1"); // not in /sys/class/net: no kind

    // lab0 no longer looks like a bridge, but the set of interfaces is the same: the kind
    // probed at the first sample still holds.
    ASSERT_TRUE(QDir(root + "/sys/class/net/lab0/bridge").removeRecursively());
    monitor.sample();
    EXPECT_EQ(find(monitor, "lab0")->displayName, "Bridge (lab0)");

    // lab1 appears as a bridge: the new set is probed.
    test::writeFile(root, "sys/class/net/lab1/type", "1\n");
    test::writeFile(root, "sys/class/net/lab1/bridge/stp_state", "0\n");
    monitor.sample();
    EXPECT_EQ(find(monitor, "lab1")->displayName, "Bridge (lab1)");
}
