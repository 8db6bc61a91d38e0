#include "McpTestServer.h"
#include "monitors/SpeedTest.h"
#include "services/ConnectedDevice.h"

#include <QJsonArray>
#include <gtest/gtest.h>

using namespace morvanex;
using morvanex::test::canonical;
using morvanex::test::McpTestServer;

namespace {

QDateTime utc(qint64 seconds) {
    return QDateTime::fromSecsSinceEpoch(seconds, Qt::UTC);
}

WiFiInfo wifi() {
    WiFiInfo info;
    info.interfaceName = QStringLiteral("wlan0");
    info.rssi = -60;
    info.noise = -90;
    info.band = QStringLiteral("5 GHz");
    info.transmitRate = 866.7;
    info.phyMode = QStringLiteral("802.11ac (Wi-Fi 5)");
    info.security = QStringLiteral("WPA2 Personal");
    return info;
}

SpeedTestResult speedTest(qint64 seconds, double download, double upload,
                          std::optional<double> responsiveness) {
    SpeedTestResult result;
    result.date = utc(seconds);
    result.download = download;
    result.upload = upload;
    result.responsiveness = responsiveness;
    return result;
}

void saveSpeedTests(McpTestServer& f, const std::vector<SpeedTestResult>& results) {
    f.defaults.setValue(SpeedTest::storageKey, *encodeSpeedTestResults(results));
}

TEST(McpNetworkAnswer, EverythingKnown) {
    McpTestServer f;
    NetworkMonitor& n = f.hub.network;
    n.download = 2048;
    n.upload = 512;
    n.internetReachable = false;
    n.dns = {QStringLiteral("192.0.2.53"), QStringLiteral("2001:db8::53")};
    n.vpnInterfaces = {QStringLiteral("tun0")};
    InterfaceInfo wlan;
    wlan.bsdName = QStringLiteral("wlan0");
    wlan.displayName = QStringLiteral("Wi-Fi");
    wlan.ipv4 = {QStringLiteral("192.0.2.20")};
    wlan.download = 2048;
    wlan.upload = 512;
    InterfaceInfo tun;
    tun.bsdName = QStringLiteral("tun0");
    tun.displayName = QStringLiteral("VPN (tun0)");
    n.interfaces = {wlan, tun};
    n.primaryInterface = QStringLiteral("wlan0");
    n.publicIP = QStringLiteral("198.51.100.7");
    n.router = QStringLiteral("192.0.2.1");
    n.pingMs = 23.45;
    n.wifi = wifi();
    n.wifi->ssid = QStringLiteral("Home");
    n.wifi->channel = 36;
    saveSpeedTests(f, {speedTest(1799996400, 12.5e6, 2.5e6, 600.0),
                       speedTest(1799992800, 1e6, 125e3, std::nullopt)});
    EXPECT_EQ(canonical(f.answer("get_network")), canonical(R"js({
        "download_per_second": "2.0 KB/s", "upload_per_second": "512 B/s",
        "internet": "offline",
        "dns": ["192.0.2.53", "2001:db8::53"], "vpn_interfaces": ["tun0"],
        "interfaces": [
            {"name": "Wi-Fi", "bsd_name": "wlan0", "ipv4": ["192.0.2.20"],
             "download_per_second": "2.0 KB/s", "upload_per_second": "512 B/s"},
            {"name": "VPN (tun0)", "bsd_name": "tun0", "ipv4": [],
             "download_per_second": "0 B/s", "upload_per_second": "0 B/s"
}
        ],
        "primary_interface": "wlan0", "public_ip": "198.51.100.7", "router": "192.0.2.1",
        "ping_ms": 23.4,
        "wifi": {"network": "Home", "signal_dbm": -60, "noise_dbm": -90, "snr": 30,
                 "channel": 36, "band": "5 GHz", "tx_rate_mbps": 866,
                 "standard": "802.11ac (Wi-Fi 5)", "security": "WPA2 Personal"},
        "speed_tests": [
            {"time": "2027-01-15T07:00:00Z", "download": "100 Mb/s", "upload": "20.0 Mb/s",
             "responsiveness_rpm": 600, "latency_under_load_ms": 100},
            {"time": "2027-01-15T06:00:00Z", "download": "8.0 Mb/s", "upload": "1.0 Mb/s"}
        ]
        })js"));
}

TEST(McpNetworkAnswer, NothingKnownYet) {
    McpTestServer f;
    NetworkMonitor& n = f.hub.network;
    n.download = n.upload = 0;
    n.internetReachable.reset();
    n.dns.clear();
    n.vpnInterfaces.clear();
    n.interfaces.clear();
    n.primaryInterface.reset();
    n.publicIP.reset();
    n.router.reset();
    n.pingMs.reset(); // left out here, unlike the overview's null
    n.wifi.reset();
    EXPECT_EQ(canonical(f.answer("get_network")), canonical(R"js({
        "download_per_second": "0 B/s", "upload_per_second": "0 B/s", "internet": "checking",
        "dns": [], "vpn_interfaces": [], "interfaces": [],
        "speed_tests": "None yet. Run one from Morvanex's Network dropdown."
    })js"));
}

TEST(McpNetworkAnswer, WiFiDetails) {
    McpTestServer f;
    f.hub.network.wifi = wifi(); // no name, no channel
    EXPECT_EQ(canonical(f.answer("get_network").value("wifi").toObject()), canonical(R"js({
        "network": "(hidden: Location permission needed)", "signal_dbm": -60,
        "noise_dbm": -90, "snr": 30, "channel": null, "band": "5 GHz", "tx_rate_mbps": 866,
        "standard": "802.11ac (Wi-Fi 5)", "security": "WPA2 Personal"
        })js"));

    f.hub.network.wifi->band.reset();
    f.hub.network.wifi->transmitRate = std::nan("");
    const QJsonObject unknown = f.answer("get_network").value("wifi").toObject();
    EXPECT_TRUE(unknown.value("band").isNull());
    EXPECT_EQ(unknown.value("tx_rate_mbps"), 0);

    f.hub.network.wifi->rssi = 0; // not associated
    EXPECT_FALSE(f.answer("get_network").contains("wifi"));
}

TEST(McpNetworkAnswer, SpeedTestResponsiveness) {
    struct Row {
        std::optional<double> responsiveness;
        const char* extra; // the keys beyond time, download and upload
    };
    const Row rows[] = {
        {std::nullopt, R"js({})js"},
        {600.0, R"js({"responsiveness_rpm": 600, "latency_under_load_ms": 100})js"},
        {999.9, R"js({"responsiveness_rpm": 999, "latency_under_load_ms": 60})js"},
        {0.0, R"js({"responsiveness_rpm": 0})js"},
        {-5.0, R"js({"responsiveness_rpm": -5})js"},
        {1e300, R"js({"latency_under_load_ms": 0})js"}, // no whole-number form: left out
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.extra);
        McpTestServer f;
        saveSpeedTests(f, {speedTest(1799996400, 0, 0, row.responsiveness)});
        QJsonObject test = f.answer("get_network").value("speed_tests").toArray().at(0).toObject();
        for (const char* key : {"time", "download", "upload"})
            EXPECT_TRUE(test.take(QLatin1StringView(key)).isString()) << key;
        EXPECT_EQ(canonical(test), canonical(row.extra));
    }
}

DiskMonitor::Volume volume(const char* path, const char* name, double total, double available,
                           double important) {
    DiskMonitor::Volume v;
    v.url = QUrl::fromLocalFile(QString::fromUtf8(path));
    v.name = QString::fromUtf8(name);
    v.total = total;
    v.available = available;
    v.availableImportant = important;
    return v;
}

TEST(McpDisksAnswer, VolumesAndRates) {
    McpTestServer f;
    DiskMonitor::Volume root = volume("/", "Root", 500e9, 100e9, 120e9);
    root.isRoot = true;
    DiskMonitor::Volume share = volume("/mnt/share/", "share", 0, 0, 0);
    share.isLocal = false;
    DiskMonitor::Volume stick = volume("/media/user/STICK", "STICK \xff", 64e9, 50e9, 40e9);
    stick.isRemovable = true;
    f.hub.disks.volumes = {root, share, stick};
    f.hub.disks.readRate = 1048576;
    f.hub.disks.writeRate = 0;
    EXPECT_EQ(canonical(f.answer("get_disks")), canonical(R"js({
        "volumes": [
            {"name": "Root", "path": "/", "startup_disk": true, "removable": false,
             "network": false, "total": "500 GB", "used": "380 GB", "free": "120 GB",
             "used_percent": 76, "purgeable": "20.0 GB"},
            {"name": "share", "path": "/mnt/share", "startup_disk": false, "removable": false,
             "network": true, "total": "0 B", "used": "0 B", "free": "0 B",
             "used_percent": 0, "purgeable": "0 B"},
            {"name": "STICK \ufffd", "path": "/media/user/STICK", "startup_disk": false,
             "removable": true, "network": false, "total": "64.0 GB", "used": "24.0 GB",
             "free": "40.0 GB", "used_percent": 37.5, "purgeable": "0 B"}
        ],
        "read_per_second": "1.0 MB/s", "write_per_second": "0 B/s"
    })js"));
}

TEST(McpDevicesAnswer, DeviceObjects) {
    ConnectedDevice untrusted;
    untrusted.id = QStringLiteral("00008110-000A");
    untrusted.connection = ConnectedDevice::Connection::wifi;
    untrusted.name = QStringLiteral("Phone");
    EXPECT_EQ(canonical(MCPServer::device(untrusted)), canonical(R"js({
        "name": "Phone", "trusted": false, "connection": "Wi-Fi",
        "note": "Unlock the device and trust this computer to read battery and storage."})js"));

    ConnectedDevice tablet;
    tablet.id = QStringLiteral("00008110-000B");
    tablet.trusted = true;
    tablet.productType = QStringLiteral("Test1,1"); // a code without a marketing name
    tablet.deviceClass = QStringLiteral("iPad");
    tablet.osVersion = QStringLiteral("17.5");
    tablet.batteryLevel = 76;
    tablet.isCharging = true;
    tablet.storageFree = 64'000'000'000;
    tablet.storageTotal = 256'000'000'000;
    tablet.battery = DeviceBattery{};
    tablet.battery->cycleCount = 88;
    tablet.battery->designCapacity = 8000;
    tablet.battery->maxCapacity = 8400; // 105 % by capacity: limited to 100
    EXPECT_EQ(canonical(MCPServer::device(tablet)), canonical(R"js({
        "name": "Test1,1", "trusted": true, "connection": "USB", "model": "Test1,1",
        "software": "iPadOS 17.5", "battery_percent": 76, "charging": true,
        "storage_free": "64.0 GB", "storage_total": "256 GB", "battery_health_percent": 100,
        "battery_cycle_count": 88, "battery_design_capacity_mah": 8000,
        "battery_max_capacity_mah": 8400})js"));

    ConnectedDevice phone = tablet;
    phone.deviceClass = QStringLiteral("iPhone");
    phone.battery->reportedHealth = 91; // the device's own figure wins
    QJsonObject object = MCPServer::device(phone);
    EXPECT_EQ(object.value("software"), "iOS 17.5");
    EXPECT_EQ(object.value("battery_health_percent"), 91);

    phone.battery = DeviceBattery{}; // a battery with nothing to tell
    object = MCPServer::device(phone);
    for (const char* key : {"battery_health_percent", "battery_cycle_count",
                            "battery_design_capacity_mah", "battery_max_capacity_mah"})
        EXPECT_FALSE(object.contains(QLatin1StringView(key))) << key;
}

TEST(McpDevicesAnswer, NoDevicesIsAnEmptyList) {
    McpTestServer f;
    EXPECT_EQ(canonical(f.answer("get_connected_devices")), canonical(R"js({"devices": []})js"));
    EXPECT_FALSE(f.answer("get_overview").contains("connected_devices"));
}

} // namespace
