#include "services/MobileDevice.h"

#include "services/DeviceValues.h"

namespace morvanex::mobiledevice {

namespace {

using platform::MobileDeviceAPI;
using platform::MobileDeviceHandle;

const QString batteryDomain = QStringLiteral("com.apple.mobile.battery");
const QString diskDomain = QStringLiteral("com.apple.disk_usage");
const QString diagnosticsService = QStringLiteral("com.apple.mobile.diagnostics_relay");

QVariant valueOf(const MobileDeviceAPI& api, const MobileDeviceHandle& device,
                 const QString& domain, const char* key) {
    return api.copyValue(device, domain, QString::fromLatin1(key));
}

std::optional<QString> textOf(const MobileDeviceAPI& api, const MobileDeviceHandle& device,
                              const char* key) {
    return devicevalues::text(valueOf(api, device, QString(), key));
}

// What a device tells before any session: its class, model code and system version.
void readIdentity(const MobileDeviceAPI& api, const MobileDeviceHandle& device,
                  ConnectedDevice& record) {
    record.deviceClass = textOf(api, device, "DeviceClass");
    record.productType = textOf(api, device, "ProductType");
    record.osVersion = textOf(api, device, "ProductVersion");
}

// What a device tells inside a session, in the order it is asked.
void readSessionValues(const MobileDeviceAPI& api, const MobileDeviceHandle& device,
                       ConnectedDevice& record) {
    record.name = textOf(api, device, "DeviceName");
    record.batteryLevel =
        devicevalues::integer(valueOf(api, device, batteryDomain, "BatteryCurrentCapacity"));
    record.isCharging =
        devicevalues::boolean(valueOf(api, device, batteryDomain, "BatteryIsCharging"));
    record.fullyCharged =
        devicevalues::boolean(valueOf(api, device, batteryDomain, "FullyCharged"));
    record.storageTotal =
        devicevalues::integer(valueOf(api, device, diskDomain, "TotalDiskCapacity"));
    record.storageFree =
        devicevalues::integer(valueOf(api, device, diskDomain, "TotalDataAvailable"));
    record.dataCapacity =
        devicevalues::integer(valueOf(api, device, diskDomain, "TotalDataCapacity"));
    const std::optional<QString> modelNumber = textOf(api, device, "ModelNumber");
    const std::optional<QString> region = textOf(api, device, "RegionInfo");
    if (modelNumber)
        record.modelNumber = *modelNumber + region.value_or(QString());
    record.buildVersion = textOf(api, device, "BuildVersion");
    record.serialNumber = textOf(api, device, "SerialNumber");
}

bool trusts(const MobileDeviceAPI& api, const MobileDeviceHandle& device) {
    return api.isPaired(device) == 1 && api.validatePairing(device) == 0 &&
           api.startSession(device) == 0;
}

QVariantMap request(const char* name) {
    return {{QStringLiteral("Request"), QString::fromLatin1(name)}};
}

// The dictionary under "Diagnostics" then "IORegistry" of a relay reply.
std::optional<QVariantMap> registryOf(const QVariant& reply) {
    if (reply.typeId() != QMetaType::QVariantMap)
        return std::nullopt;
    const QVariant diagnostics = reply.toMap().value(QStringLiteral("Diagnostics"));
    if (diagnostics.typeId() != QMetaType::QVariantMap)
        return std::nullopt;
    const QVariant registry = diagnostics.toMap().value(QStringLiteral("IORegistry"));
    if (registry.typeId() != QMetaType::QVariantMap)
        return std::nullopt;
    return registry.toMap();
}

} // namespace

std::optional<QVariantMap> batteryRegistry(const MobileDeviceAPI& api,
                                           const MobileDeviceHandle& device) {
    if (!api.startService || !api.sendMessage || !api.receiveMessage || !api.invalidate)
        return std::nullopt;
    MobileDeviceAPI::ServiceConnection connection;
    if (api.startService(device, diagnosticsService, connection) != 0 || !connection)
        return std::nullopt;

    std::optional<QVariantMap> answer;
    QVariantMap ask = request("IORegistry");
    ask.insert(QStringLiteral("EntryClass"), QStringLiteral("IOPMPowerSource"));
    if (api.sendMessage(connection, ask, MobileDeviceAPI::xmlFormat) == 0) {
        QVariant reply;
        if (api.receiveMessage(connection, reply) == 0)
            answer = registryOf(reply);
    }
    api.sendMessage(connection, request("Goodbye"), MobileDeviceAPI::xmlFormat);
    api.invalidate(connection);
    return answer; // the connection is released as it goes out of scope
}

std::optional<ConnectedDevice> readDevice(const MobileDeviceHandle& device,
                                          ConnectedDevice::Connection connection,
                                          const MobileDeviceAPI& api) {
    const std::optional<QString> identifier = api.copyIdentifier(device);
    if (!identifier)
        return std::nullopt;
    ConnectedDevice record;
    record.id = *identifier;
    record.connection = connection;
    record.trusted = false;

    if (api.connect(device) != 0)
        return record;
    readIdentity(api, device, record);
    if (!trusts(api, device)) {
        api.disconnect(device);
        return record;
    }
    record.trusted = true;
    readSessionValues(api, device, record);
    if (const std::optional<QVariantMap> registry = batteryRegistry(api, device))
        record.battery = DeviceBattery::fromRegistry(*registry);
    api.stopSession(device);
    api.disconnect(device);
    return record;
}

} // namespace morvanex::mobiledevice
