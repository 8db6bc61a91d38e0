#include "ui/panels/NetworkTexts.h"

#include <gtest/gtest.h>
#include <limits>

using namespace morvanex;
using namespace morvanex::ui;
using namespace morvanex::ui::network;

namespace {

InterfaceInfo iface(const QString& bsd, const QString& display) {
    InterfaceInfo info;
    info.bsdName = bsd;
    info.displayName = display;
    return info;
}

} // namespace

TEST(NetworkTexts, SubtitleNamesThePrimaryInterfaceAndTheInternetState) {
    const std::vector<InterfaceInfo> list{iface("eth0", "Ethernet"), iface("wlan0", "Wi-Fi")};
    struct Case {
        std::optional<QString> primary;
        std::optional<bool> reachable;
        QString expected;
    };
    const Case cases[] = {
        {QString("wlan0"), true, "Wi-Fi · Connected"},
        {QString("wlan0"), std::nullopt, "Wi-Fi · Connected"},
        {QString("eth0"), false, "Ethernet · No internet"},
        {std::nullopt, true, "Not connected"},
        {QString("tun0"), true, "Not connected"},
        // Exact equality: no prefix or case folding.
        {QString("ETH0"), true, "Not connected"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.expected.toStdString());
        EXPECT_EQ(subtitle(list, c.primary, c.reachable), c.expected);
    }
    EXPECT_EQ(subtitle({}, QString("eth0"), true), "Not connected");
}

TEST(NetworkTexts, InternetRows) {
    EXPECT_EQ(status(std::nullopt), (Status{Tint::yellow, "Checking…"}));
    EXPECT_EQ(status(true), (Status{Tint::green, "Connected"}));
    EXPECT_EQ(status(false), (Status{Tint::red, "No connection"}));

    EXPECT_EQ(pingLabel("1.1.1.1"), "Ping · 1.1.1.1");
    // A stored host of megabytes is cut before any label lays it out.
    EXPECT_EQ(pingLabel(QString(10 << 20, u'h')),
              QStringLiteral("Ping · ") + QString(256, u'h') + u'…');
    EXPECT_EQ(pingText(12.34), "12.3 ms");
    EXPECT_EQ(pingText(0.0), "0.0 ms");
    EXPECT_EQ(pingText(std::nullopt), "—");
    EXPECT_EQ(pingText(std::numeric_limits<double>::quiet_NaN()), "— ms");

    EXPECT_EQ(dnsText({}), std::nullopt);
    EXPECT_EQ(dnsText({"9.9.9.9"}), "9.9.9.9");
    EXPECT_EQ(dnsText({"1.1.1.1", "8.8.8.8", "9.9.9.9"}), "1.1.1.1, 8.8.8.8");

    EXPECT_EQ(vpnText({}), std::nullopt);
    EXPECT_EQ(vpnText({"tun0", "wg0"}), "Connected · tun0, wg0");
}

TEST(NetworkTexts, RatesAndTotals) {
    EXPECT_EQ(sessionText(1536, 0), "Session ↓ 1.5 KB ↑ 0 B");
    EXPECT_EQ(rateLine(2048, 100, false), "↓ 2.0 KB/s  ↑ 100 B/s");
    EXPECT_EQ(rateLine(2048, 100, true), "↓ 16.4 Kb/s  ↑ 800 b/s");
}

TEST(NetworkTexts, InterfaceList) {
    EXPECT_EQ(interfacesSummary({}), "");
    EXPECT_EQ(interfacesSummary({iface("eth0", "Ethernet"), iface("wlan0", "Wi-Fi")}),
              "eth0 · wlan0");
    InterfaceInfo info = iface("eth0", "Ethernet");
    info.ipv6 = {"2001:db8::1", "2001:db8::2", "2001:db8::3"};
    EXPECT_EQ(shownIPv6(info), QStringList({"2001:db8::1", "2001:db8::2"}));
    info.ipv6 = {"2001:db8::1"};
    EXPECT_EQ(shownIPv6(info), QStringList({"2001:db8::1"}));
}

TEST(NetworkTexts, WiFiRows) {
    EXPECT_EQ(signalText(-55, -90), "-55 dBm · SNR 35");
    EXPECT_EQ(signalText(-70, -70), "-70 dBm · SNR 0");
    // No noise floor reported: no ratio against it.
    EXPECT_EQ(signalText(-58, 0), "-58 dBm");
    // The difference is taken in 64 bits.
    EXPECT_EQ(signalText(std::numeric_limits<int>::max(), std::numeric_limits<int>::min()),
              "2147483647 dBm · SNR 4294967295");
    EXPECT_EQ(noiseText(-90), "-90 dBm");

    WiFiInfo wifi;
    EXPECT_EQ(channelText(wifi), "");
    wifi.band = "5 GHz";
    EXPECT_EQ(channelText(wifi), "5 GHz");
    wifi.channel = 36;
    wifi.width = "80 MHz";
    EXPECT_EQ(channelText(wifi), "36 · 5 GHz · 80 MHz");
    wifi.band.reset();
    EXPECT_EQ(channelText(wifi), "36 · 80 MHz");
}

TEST(NetworkTexts, TransmitRateIsTruncatedAndChecked) {
    const std::pair<double, QString> cases[] = {
        {866.7, "866 Mbps"},
        {0.9, "0 Mbps"},
        {-1.5, "-1 Mbps"},
        {std::numeric_limits<double>::quiet_NaN(), "—"},
        {std::numeric_limits<double>::infinity(), "—"},
        {1e300, "—"},
    };
    for (const auto& [rate, expected] : cases)
        EXPECT_EQ(transmitRateText(rate), expected) << rate;
}

TEST(NetworkTexts, NetworkNameNeedsLocationOnlyWhenWithheld) {
    EXPECT_EQ(networkNameKind(QString("Home"), LocationStatus::notDetermined),
              NetworkNameKind::name);
    EXPECT_EQ(networkNameKind(QString("Home"), LocationStatus::denied), NetworkNameKind::name);
    EXPECT_EQ(networkNameKind(std::nullopt, LocationStatus::notDetermined),
              NetworkNameKind::allowLocation);
    for (const LocationStatus s :
         {LocationStatus::restricted, LocationStatus::denied, LocationStatus::authorizedAlways,
          LocationStatus::authorizedWhenInUse})
        EXPECT_EQ(networkNameKind(std::nullopt, s), NetworkNameKind::hidden);
}

TEST(LocationPermission, StartsGrantedAndAnnouncesChanges) {
    EXPECT_EQ(LocationPermission::shared().status(), LocationStatus::authorizedWhenInUse);
    LocationPermission permission(LocationStatus::notDetermined);
    int changes = 0;
    QObject::connect(&permission, &LocationPermission::statusChanged, [&] { ++changes; });
    permission.setStatus(LocationStatus::notDetermined);
    EXPECT_EQ(changes, 0);
    permission.request();
    EXPECT_EQ(permission.status(), LocationStatus::authorizedWhenInUse);
    EXPECT_EQ(changes, 1);
}
