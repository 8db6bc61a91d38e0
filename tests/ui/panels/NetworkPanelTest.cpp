#include "ui/panels/NetworkPanel.h"

#include "PanelProbe.h"
#include "support/FixtureTree.h"
#include "support/HubFixture.h"
#include "ui/kit/CopyButton.h"
#include "ui/kit/DisclosureRow.h"
#include "ui/kit/Dot.h"
#include "ui/kit/HistoryGraph.h"
#include "ui/kit/PanelDefaults.h"
#include "ui/kit/PanelHeader.h"
#include "ui/kit/Pill.h"
#include "ui/panels/LocationPermission.h"
#include "ui/panels/RateLabel.h"
#include "ui/panels/SpeedTestCard.h"

#include <QFile>
#include <QMouseEvent>
#include <QTest>
#include <gtest/gtest.h>

using namespace morvanex;
using namespace morvanex::ui;
using namespace morvanex::test;

namespace {

InterfaceInfo iface(const QString& bsd, const QString& display) {
    InterfaceInfo info;
    info.bsdName = bsd;
    info.displayName = display;
    return info;
}

struct NetworkPanelTest : ::testing::Test {
    HubFixture f;
    PanelDefaults defaults{platform::UserDefaults::inMemory()};
    LocationPermission location{LocationStatus::authorizedWhenInUse};

    NetworkMonitor& net() { return f.hub->network; }

    PanelEnv env() {
        PanelEnv e;
        e.hub = f.hub.get();
        e.settings = &f.settings;
        return e;
    }

    std::unique_ptr<NetworkPanel> make() {
        return std::make_unique<NetworkPanel>(env(), defaults, location);
    }

    void tick() {
        emit f.hub->changed();
        settle();
    }

    void connected() {
        InterfaceInfo eth = iface("eth0", "Ethernet");
        eth.ipv4 = {"192.0.2.10"};
        eth.ipv6 = {"2001:db8::1", "2001:db8::2", "2001:db8::3"};
        eth.mac = "00:11:22:33:44:55";
        eth.download = 2048;
        eth.upload = 512;
        InterfaceInfo wlan = iface("wlan0", "Wi-Fi");
        net().interfaces = {eth, wlan};
        net().primaryInterface = "eth0";
        net().internetReachable = true;
        net().download = 2048;
        net().upload = 512;
        net().pingHost = "1.1.1.1";
        net().pingMs = 12.34;
    }
};

QString subtitleOf(const NetworkPanel& panel) {
    auto* header = panel.header()->findChild<PanelHeader*>();
    if (!header) {
        header = qobject_cast<PanelHeader*>(panel.header());
    }
    return header && header->subtitleLine() ? header->subtitleLine()->fullText() : "<none>";
}

} // namespace

TEST_F(NetworkPanelTest, HeaderShowsTheConnectionAndBothRates) {
    connected();
    auto panel = make();
    EXPECT_EQ(subtitleOf(*panel), "Ethernet · Connected");
    const auto labels = panel->header()->findChildren<RateLabel*>();
    ASSERT_EQ(labels.size(), 2);
    EXPECT_EQ(labels[0]->arrowLine()->fullText(), "↓");
    EXPECT_EQ(labels[0]->textLine()->fullText(), "2.0 KB/s");
    EXPECT_EQ(labels[1]->arrowLine()->fullText(), "↑");
    EXPECT_EQ(labels[1]->textLine()->fullText(), "512 B/s");

    net().internetReachable = false;
    tick();
    EXPECT_EQ(subtitleOf(*panel), "Ethernet · No internet");
    net().primaryInterface.reset();
    tick();
    EXPECT_EQ(subtitleOf(*panel), "Not connected");
}

TEST_F(NetworkPanelTest, InternetCardRowsFollowTheReadings) {
    connected();
    net().internetReachable.reset();
    net().pingMs.reset();
    auto panel = make();
    QWidget* card = panel->internetCard();
    EXPECT_EQ(rowLabels(card), QStringList({"Status", "Public IP", "Ping · 1.1.1.1"}));
    EXPECT_EQ(rowValue(card, "Status"), "Checking…");
    EXPECT_EQ(card->findChild<Dot*>()->tint(), Tint::yellow);
    EXPECT_EQ(rowValue(card, "Public IP"), "—");
    EXPECT_EQ(card->findChild<CopyButton*>(), nullptr);
    EXPECT_EQ(rowValue(card, "Ping · 1.1.1.1"), "—");

    net().internetReachable = false;
    net().publicIP = "203.0.113.7";
    net().pingMs = 12.34;
    net().router = "192.0.2.1";
    net().dns = {"1.1.1.1", "8.8.8.8", "9.9.9.9"};
    net().vpnInterfaces = {"tun0"};
    tick();
    card = panel->internetCard();
    EXPECT_EQ(rowLabels(card),
              QStringList({"Status", "Public IP", "Ping · 1.1.1.1", "Router", "DNS", "VPN"}));
    EXPECT_EQ(rowValue(card, "Status"), "No connection");
    EXPECT_EQ(card->findChildren<Dot*>().front()->tint(), Tint::red);
    EXPECT_EQ(rowValue(card, "Public IP"), "203.0.113.7");
    EXPECT_NE(card->findChild<CopyButton*>(), nullptr);
    EXPECT_EQ(rowValue(card, "Ping · 1.1.1.1"), "12.3 ms");
    EXPECT_EQ(rowValue(card, "DNS"), "1.1.1.1, 8.8.8.8");
    EXPECT_EQ(rowValue(card, "VPN"), "Connected · tun0");
}

TEST_F(NetworkPanelTest, AnUnchangedCardKeepsItsViewsAcrossTicks) {
    connected();
    net().publicIP = "203.0.113.7";
    auto panel = make();
    auto* copy = panel->internetCard()->findChild<CopyButton*>();
    ASSERT_NE(copy, nullptr);
    QTest::mouseClick(copy, Qt::LeftButton); // copies to the offscreen clipboard
    EXPECT_TRUE(copy->isCopied());
    net().download = 99999; // the header changes, the internet card does not
    tick();
    EXPECT_EQ(panel->internetCard()->findChild<CopyButton*>(), copy);
    EXPECT_TRUE(copy->isCopied());
}

TEST_F(NetworkPanelTest, WiFiCard) {
    connected();
    auto panel = make();
    EXPECT_EQ(panel->wifiCard(), nullptr);

    WiFiInfo wifi;
    wifi.interfaceName = "wlan0";
    net().wifi = wifi;
    tick();
    ASSERT_NE(panel->wifiCard(), nullptr);
    EXPECT_EQ(texts(panel->wifiCard()), QStringList({"Wi-Fi", "wlan0", "Not connected"}));

    wifi.rssi = -55;
    wifi.noise = -90;
    wifi.ssid = "Home";
    wifi.band = "5 GHz";
    wifi.transmitRate = 866.7;
    wifi.phyMode = "802.11ax (Wi-Fi 6)";
    wifi.security = "WPA3 Personal";
    net().wifi = wifi;
    tick();
    QWidget* card = panel->wifiCard();
    EXPECT_EQ(rowLabels(card), QStringList({"Network", "Signal", "Noise", "Channel", "Tx rate",
                                            "Standard", "Security"}));
    EXPECT_EQ(rowValue(card, "Network"), "Home");
    EXPECT_EQ(rowValue(card, "Signal"), "-55 dBm · SNR 35");
    EXPECT_EQ(rowValue(card, "Noise"), "-90 dBm");
    EXPECT_EQ(rowValue(card, "Channel"), "5 GHz");
    EXPECT_EQ(rowValue(card, "Tx rate"), "866 Mbps");

    wifi.bssid = "aa:bb:cc:dd:ee:ff";
    net().wifi = wifi;
    tick();
    EXPECT_EQ(rowLabels(panel->wifiCard()).last(), "BSSID");
}

TEST_F(NetworkPanelTest, AWithheldNetworkNameOffersToAskForLocation) {
    connected();
    WiFiInfo wifi;
    wifi.interfaceName = "wlan0";
    wifi.rssi = -60;
    wifi.noise = -92;
    net().wifi = wifi;
    location.setStatus(LocationStatus::notDetermined);
    auto panel = make();
    EXPECT_EQ(rowValue(panel->wifiCard(), "Network"), "Allow Location…");

    TextLine* ask = nullptr;
    for (TextLine* line : panel->wifiCard()->findChildren<TextLine*>())
        if (line->fullText() == "Allow Location…")
            ask = line;
    ASSERT_NE(ask, nullptr);
    QTest::mouseClick(ask, Qt::LeftButton);
    settle();
    EXPECT_EQ(location.status(), LocationStatus::authorizedWhenInUse);
    EXPECT_EQ(rowValue(panel->wifiCard(), "Network"), "Hidden · enable Location");

    location.setStatus(LocationStatus::denied);
    settle();
    EXPECT_EQ(rowValue(panel->wifiCard(), "Network"), "Hidden · enable Location");
}

TEST_F(NetworkPanelTest, InterfacesDisclosure) {
    connected();
    auto panel = make();
    auto* row = qobject_cast<DisclosureRow*>(panel->interfaces());
    ASSERT_NE(row, nullptr);
    EXPECT_EQ(row->summaryLine()->fullText(), "eth0 · wlan0");
    EXPECT_FALSE(row->isExpanded());
    row->toggle();
    EXPECT_TRUE(defaults.boolValue(PanelKeys::interfacesExpanded));

    QWidget* eth = row->content()->findChild<QWidget*>("eth0");
    QWidget* wlan = row->content()->findChild<QWidget*>("wlan0");
    ASSERT_TRUE(eth && wlan);
    EXPECT_EQ(rowLabels(eth), QStringList({"IPv4", "IPv6", "IPv6", "MAC"}));
    EXPECT_EQ(rowLabels(wlan), QStringList());
    ASSERT_EQ(eth->findChildren<Pill*>().size(), 1);
    EXPECT_EQ(eth->findChild<Pill*>()->text(), "Primary");
    EXPECT_EQ(wlan->findChild<Pill*>(), nullptr);
    EXPECT_TRUE(texts(eth).contains("↓ 2.0 KB/s  ↑ 512 B/s"));

    // No primary interface: the list stays, without the pill.
    net().primaryInterface.reset();
    tick();
    row = qobject_cast<DisclosureRow*>(panel->interfaces());
    EXPECT_TRUE(row->isExpanded());
    EXPECT_EQ(row->content()->findChildren<Pill*>().size(), 0);

    net().interfaces.clear();
    tick();
    row = qobject_cast<DisclosureRow*>(panel->interfaces());
    EXPECT_EQ(row->summaryLine()->fullText(), "");
    EXPECT_TRUE(texts(row->content()).isEmpty());
}

TEST_F(NetworkPanelTest, BitRatesSwitchEverywhereAtOnce) {
    connected();
    auto panel = make();
    f.settings.update([](Config& c) { c.bandwidthBits = true; });
    settle();
    const auto labels = panel->header()->findChildren<RateLabel*>();
    ASSERT_EQ(labels.size(), 2);
    EXPECT_EQ(labels[0]->textLine()->fullText(), "16.4 Kb/s");
    EXPECT_TRUE(texts(panel->interfaces()).contains("↓ 16.4 Kb/s  ↑ 4.1 Kb/s"));
}

TEST_F(NetworkPanelTest, SessionTotalsAndGraph) {
    connected();
    net().sessionDown = 1536;
    net().sessionUp = 0;
    auto panel = make();
    EXPECT_EQ(panel->sessionLine()->fullText(), "Session ↓ 1.5 KB ↑ 0 B");
    ASSERT_NE(panel->graph(), nullptr);
    net().sessionUp = 2048;
    tick();
    EXPECT_EQ(panel->sessionLine()->fullText(), "Session ↓ 1.5 KB ↑ 2.0 KB");
}

TEST_F(NetworkPanelTest, SpeedTestCardOnlyWhileTheToolIsInstalled) {
    auto panel = make();
    EXPECT_EQ(panel->speedTestCard(), nullptr);
    const QString tool = f.machine + "/no-speed-test";
    writeFile(f.machine, "no-speed-test", "#!/bin/sh\nexit 1\n");
    QFile::setPermissions(tool, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    tick();
    ASSERT_NE(panel->speedTestCard(), nullptr);
    QFile::remove(tool);
    tick();
    EXPECT_EQ(panel->speedTestCard(), nullptr);

    // A render of the card's sample results shows it on a machine without the tool.
    PanelEnv preview = env();
    preview.previewOverrides.isPreview = true;
    preview.previewOverrides.speedTestCard = true;
    NetworkPanel rendered(preview, defaults, location);
    EXPECT_NE(rendered.speedTestCard(), nullptr);
}
