#include "PanelProbe.h"
#include "support/FixtureTree.h"
#include "support/GallerySheet.h"
#include "support/HubFixture.h"
#include "support/TestEnv.h"
#include "ui/kit/PanelDefaults.h"
#include "ui/panels/DevicePanel.h"
#include "ui/panels/KeepAwakeCard.h"
#include "ui/panels/LocationPermission.h"
#include "ui/panels/NetworkPanel.h"
#include "ui/panels/SpeedTestCard.h"

#include <QBoxLayout>
#include <QDir>
#include <QFile>
#include <QPainter>
#include <cmath>
#include <functional>
#include <gtest/gtest.h>

using namespace morvanex;
using namespace morvanex::ui;
using namespace morvanex::test;

namespace {

QImage render(QWidget* content, Appearance appearance) {
    test::GallerySheet sheet(appearance, QMargins(10, 6, 10, 6), 8);
    sheet.column->addWidget(content);
    sheet.column->addStretch(1);
    sheet.resize(340, sheet.sizeHint().height());
    sheet.show();
    settle();
    sheet.resize(340, sheet.heightForWidth(340) > 0 ? sheet.heightForWidth(340)
                                                    : sheet.sizeHint().height());
    settle();
    QImage image(sheet.size() * 2, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(2);
    image.fill(Qt::transparent);
    sheet.render(&image);
    return image;
}

void busyNetwork(Hub& hub, const QString& machine) {
    NetworkMonitor& net = hub.network;
    InterfaceInfo eth;
    eth.bsdName = "enp3s0";
    eth.displayName = "Ethernet";
    eth.ipv4 = {"192.168.1.24"};
    eth.ipv6 = {"2001:db8:85a3::8a2e:370:7334", "fd00::24", "2001:db8::3"};
    eth.mac = "3c:22:fb:12:9a:0e";
    eth.download = 2.4e6;
    eth.upload = 310e3;
    InterfaceInfo wlan;
    wlan.bsdName = "wlp2s0";
    wlan.displayName = "Wi-Fi";
    wlan.ipv4 = {"192.168.1.31"};
    net.interfaces = {eth, wlan};
    net.primaryInterface = "enp3s0";
    net.internetReachable = true;
    net.download = 2.4e6;
    net.upload = 310e3;
    net.sessionDown = 1'840'000'000;
    net.sessionUp = 214'000'000;
    net.publicIP = "203.0.113.77";
    net.pingHost = "1.1.1.1";
    net.pingMs = 14.27;
    net.router = "192.168.1.1";
    net.dns = {"192.168.1.1", "1.1.1.1", "9.9.9.9"};
    net.vpnInterfaces = {"wg0"};
    for (int i = 0; i < 120; ++i) {
        net.downloadHistory.add(1.5e6 + 1e6 * std::sin(i / 7.0));
        net.uploadHistory.add(2e5 + 1.5e5 * std::cos(i / 5.0));
    }
    WiFiInfo wifi;
    wifi.interfaceName = "wlp2s0";
    wifi.ssid = "Morvanex Lab";
    wifi.bssid = "a4:2b:b0:11:22:33";
    wifi.rssi = -58;
    wifi.noise = -92;
    wifi.channel = 36;
    wifi.band = "5 GHz";
    wifi.width = "80 MHz";
    wifi.transmitRate = 866.7;
    wifi.phyMode = "802.11ac";
    wifi.security = "WPA2 Personal";
    net.wifi = wifi;

    writeFile(machine, "no-speed-test", "#!/bin/sh\nexit 1\n");
    QFile::setPermissions(machine + "/no-speed-test",
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    SpeedTestResult newest;
    newest.date = hub.clock.now().addSecs(-1800);
    newest.download = 52e6;
    newest.upload = 11e6;
    newest.responsiveness = 1320;
    newest.dataUsed = 612e6;
    SpeedTestResult older = newest;
    older.date = newest.date.addDays(-3);
    older.download = 48e6;
    hub.speedTest.results = {newest, older};
}

ConnectedDevice fullDevice() {
    ConnectedDevice d;
    d.id = "A";
    d.name = "Ada's iPhone";
    d.trusted = true;
    d.deviceClass = "iPhone";
    d.productType = "iPhone15,2";
    d.osVersion = "17.4";
    d.buildVersion = "21E219";
    d.batteryLevel = 76;
    d.isCharging = true;
    d.storageTotal = 128'000'000'000;
    d.dataCapacity = 110'000'000'000;
    d.storageFree = 31'400'000'000;
    d.modelNumber = "MQ0G3ZD/A";
    d.serialNumber = "F2LXK0ABCD12";
    DeviceBattery b;
    b.maxCapacity = 2900;
    b.designCapacity = 3279;
    b.currentCharge = 2204;
    b.cycleCount = 412;
    b.temperature = 29.4;
    b.voltage = 4.12;
    b.amperage = 1.05;
    d.battery = b;
    return d;
}

} // namespace

// Renders the panels and cards of this folder dark and light. The images go to the test's
// scratch folder, or to MORVANEX_NETPANELS_GALLERY when set, for looking at them.
TEST(NetPanelsGallery, RendersDarkAndLight) {
    QString folder = qEnvironmentVariable("MORVANEX_NETPANELS_GALLERY");
    if (folder.isEmpty())
        folder = scratchDir() + "/gallery";
    QDir().mkpath(folder);

    HubFixture f;
    busyNetwork(*f.hub, f.machine);
    PanelDefaults defaults{platform::UserDefaults::inMemory()};
    LocationPermission location;
    ConnectedDevice untrusted;
    untrusted.id = "B";
    untrusted.name = "Grace's iPad";
    untrusted.deviceClass = "iPad";
    f.hub->devices.setDevices({fullDevice(), untrusted});

    using Build = std::function<QWidget*(const PanelEnv&)>;
    const std::pair<const char*, Build> sheets[] = {
        {"network",
         [&](const PanelEnv& env) {
             PanelEnv open = env;
             open.previewOverrides.expandDisclosures = true;
             return new NetworkPanel(open, defaults, location);
         }},
        {"speedtest-running",
         [&](const PanelEnv& env) {
             f.hub->speedTest.state = SpeedTest::Running{f.now.addSecs(-7)};
             return new SpeedTestCard(
                 env, BoolBinding::stored(defaults, PanelKeys::speedHistoryExpanded));
         }},
        {"speedtest-failed",
         [&](const PanelEnv& env) {
             f.hub->speedTest.state = SpeedTest::Failed{SpeedTest::failedMessage};
             f.hub->speedTest.results.clear();
             return new SpeedTestCard(
                 env, BoolBinding::stored(defaults, PanelKeys::speedHistoryExpanded));
         }},
        {"keepawake-off", [&](const PanelEnv& env) { return new KeepAwakeCard(env); }},
        {"keepawake-on",
         [&](const PanelEnv& env) {
             f.settings.update([](Config& c) { c.keepAwakeDisplay = true; });
             if (!f.hub->keepAwake.isActive)
                 f.hub->keepAwake.activate(true, f.now.addSecs(3600));
             return new KeepAwakeCard(env);
         }},
        {"device", [&](const PanelEnv& env) { return new DevicePanel(env, "A"); }},
        {"device-untrusted", [&](const PanelEnv& env) { return new DevicePanel(env, "B"); }},
        {"device-gone", [&](const PanelEnv& env) { return new DevicePanel(env, "C"); }},
    };
    for (const auto& [name, build] : sheets)
        for (const Appearance appearance : {Appearance::light, Appearance::dark}) {
            SCOPED_TRACE(name);
            PanelEnv env;
            env.hub = f.hub.get();
            env.settings = &f.settings;
            env.appearance = appearance;
            const QImage image = render(build(env), appearance);
            EXPECT_EQ(image.width(), 2 * 340);
            EXPECT_GT(image.height(), 2 * 40);
            const QRgb background = color(Tint::windowBackground, appearance).rgba();
            bool drawn = false;
            for (int y = 0; y < image.height() && !drawn; y += 2)
                for (int x = 0; x < image.width() && !drawn; x += 2)
                    drawn = image.pixel(x, y) != background;
            EXPECT_TRUE(drawn);
            const QString file =
                QString("%1/%2-%3.png")
                    .arg(folder, name, appearance == Appearance::dark ? "dark" : "light");
            EXPECT_TRUE(image.save(file));
        }
}
