#include "services/DeviceMonitor.h"

#include "services/MobileDeviceFake.h"
#include "support/TestEnv.h"
#include "support/Wait.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <chrono>
#include <gtest/gtest.h>
#include <thread>

using namespace morvanex;
using platform::MobileDeviceAPI;
using platform::MobileDeviceHandle;
using test::FakeDevice;
using test::FakeMobileDeviceLibrary;

using morvanex::test::waitUntil;

namespace {

// Runs the main event loop until `condition` holds or a bound far beyond any expected wait.
// Lets every queued and posted item run: a refresh asked now has published once it returns.
void settle(DeviceMonitor& monitor) {
    waitUntil([&] { return !monitor.refreshing(); });
    QCoreApplication::processEvents();
}

FakeDevice phone(const QString& id, const QString& name, int battery = 50) {
    FakeDevice device;
    device.identifier = id;
    device.values = {
        {QStringLiteral("/DeviceClass"), QStringLiteral("iPhone")},
        {QStringLiteral("/ProductType"), QStringLiteral("iPhone14,5")},
        {QStringLiteral("/DeviceName"), name},
        {QStringLiteral("com.apple.mobile.battery/BatteryCurrentCapacity"), qint64(battery)},
        {QStringLiteral("com.apple.disk_usage/TotalDiskCapacity"), qint64(128'000'000'000)},
        {QStringLiteral("com.apple.disk_usage/TotalDataAvailable"), qint64(64'000'000'000)},
    };
    return device;
}

const QDateTime fixedNow = QDateTime(QDate(2024, 1, 15), QTime(7, 0), Qt::UTC);

platform::Clock fixedClock() {
    platform::Clock clock;
    clock.now = [] { return fixedNow; };
    return clock;
}

QStringList namesOf(const std::vector<ConnectedDevice>& devices) {
    QStringList names;
    for (const ConnectedDevice& device : devices)
        names.append(device.displayName());
    return names;
}

// A monitor over the fake, subscribed, counting its updates.
struct Rig {
    FakeMobileDeviceLibrary library;
    DeviceMonitor monitor{library.api(), fixedClock()};
    int updates = 0;

    Rig() {
        monitor.onUpdate = [this] { ++updates; };
        monitor.start();
    }
    void attach(const MobileDeviceHandle& handle, FakeDevice device) {
        library.setDevice(handle, std::move(device));
        ASSERT_TRUE(library.notify(handle, MobileDeviceAPI::deviceArrived));
    }
};

const MobileDeviceHandle usbA{QStringLiteral("A"), false};
const MobileDeviceHandle usbB{QStringLiteral("B"), false};
const MobileDeviceHandle wifiA{QStringLiteral("A"), true};
const MobileDeviceHandle wifiC{QStringLiteral("C"), true};

} // namespace

TEST(DeviceMonitor, StartsEmptyAndSubscribesOnce) {
    FakeMobileDeviceLibrary library;
    DeviceMonitor monitor(library.api(), fixedClock());
    EXPECT_TRUE(monitor.devices().empty());
    EXPECT_EQ(monitor.lastRefresh(), QDateTime(QDate(1, 1, 1), QTime(0, 0), Qt::UTC));
    EXPECT_FALSE(library.subscribed());
    monitor.start();
    monitor.start();
    EXPECT_EQ(library.subscriptions(), 1);
    EXPECT_TRUE(library.subscribed());
}

TEST(DeviceMonitor, AttachListsTheDeviceAndDetachRemovesIt) {
    Rig rig;
    rig.attach(usbA, phone(QStringLiteral("id-a"), QStringLiteral("Ada")));
    ASSERT_TRUE(waitUntil([&] { return rig.monitor.devices().size() == 1; }));
    const ConnectedDevice& device = rig.monitor.devices().front();
    EXPECT_EQ(device.id, QStringLiteral("id-a"));
    EXPECT_EQ(device.name, QStringLiteral("Ada"));
    EXPECT_TRUE(device.trusted);
    EXPECT_EQ(device.connection, ConnectedDevice::Connection::usb);
    EXPECT_EQ(device.batteryLevel, 50);
    EXPECT_EQ(device.storageTotal, 128'000'000'000);
    EXPECT_EQ(device.storageFree, 64'000'000'000);
    EXPECT_EQ(rig.monitor.lastRefresh(), fixedNow);
    EXPECT_EQ(rig.updates, 1);

    ASSERT_TRUE(rig.library.notify(usbA, MobileDeviceAPI::deviceRemoved));
    ASSERT_TRUE(waitUntil([&] { return rig.monitor.devices().empty(); }));
    EXPECT_EQ(rig.updates, 2);
}

TEST(DeviceMonitor, UntrustingDeviceIsListedUntrusted) {
    Rig rig;
    FakeDevice device = phone(QStringLiteral("id-a"), QStringLiteral("Ada"));
    device.pairedResult = 0;
    rig.attach(usbA, device);
    ASSERT_TRUE(waitUntil([&] { return rig.monitor.devices().size() == 1; }));
    const ConnectedDevice& listed = rig.monitor.devices().front();
    EXPECT_FALSE(listed.trusted);
    EXPECT_FALSE(listed.name);
    EXPECT_EQ(listed.displayName(), QStringLiteral("iPhone 13"));
}

TEST(DeviceMonitor, UnknownRemovalAndOtherMessagesAreIgnored) {
    Rig rig;
    ASSERT_TRUE(rig.library.notify(usbB, MobileDeviceAPI::deviceRemoved));
    ASSERT_TRUE(rig.library.notify(usbB, 3));
    // The queue handles messages in order: once this attach is listed, the two before it were
    // handled, and neither asked for a read.
    rig.attach(usbA, phone(QStringLiteral("id-a"), QStringLiteral("Ada")));
    ASSERT_TRUE(waitUntil([&] { return rig.monitor.devices().size() == 1; }));
    settle(rig.monitor);
    EXPECT_EQ(rig.library.count("copyIdentifier B"), 0);
    EXPECT_EQ(rig.updates, 1);
}

TEST(DeviceMonitor, DeviceOnUsbAndWifiIsListedOnceAsUsb) {
    for (const bool wifiFirst : {true, false}) {
        SCOPED_TRACE(wifiFirst ? "wifi attached first" : "usb attached first");
        Rig rig;
        const FakeDevice device = phone(QStringLiteral("id-a"), QStringLiteral("Ada"));
        rig.attach(wifiFirst ? wifiA : usbA, device);
        rig.attach(wifiFirst ? usbA : wifiA, device);
        ASSERT_TRUE(waitUntil([&] {
            return rig.library.count("copyIdentifier") >= 2 && !rig.monitor.refreshing() &&
                   rig.monitor.devices().size() == 1 &&
                   rig.monitor.devices().front().connection == ConnectedDevice::Connection::usb;
        }));
        settle(rig.monitor);
        ASSERT_EQ(rig.monitor.devices().size(), 1u);
        EXPECT_EQ(rig.monitor.devices().front().connection, ConnectedDevice::Connection::usb);
    }
}

TEST(DeviceMonitor, UsbComesFirstThenNamesInCodePointOrder) {
    Rig rig;
    rig.attach(wifiC, phone(QStringLiteral("id-c"), QStringLiteral("A on Wi-Fi")));
    rig.attach(usbA, phone(QStringLiteral("id-a"), QStringLiteral("b")));
    rig.attach(usbB, phone(QStringLiteral("id-b"), QStringLiteral("D")));
    ASSERT_TRUE(waitUntil([&] { return rig.monitor.devices().size() == 3; }));
    EXPECT_EQ(namesOf(rig.monitor.devices()), (QStringList{QStringLiteral("D"), QStringLiteral("b"),
                                                           QStringLiteral("A on Wi-Fi")}));
}

TEST(DeviceMonitor, SortComparesComposedText) {
    // "é" written composed and decomposed sorts the same: after "z" (U+00E9 > U+007A).
    std::vector<ConnectedDevice> devices(3);
    devices[0].id = "1";
    devices[0].name = QString::fromUtf8("e\xCC\x81tude"); // e + combining acute
    devices[1].id = "2";
    devices[1].name = QStringLiteral("zebra");
    devices[2].id = "3";
    devices[2].name = QStringLiteral("Zed");
    DeviceMonitor::sortDevices(devices);
    EXPECT_EQ(devices[0].id, "3");
    EXPECT_EQ(devices[1].id, "2");
    EXPECT_EQ(devices[2].id, "1");
}

TEST(DeviceMonitor, UnchangedReadingDoesNotPublish) {
    Rig rig;
    rig.attach(usbA, phone(QStringLiteral("id-a"), QStringLiteral("Ada")));
    ASSERT_TRUE(waitUntil([&] { return rig.updates == 1; }));
    settle(rig.monitor);
    rig.monitor.refresh();
    settle(rig.monitor);
    EXPECT_EQ(rig.library.count("copyIdentifier"), 2);
    EXPECT_EQ(rig.updates, 1);

    rig.library.setValue(usbA, QStringLiteral("com.apple.mobile.battery/BatteryCurrentCapacity"),
                         qint64(49));
    rig.monitor.refresh();
    ASSERT_TRUE(waitUntil([&] { return rig.updates == 2; }));
    EXPECT_EQ(rig.monitor.devices().front().batteryLevel, 49);
}

// A refresh asked for while one runs is not lost: it runs once the running one has published,
// so values that changed after the running read are picked up.
TEST(DeviceMonitor, RefreshAskedDuringARefreshRunsAfterIt) {
    Rig rig;
    rig.attach(usbA, phone(QStringLiteral("id-a"), QStringLiteral("Ada"), 50));
    ASSERT_TRUE(waitUntil([&] { return rig.updates == 1; }));
    settle(rig.monitor);

    rig.library.hold(QStringLiteral("disconnect"));
    rig.monitor.refresh();
    ASSERT_TRUE(rig.library.waitUntilHeld()); // the read has taken every value
    rig.library.setValue(usbA, QStringLiteral("com.apple.mobile.battery/BatteryCurrentCapacity"),
                         qint64(60));
    rig.monitor.refresh(); // dropped for now
    EXPECT_TRUE(rig.monitor.refreshing());
    rig.library.release();

    ASSERT_TRUE(waitUntil([&] {
        return !rig.monitor.devices().empty() && rig.monitor.devices().front().batteryLevel == 60;
    }));
    settle(rig.monitor);
    EXPECT_EQ(rig.library.count("copyIdentifier"), 3);
}

// An attach that arrives while a refresh reads is listed without waiting for the tick.
TEST(DeviceMonitor, DeviceAttachedDuringARefreshEndsUpListed) {
    Rig rig;
    rig.attach(usbA, phone(QStringLiteral("id-a"), QStringLiteral("Ada")));
    ASSERT_TRUE(waitUntil([&] { return rig.updates == 1; }));
    settle(rig.monitor);

    rig.library.hold(QStringLiteral("copyIdentifier A"));
    rig.monitor.refresh();
    ASSERT_TRUE(rig.library.waitUntilHeld());
    rig.attach(usbB, phone(QStringLiteral("id-b"), QStringLiteral("Bea")));
    rig.library.release();
    ASSERT_TRUE(waitUntil([&] { return rig.monitor.devices().size() == 2; }));
}

TEST(DeviceMonitor, WithoutTheLibraryThereAreNoDevices) {
    // The path does not load, as on a system without the device library.
    const auto api = MobileDeviceAPI::load({QDir::tempPath() + "/missing/libimobiledevice.so.6"});
    ASSERT_FALSE(api);
    DeviceMonitor monitor(api, fixedClock());
    int updates = 0;
    monitor.onUpdate = [&] { ++updates; };
    monitor.start();
    monitor.refresh();
    monitor.handle(usbA, MobileDeviceAPI::deviceArrived);
    QCoreApplication::processEvents();
    EXPECT_FALSE(monitor.hasLibrary());
    EXPECT_FALSE(monitor.refreshing());
    EXPECT_TRUE(monitor.devices().empty());
    EXPECT_EQ(monitor.lastRefresh(), QDateTime(QDate(1, 1, 1), QTime(0, 0), Qt::UTC));
    EXPECT_EQ(updates, 0);
}

TEST(DeviceMonitor, DestroyedWhileReadingIsSafe) {
    FakeMobileDeviceLibrary library;
    library.setDevice(usbA, phone(QStringLiteral("id-a"), QStringLiteral("Ada")));
    // The read is held on the device queue until the monitor is being destroyed, so its
    // publication always arrives after the monitor is gone.
    library.hold(QStringLiteral("copyIdentifier A"));
    {
        DeviceMonitor monitor(library.api(), fixedClock());
        monitor.onUpdate = [] { FAIL() << "published after destruction"; };
        monitor.start();
        library.notify(usbA, MobileDeviceAPI::deviceArrived);
        ASSERT_TRUE(waitUntil([&] { return monitor.refreshing(); })); // posted to this thread
        ASSERT_TRUE(library.waitUntilHeld());
        library.release();
    }
    EXPECT_FALSE(library.subscribed());
    QCoreApplication::processEvents(); // the posted publication finds the monitor gone
}

TEST(DeviceMonitor, TheLibraryIsLoadedWhenFirstNeeded) {
    FakeMobileDeviceLibrary library;
    int loads = 0;
    const DeviceMonitor::Loader load = [&] {
        ++loads;
        return std::optional(library.api());
    };
    {
        DeviceMonitor monitor(load, fixedClock());
        EXPECT_EQ(loads, 0);
        EXPECT_TRUE(monitor.devices().empty());
        EXPECT_TRUE(monitor.hasLibrary());
        monitor.start();
        EXPECT_EQ(loads, 1);
        EXPECT_TRUE(library.subscribed());
    }
    // No function at all: no device support, and nothing fails.
    DeviceMonitor none(DeviceMonitor::Loader{}, fixedClock());
    none.start();
    none.refresh();
    EXPECT_FALSE(none.hasLibrary());
}

TEST(DeviceMonitor, StartWaitsForTheDeviceDaemonBeforeLoading) {
    FakeMobileDeviceLibrary library;
    int loads = 0;
    const QString folder = test::scratchDir() + "/run";
    ASSERT_TRUE(QDir().mkpath(folder));
    DeviceMonitor monitor(
        [&] {
            ++loads;
            return std::optional(library.api());
        },
        fixedClock(), folder + "/usbmuxd");
    monitor.start();
    monitor.start();
    QCoreApplication::processEvents();
    EXPECT_EQ(loads, 0);
    EXPECT_FALSE(library.subscribed());

    QFile socket(folder + "/usbmuxd");
    ASSERT_TRUE(socket.open(QIODevice::WriteOnly));
    socket.close();
    ASSERT_TRUE(waitUntil([&] { return library.subscribed(); }));
    EXPECT_EQ(loads, 1);
    EXPECT_EQ(library.subscriptions(), 1);
}
