// The answers of "get_network" and "get_disks", and the device object that
// "get_connected_devices" and the overview share.

#include "agents/IsoTime.h"
#include "agents/MCPServer.h"
#include "agents/McpNumbers.h"
#include "agents/McpText.h"
#include "base/Fmt.h"
#include "base/Numbers.h"
#include "monitors/SpeedTest.h"
#include "services/ConnectedDevice.h"

#include <algorithm>
#include <cmath>

namespace morvanex {
namespace {

using mcp::r;

QJsonArray texts(const QStringList& list) {
    QJsonArray out;
    for (const QString& item : list)
        out.append(mcp::text(item));
    return out;
}

QJsonObject interfaceObject(const InterfaceInfo& interface) {
    return QJsonObject{{"name", mcp::text(interface.displayName)},
                       {"bsd_name", mcp::text(interface.bsdName)},
                       {"ipv4", texts(interface.ipv4)},
                       {"download_per_second", Fmt::rate(interface.download, false)},
                       {"upload_per_second", Fmt::rate(interface.upload, false)}};
}

QJsonObject wifiObject(const WiFiInfo& wifi) {
    return QJsonObject{
        {"network", wifi.ssid ? mcp::text(*wifi.ssid)
                              : QStringLiteral("(hidden: Location permission needed)")},
        {"signal_dbm", wifi.rssi},
        {"noise_dbm", wifi.noise},
        {"snr", qint64(wifi.rssi) - qint64(wifi.noise)},
        {"channel", wifi.channel ? QJsonValue(*wifi.channel) : QJsonValue(QJsonValue::Null)},
        {"band", wifi.band ? QJsonValue(*wifi.band) : QJsonValue(QJsonValue::Null)},
        {"tx_rate_mbps", qint64(mcp::wholeOrZero(wifi.transmitRate))},
        {"standard", wifi.phyMode},
        {"security", wifi.security}};
}

QJsonObject speedTestObject(const SpeedTestResult& result, const QTimeZone& zone) {
    QJsonObject test{{"time", isoTime(result.date, zone)},
                     {"download", Fmt::rate(result.download, true)},
                     {"upload", Fmt::rate(result.upload, true)}};
    // A responsiveness without a whole-number form (not finite, beyond range) is left out like
    // a missing one, and so is a latency that has none.
    if (result.responsiveness) {
        const double rpm = *result.responsiveness;
        if (const auto whole = numbers::truncatedInt64(rpm))
            test.insert("responsiveness_rpm", qint64(*whole));
        if (rpm > 0) {
            if (const auto latency = numbers::truncatedInt64(60000 / rpm))
                test.insert("latency_under_load_ms", qint64(*latency));
        }
    }
    return test;
}

// The mount point as a plain path: no trailing slash except on the root itself.
QString volumePath(const QUrl& url) {
    QString path = url.toLocalFile();
    while (path.size() > 1 && path.endsWith(QLatin1Char('/')))
        path.chop(1);
    return path;
}

QJsonObject volumeObject(const DiskMonitor::Volume& volume) {
    return QJsonObject{
        {"name", mcp::text(volume.name)},
        {"path", mcp::text(volumePath(volume.url))},
        {"startup_disk", volume.isRoot},
        {"removable", volume.isRemovable},
        {"network", !volume.isLocal},
        {"total", Fmt::bytes(volume.total, 1000)},
        {"used", Fmt::bytes(volume.used(), 1000)},
        {"free", Fmt::bytes(volume.availableImportant, 1000)},
        {"used_percent", r(volume.usedPercent())},
        {"purgeable",
         Fmt::bytes(std::max(volume.availableImportant - volume.available, 0.0), 1000)}};
}

} // namespace

QJsonObject MCPServer::network() const {
    const NetworkMonitor& network = hub.network;
    QJsonArray interfaces;
    for (const InterfaceInfo& interface : network.interfaces)
        interfaces.append(interfaceObject(interface));
    QJsonObject answer{{"download_per_second", Fmt::rate(network.download, false)},
                       {"upload_per_second", Fmt::rate(network.upload, false)},
                       {"internet", internet(network.internetReachable)},
                       {"dns", texts(network.dns)},
                       {"vpn_interfaces", texts(network.vpnInterfaces)},
                       {"interfaces", interfaces}};
    if (network.primaryInterface)
        answer.insert("primary_interface", mcp::text(*network.primaryInterface));
    if (network.publicIP)
        answer.insert("public_ip", mcp::text(*network.publicIP));
    if (network.router)
        answer.insert("router", mcp::text(*network.router));
    if (network.pingMs)
        answer.insert("ping_ms", r(*network.pingMs));
    // A signal of 0 means the interface is not associated with any network.
    if (network.wifi && network.wifi->rssi != 0)
        answer.insert("wifi", wifiObject(*network.wifi));

    // What the tray application saved, read afresh: this process never runs a test itself.
    const SpeedTest saved(sources_.defaults);
    if (saved.results.empty()) {
        answer.insert("speed_tests",
                      QStringLiteral("None yet. Run one from Morvanex's Network dropdown."));
    } else {
        const QTimeZone zone = currentTimeZone();
        QJsonArray tests;
        for (const SpeedTestResult& result : saved.results)
            tests.append(speedTestObject(result, zone));
        answer.insert("speed_tests", tests);
    }
    return answer;
}

QJsonObject MCPServer::disks() const {
    QJsonArray volumes;
    for (const DiskMonitor::Volume& volume : hub.disks.volumes)
        volumes.append(volumeObject(volume));
    return QJsonObject{{"volumes", volumes},
                       {"read_per_second", Fmt::rate(hub.disks.readRate, false)},
                       {"write_per_second", Fmt::rate(hub.disks.writeRate, false)}};
}

QJsonObject MCPServer::device(const ConnectedDevice& device) {
    QJsonObject object{{"name", mcp::text(device.displayName())},
                       {"trusted", device.trusted},
                       {"connection", device.connection == ConnectedDevice::Connection::wifi
                                          ? QStringLiteral("Wi-Fi")
                                          : QStringLiteral("USB")}};
    if (const auto model = device.modelName())
        object.insert("model", mcp::text(*model));
    if (device.osVersion) {
        const bool iPad = device.deviceClass == QStringLiteral("iPad");
        object.insert("software", (iPad ? QStringLiteral("iPadOS ") : QStringLiteral("iOS ")) +
                                      mcp::text(*device.osVersion));
    }
    if (device.batteryLevel)
        object.insert("battery_percent", qint64(*device.batteryLevel));
    if (device.isCharging)
        object.insert("charging", *device.isCharging);
    if (device.storageFree)
        object.insert("storage_free", Fmt::bytes(double(*device.storageFree), 1000));
    if (device.storageTotal)
        object.insert("storage_total", Fmt::bytes(double(*device.storageTotal), 1000));
    if (const auto& battery = device.battery) {
        // The battery's own health figure wins; the capacity ratio stands in, at most 100.
        if (battery->reportedHealth) {
            object.insert("battery_health_percent", r(double(*battery->reportedHealth)));
        } else if (battery->maxCapacity && battery->designCapacity &&
                   *battery->designCapacity >= 1) {
            object.insert(
                "battery_health_percent",
                r(std::min(double(*battery->maxCapacity) / double(*battery->designCapacity) * 100,
                           100.0)));
        }
        if (battery->cycleCount)
            object.insert("battery_cycle_count", qint64(*battery->cycleCount));
        if (battery->designCapacity)
            object.insert("battery_design_capacity_mah", qint64(*battery->designCapacity));
        if (battery->maxCapacity)
            object.insert("battery_max_capacity_mah", qint64(*battery->maxCapacity));
    }
    if (!device.trusted) {
        object.insert("note",
                      QStringLiteral("Unlock the device and trust this computer to read battery "
                                     "and storage."));
    }
    return object;
}

} // namespace morvanex
