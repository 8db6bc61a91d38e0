#include "services/MobileDevice.h"

#include "services/ConnectedDevice.h"
#include "services/DeviceBattery.h"
#include "services/MobileDeviceFake.h"

#include <QDir>
#include <gtest/gtest.h>

using namespace morvanex;
using platform::MobileDeviceAPI;
using platform::MobileDeviceHandle;
using test::FakeDevice;
using test::FakeMobileDeviceLibrary;

namespace {

const MobileDeviceHandle usbA{QStringLiteral("A"), false};

// A device that trusts this computer and answers every value the reader asks for.
FakeDevice trustedPhone() {
    FakeDevice device;
    device.identifier = QStringLiteral("00008110-000A");
    device.values = {
        {QStringLiteral("/DeviceClass"), QStringLiteral("iPhone")},
        {QStringLiteral("/ProductType"), QStringLiteral("iPhone15,2")},
        {QStringLiteral("/ProductVersion"), QStringLiteral("17.2")},
        {QStringLiteral("/DeviceName"), QStringLiteral("Ada's iPhone")},
        {QStringLiteral("com.apple.mobile.battery/BatteryCurrentCapacity"), qint64(81)},
        {QStringLiteral("com.apple.mobile.battery/BatteryIsCharging"), true},
        {QStringLiteral("com.apple.mobile.battery/FullyCharged"), false},
        {QStringLiteral("com.apple.disk_usage/TotalDiskCapacity"), qint64(256'000'000'000)},
        {QStringLiteral("com.apple.disk_usage/TotalDataAvailable"), qint64(100'500'000'000)},
        {QStringLiteral("com.apple.disk_usage/TotalDataCapacity"), qint64(240'000'000'000)},
        {QStringLiteral("/ModelNumber"), QStringLiteral("MQ0T3")},
        {QStringLiteral("/RegionInfo"), QStringLiteral("ZD/A")},
        {QStringLiteral("/BuildVersion"), QStringLiteral("21C62")},
        {QStringLiteral("/SerialNumber"), QStringLiteral("F2LX1234")},
    };
    device.reply = QVariantMap{
        {QStringLiteral("Status"), QStringLiteral("Success")},
        {QStringLiteral("Diagnostics"),
         QVariantMap{{QStringLiteral("IORegistry"),
                      QVariantMap{{QStringLiteral("CycleCount"), qint64(412)},
                                  {QStringLiteral("DesignCapacity"), qint64(3200)},
                                  {QStringLiteral("NominalChargeCapacity"), qint64(2900)}}}}}};
    return device;
}

std::optional<ConnectedDevice> readA(FakeMobileDeviceLibrary& library, bool withService = true) {
    return mobiledevice::readDevice(usbA, ConnectedDevice::Connection::usb,
                                    library.api(withService));
}

} // namespace

TEST(MobileDeviceRead, TrustedDeviceGivesEveryValueInTheSessionOrder) {
    FakeMobileDeviceLibrary library;
    library.setDevice(usbA, trustedPhone());
    const auto device = readA(library);
    ASSERT_TRUE(device);
    EXPECT_EQ(device->id, QStringLiteral("00008110-000A"));
    EXPECT_EQ(device->connection, ConnectedDevice::Connection::usb);
    EXPECT_TRUE(device->trusted);
    EXPECT_EQ(device->deviceClass, QStringLiteral("iPhone"));
    EXPECT_EQ(device->productType, QStringLiteral("iPhone15,2"));
    EXPECT_EQ(device->osVersion, QStringLiteral("17.2"));
    EXPECT_EQ(device->name, QStringLiteral("Ada's iPhone"));
    EXPECT_EQ(device->batteryLevel, 81);
    EXPECT_EQ(device->isCharging, true);
    EXPECT_EQ(device->fullyCharged, false);
    EXPECT_EQ(device->storageTotal, 256'000'000'000);
    EXPECT_EQ(device->storageFree, 100'500'000'000);
    EXPECT_EQ(device->dataCapacity, 240'000'000'000);
    EXPECT_EQ(device->modelNumber, QStringLiteral("MQ0T3ZD/A"));
    EXPECT_EQ(device->buildVersion, QStringLiteral("21C62"));
    EXPECT_EQ(device->serialNumber, QStringLiteral("F2LX1234"));
    ASSERT_TRUE(device->battery);
    EXPECT_EQ(device->battery->cycleCount, 412);
    EXPECT_EQ(device->battery->designCapacity, 3200);
    EXPECT_EQ(device->battery->maxCapacity, 2900);

    const QStringList expected = {
        "copyIdentifier A",
        "connect A",
        "copyValue A /DeviceClass",
        "copyValue A /ProductType",
        "copyValue A /ProductVersion",
        "isPaired A",
        "validatePairing A",
        "startSession A",
        "copyValue A /DeviceName",
        "copyValue A com.apple.mobile.battery/BatteryCurrentCapacity",
        "copyValue A com.apple.mobile.battery/BatteryIsCharging",
        "copyValue A com.apple.mobile.battery/FullyCharged",
        "copyValue A com.apple.disk_usage/TotalDiskCapacity",
        "copyValue A com.apple.disk_usage/TotalDataAvailable",
        "copyValue A com.apple.disk_usage/TotalDataCapacity",
        "copyValue A /ModelNumber",
        "copyValue A /RegionInfo",
        "copyValue A /BuildVersion",
        "copyValue A /SerialNumber",
        "startService A com.apple.mobile.diagnostics_relay",
        "sendMessage A IORegistry 100",
        "receiveMessage A",
        "sendMessage A Goodbye 100",
        "invalidate A",
        "stopSession A",
        "disconnect A",
    };
    EXPECT_EQ(library.calls(), expected);
    ASSERT_EQ(library.sent().size(), 2u);
    EXPECT_EQ(library.sent()[0].toMap(),
              (QVariantMap{{QStringLiteral("Request"), QStringLiteral("IORegistry")},
                           {QStringLiteral("EntryClass"), QStringLiteral("IOPMPowerSource")}}));
}

TEST(MobileDeviceRead, DeviceWithoutIdentifierIsLeftOut) {
    FakeMobileDeviceLibrary library;
    FakeDevice device = trustedPhone();
    device.identifier.reset();
    library.setDevice(usbA, device);
    EXPECT_FALSE(readA(library));
    EXPECT_EQ(library.calls(), QStringList{"copyIdentifier A"});
}

TEST(MobileDeviceRead, UnreachableDeviceIsListedUntrustedWithItsIdentifierOnly) {
    FakeMobileDeviceLibrary library;
    FakeDevice device = trustedPhone();
    device.connectResult = -3;
    library.setDevice(usbA, device);
    const auto read =
        mobiledevice::readDevice(usbA, ConnectedDevice::Connection::wifi, library.api());
    ASSERT_TRUE(read);
    ConnectedDevice expected;
    expected.id = QStringLiteral("00008110-000A");
    expected.connection = ConnectedDevice::Connection::wifi;
    EXPECT_EQ(*read, expected);
    EXPECT_EQ(library.count("disconnect"), 0);
}

// Each refusal stops the trust test where it happens: the device keeps the values it gave
// without a session, is disconnected once and no session is stopped.
TEST(MobileDeviceRead, RefusedTrustKeepsTheIdentityAndDisconnectsOnce) {
    struct Case {
        const char* what;
        int paired;
        int validate;
        int session;
        const char* lastTrustCall;
    };
    const Case cases[] = {
        {"not paired", 0, 0, 0, "isPaired A"},
        {"paired elsewhere", 1, -4, 0, "validatePairing A"},
        {"session refused", 1, 0, -15, "startSession A"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        FakeMobileDeviceLibrary library;
        FakeDevice device = trustedPhone();
        device.pairedResult = c.paired;
        device.validateResult = c.validate;
        device.sessionResult = c.session;
        library.setDevice(usbA, device);
        const auto read = readA(library);
        ASSERT_TRUE(read);
        EXPECT_FALSE(read->trusted);
        EXPECT_EQ(read->deviceClass, QStringLiteral("iPhone"));
        EXPECT_EQ(read->productType, QStringLiteral("iPhone15,2"));
        EXPECT_EQ(read->osVersion, QStringLiteral("17.2"));
        EXPECT_FALSE(read->name);
        EXPECT_FALSE(read->batteryLevel);
        EXPECT_FALSE(read->battery);
        EXPECT_EQ(library.count("stopSession"), 0);
        EXPECT_EQ(library.count("disconnect"), 1);
        const QStringList calls = library.calls();
        EXPECT_EQ(calls.at(calls.size() - 2), QString::fromLatin1(c.lastTrustCall));
        EXPECT_EQ(calls.back(), QStringLiteral("disconnect A"));
    }
}

TEST(MobileDeviceRead, ModelNumberTakesTheRegionOnlyWhenItHasOne) {
    struct Case {
        QVariant model;
        QVariant region;
        std::optional<QString> expected;
    };
    const Case cases[] = {
        {QStringLiteral("MQ0T3"), QStringLiteral("ZD/A"), QStringLiteral("MQ0T3ZD/A")},
        {QStringLiteral("MQ0T3"), QVariant(), QStringLiteral("MQ0T3")},
        {QVariant(), QStringLiteral("ZD/A"), std::nullopt},
        {qint64(5), QStringLiteral("ZD/A"), std::nullopt},
    };
    for (const Case& c : cases) {
        FakeMobileDeviceLibrary library;
        FakeDevice device = trustedPhone();
        device.values.insert(QStringLiteral("/ModelNumber"), c.model);
        device.values.insert(QStringLiteral("/RegionInfo"), c.region);
        library.setDevice(usbA, device);
        EXPECT_EQ(readA(library)->modelNumber, c.expected) << c.model.toString().toStdString();
    }
}

TEST(MobileDeviceRead, ValuesOfTheWrongTypeLeaveOnlyTheirOwnField) {
    FakeMobileDeviceLibrary library;
    FakeDevice device = trustedPhone();
    device.values.insert(QStringLiteral("com.apple.mobile.battery/BatteryCurrentCapacity"),
                         QStringLiteral("81"));
    device.values.insert(QStringLiteral("/DeviceName"), qint64(7));
    device.values.insert(QStringLiteral("com.apple.disk_usage/TotalDiskCapacity"), QVariantMap{});
    // Booleans and reals are numbers too.
    device.values.insert(QStringLiteral("com.apple.mobile.battery/FullyCharged"), qint64(1));
    device.values.insert(QStringLiteral("com.apple.disk_usage/TotalDataAvailable"), 2.5e9);
    library.setDevice(usbA, device);
    const auto read = readA(library);
    ASSERT_TRUE(read);
    EXPECT_FALSE(read->batteryLevel);
    EXPECT_FALSE(read->name);
    EXPECT_FALSE(read->storageTotal);
    EXPECT_EQ(read->fullyCharged, true);
    EXPECT_EQ(read->storageFree, 2'500'000'000);
    EXPECT_EQ(read->isCharging, true);
    EXPECT_EQ(read->dataCapacity, 240'000'000'000);
    EXPECT_EQ(read->serialNumber, QStringLiteral("F2LX1234"));
}

TEST(MobileDeviceBatteryRegistry, WithoutServiceFunctionsTheDeviceIsNotTouched) {
    FakeMobileDeviceLibrary library;
    library.setDevice(usbA, trustedPhone());
    EXPECT_FALSE(mobiledevice::batteryRegistry(library.api(false), usbA));
    EXPECT_TRUE(library.calls().isEmpty());
    // The rest of the read goes on without battery details.
    const auto read = readA(library, false);
    ASSERT_TRUE(read);
    EXPECT_TRUE(read->trusted);
    EXPECT_FALSE(read->battery);
    EXPECT_EQ(read->batteryLevel, 81);
}

TEST(MobileDeviceBatteryRegistry, ServiceThatDoesNotStartSendsNothing) {
    for (const bool givesConnection : {true, false}) {
        FakeMobileDeviceLibrary library;
        FakeDevice device = trustedPhone();
        device.startServiceResult = givesConnection ? -7 : 0;
        device.serviceGivesConnection = givesConnection;
        library.setDevice(usbA, device);
        EXPECT_FALSE(mobiledevice::batteryRegistry(library.api(), usbA));
        EXPECT_EQ(library.calls(),
                  QStringList{"startService A com.apple.mobile.diagnostics_relay"});
    }
}

TEST(MobileDeviceBatteryRegistry, FailedRequestStillSaysGoodbyeAndCloses) {
    FakeMobileDeviceLibrary library;
    FakeDevice device = trustedPhone();
    device.sendResult = -3;
    library.setDevice(usbA, device);
    EXPECT_FALSE(mobiledevice::batteryRegistry(library.api(), usbA));
    const QStringList expected = {"startService A com.apple.mobile.diagnostics_relay",
                                  "sendMessage A IORegistry 100", "sendMessage A Goodbye 100",
                                  "invalidate A"};
    EXPECT_EQ(library.calls(), expected);
}

TEST(MobileDeviceBatteryRegistry, AnswerIsTheRegistryDictionaryOfAGoodReply) {
    const QVariantMap registry{{QStringLiteral("CycleCount"), qint64(3)}};
    const auto wrap = [](const QVariant& diagnostics) {
        return QVariant(QVariantMap{{QStringLiteral("Diagnostics"), diagnostics}});
    };
    struct Case {
        const char* what;
        int receiveResult;
        QVariant reply;
        bool answers;
    };
    const Case cases[] = {
        {"good reply", 0, wrap(QVariantMap{{QStringLiteral("IORegistry"), registry}}), true},
        {"receive failed", -5, wrap(QVariantMap{{QStringLiteral("IORegistry"), registry}}), false},
        {"no reply", 0, QVariant(), false},
        {"reply not a dictionary", 0, QVariantList{}, false},
        {"diagnostics not a dictionary", 0, wrap(QStringLiteral("x")), false},
        {"no registry", 0, wrap(QVariantMap{}), false},
        {"registry not a dictionary", 0,
         wrap(QVariantMap{{QStringLiteral("IORegistry"), QVariantList{}}}), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        FakeMobileDeviceLibrary library;
        FakeDevice device = trustedPhone();
        device.receiveResult = c.receiveResult;
        device.reply = c.reply;
        library.setDevice(usbA, device);
        const auto answer = mobiledevice::batteryRegistry(library.api(), usbA);
        EXPECT_EQ(answer.has_value(), c.answers);
        if (answer) {
            EXPECT_EQ(*answer, registry);
        }
        EXPECT_EQ(library.calls().back(), QStringLiteral("invalidate A"));
        EXPECT_EQ(library.count("sendMessage A Goodbye"), 1);
    }
}

TEST(DeviceBatteryRegistry, FieldsTakeTheFirstNumberOfTheirSources) {
    const QVariantMap registry{
        {QStringLiteral("CycleCount"), QStringLiteral("12")}, // not a number: next source
        {QStringLiteral("AppleRawMaxCapacity"), qint64(2800)},
        {QStringLiteral("AppleRawCurrentCapacity"), qint64(1500)},
        {QStringLiteral("MaximumCapacityPercent"), qint64(88)},
        {QStringLiteral("Temperature"), qint64(3150)},
        {QStringLiteral("AppleRawBatteryVoltage"), qint64(3912)},
        {QStringLiteral("InstantAmperage"), qint64(-412)},
        {QStringLiteral("BatteryData"),
         QVariantMap{{QStringLiteral("CycleCount"), qint64(77)},
                     {QStringLiteral("DesignCapacity"), qint64(3227)},
                     {QStringLiteral("FullChargeCapacity"), qint64(2700)},
                     {QStringLiteral("MaximumCapacityPercent"), qint64(91)},
                     {QStringLiteral("RemainingCapacity"), qint64(1400)}}},
    };
    const auto battery = DeviceBattery::fromRegistry(registry);
    ASSERT_TRUE(battery);
    EXPECT_EQ(battery->cycleCount, 77);
    EXPECT_EQ(battery->designCapacity, 3227);
    EXPECT_EQ(battery->maxCapacity, 2800);
    EXPECT_EQ(battery->currentCharge, 1500);
    EXPECT_EQ(battery->reportedHealth, 91); // the battery data's figure comes first
    EXPECT_DOUBLE_EQ(*battery->temperature, 31.5);
    EXPECT_DOUBLE_EQ(*battery->voltage, 3.912);
    EXPECT_DOUBLE_EQ(*battery->amperage, -0.412);
    EXPECT_FALSE(battery->adapterWatts);
}

TEST(DeviceBatteryRegistry, AdapterWattsFromItsOwnFigureOrWhileConnected) {
    const QVariantMap base{{QStringLiteral("CycleCount"), qint64(1)}};
    struct Case {
        const char* what;
        QVariantMap adapter;
        QVariant externalConnected;
        std::optional<std::int64_t> watts;
    };
    const Case cases[] = {
        {"own figure, charger away", {{QStringLiteral("Watts"), qint64(20)}}, qint64(0), 20},
        {"volts times amperes",
         {{QStringLiteral("AdapterVoltage"), qint64(9000)},
          {QStringLiteral("Current"), qint64(2220)}},
         qint64(1),
         20},
        {"connected as a boolean",
         {{QStringLiteral("AdapterVoltage"), qint64(5000)},
          {QStringLiteral("Current"), qint64(2100)}},
         true,
         11}, // 10.5 rounds away from zero
        {"charger not connected",
         {{QStringLiteral("AdapterVoltage"), qint64(9000)},
          {QStringLiteral("Current"), qint64(2220)}},
         qint64(0),
         std::nullopt},
        {"current missing",
         {{QStringLiteral("AdapterVoltage"), qint64(9000)}},
         qint64(1),
         std::nullopt},
        {"product beyond any integer",
         {{QStringLiteral("AdapterVoltage"), qint64(4'000'000'000'000'000'000)},
          {QStringLiteral("Current"), qint64(4'000'000'000'000'000'000)}},
         qint64(1),
         std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        QVariantMap registry = base;
        registry.insert(QStringLiteral("AdapterDetails"), c.adapter);
        registry.insert(QStringLiteral("ExternalConnected"), c.externalConnected);
        const auto battery = DeviceBattery::fromRegistry(registry);
        ASSERT_TRUE(battery);
        EXPECT_EQ(battery->adapterWatts, c.watts);
    }
}

TEST(DeviceBatteryRegistry, WithoutAnyCapacityThereAreNoDetails) {
    EXPECT_FALSE(DeviceBattery::fromRegistry({{QStringLiteral("Temperature"), qint64(3150)}}));
    EXPECT_FALSE(DeviceBattery::fromRegistry(
        {{QStringLiteral("CycleCount"), QStringLiteral("5")},
         {QStringLiteral("BatteryData"), QStringLiteral("not a dictionary")}}));
    EXPECT_TRUE(DeviceBattery::fromRegistry(
        {{QStringLiteral("BatteryData"),
          QVariantMap{{QStringLiteral("FullChargeCapacity"), qint64(2000)}}}}));
}

TEST(ConnectedDeviceNames, DisplayNameModelNameAndSymbol) {
    struct Case {
        std::optional<QString> name;
        std::optional<QString> productType;
        std::optional<QString> deviceClass;
        QString displayName;
        std::optional<QString> modelName;
        QString symbol;
    };
    const Case cases[] = {
        {"Ada's iPad", "iPad13,18", "iPad", "Ada's iPad", "iPad (10th generation)", "ipad"},
        {std::nullopt, "iPhone15,2", "iPhone", "iPhone 14 Pro", "iPhone 14 Pro", "iphone"},
        {std::nullopt, "iPhone99,9", "iPhone", "iPhone99,9", "iPhone99,9", "iphone"},
        {std::nullopt, std::nullopt, "iPod", "iPod", std::nullopt, "ipodtouch"},
        {std::nullopt, std::nullopt, std::nullopt, "iPhone", std::nullopt, "iphone"},
        {QString(), std::nullopt, "Watch", "Watch", std::nullopt, "iphone"},
    };
    for (const Case& c : cases) {
        ConnectedDevice device;
        device.name = c.name;
        device.productType = c.productType;
        device.deviceClass = c.deviceClass;
        EXPECT_EQ(device.displayName(), c.displayName);
        EXPECT_EQ(device.modelName(), c.modelName);
        EXPECT_EQ(device.symbol(), c.symbol);
    }
}

TEST(MobileDeviceLibrary, MissingLibraryGivesNoTable) {
    EXPECT_FALSE(MobileDeviceAPI::load({QDir::tempPath() + "/no-such-dir/libimobiledevice.so.6"}));
    // A library that loads but lacks the device functions.
    EXPECT_FALSE(MobileDeviceAPI::load({QStringLiteral("libc.so.6")}));
}

TEST(MobileDeviceLibrary, RequiredAndOptionalFunctions) {
    const auto lookupWithout = [](std::vector<std::string> missing) {
        return [missing](const char* name) -> void* {
            for (const std::string& m : missing)
                if (m == name)
                    return nullptr;
            static char stand_in;
            return &stand_in; // never called
        };
    };
    const auto full = MobileDeviceAPI::resolve(lookupWithout({}), nullptr);
    ASSERT_TRUE(full);
    EXPECT_TRUE(full->subscribe && full->copyValue && full->startService && full->sendMessage &&
                full->receiveMessage && full->invalidate);

    EXPECT_FALSE(MobileDeviceAPI::resolve(lookupWithout({"lockdownd_get_value"}), nullptr));
    EXPECT_FALSE(MobileDeviceAPI::resolve(lookupWithout({"usbmuxd_read_pair_record"}), nullptr));

    const auto noClose =
        MobileDeviceAPI::resolve(lookupWithout({"property_list_service_client_free"}), nullptr);
    ASSERT_TRUE(noClose);
    EXPECT_FALSE(noClose->invalidate);
    EXPECT_FALSE(noClose->startService);
    EXPECT_TRUE(noClose->copyValue);
    // Battery requests on such a table answer nothing without touching the device.
    EXPECT_FALSE(mobiledevice::batteryRegistry(*noClose, MobileDeviceHandle{"A", false}));
}

TEST(MobileDeviceLibrary, InstalledLibraryProvidesEveryFunction) {
    const auto api = MobileDeviceAPI::load();
    if (!api)
        GTEST_SKIP() << "libimobiledevice is not installed";
    EXPECT_TRUE(api->startService && api->sendMessage && api->receiveMessage && api->invalidate);
    // No device is connected through the table: device calls fail cleanly.
    const MobileDeviceHandle nobody{QStringLiteral("0000-none"), false};
    EXPECT_EQ(api->copyIdentifier(nobody), QStringLiteral("0000-none"));
    EXPECT_EQ(api->interfaceType(MobileDeviceHandle{"x", true}), MobileDeviceAPI::networkInterface);
    EXPECT_FALSE(api->copyValue(nobody, QString(), QStringLiteral("DeviceName")).isValid());
    EXPECT_NE(api->startSession(nobody), 0);
    EXPECT_NE(api->disconnect(nobody), 0);

    // One subscription per process: a second waits until the first is gone.
    MobileDeviceAPI::Subscription first =
        api->subscribe([](const MobileDeviceHandle&, unsigned) {});
    ASSERT_TRUE(first);
    EXPECT_FALSE(api->subscribe([](const MobileDeviceHandle&, unsigned) {}));
    first.reset();
    EXPECT_TRUE(api->subscribe([](const MobileDeviceHandle&, unsigned) {}));
}
