#include "platform/linux/UPowerDevices.h"

#include "support/LogCapture.h"
#include "support/PrivateBus.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusObjectPath>
#include <QElapsedTimer>
#include <QObject>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

using namespace morvanex::platform;

namespace {

QVariantMap device(unsigned type, const QString& model, double percent, bool powerSupply = false) {
    return {{"Type", type},
            {"Model", model},
            {"Percentage", percent},
            {"PowerSupply", powerSupply},
            {"IsPresent", true}};
}

} // namespace

TEST(UPowerDevices, WhichDevicesArePeripherals) {
    EXPECT_EQ(upowerPeripheral(device(6, "Magic Keyboard", 64.6)),
              (UPowerPeripheral{"Magic Keyboard", 65}));
    EXPECT_EQ(upowerPeripheral(device(2, "5B10W13930", 80, true)), std::nullopt); // the laptop's
    EXPECT_EQ(upowerPeripheral(device(1, "AC", 0)), std::nullopt);                // line power
    EXPECT_EQ(upowerPeripheral(device(17, "", 90)), std::nullopt);                // no name
    EXPECT_EQ(upowerPeripheral(device(17, "  ", 90)), std::nullopt);
    EXPECT_EQ(upowerPeripheral(device(5, "Mouse", 101)), std::nullopt);
    QVariantMap gone = device(5, "Mouse", 50);
    gone["IsPresent"] = false;
    EXPECT_EQ(upowerPeripheral(gone), std::nullopt);
    QVariantMap noLevel = device(5, "Mouse", 50);
    noLevel.remove("Percentage");
    EXPECT_EQ(upowerPeripheral(noLevel), std::nullopt);
    QVariantMap older = device(5, "Mouse", 50);
    older.remove("IsPresent"); // not every version publishes it
    EXPECT_EQ(upowerPeripheral(older), (UPowerPeripheral{"Mouse", 50}));
}

namespace {

// Waits, running the event loop, until `done` holds; generous, never part of what is tested.
bool waitUntil(const std::function<bool()>& done) {
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < 30000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return done();
}

struct Answer {
    bool arrived = false;
    std::vector<UPowerPeripheral> peripherals;
    UPowerPeripheralsDone callback() {
        return [this](std::vector<UPowerPeripheral> found) {
            arrived = true;
            peripherals = std::move(found);
        };
    }
};

} // namespace

TEST(UPowerDevices, NoBusNoDevices) {
    UPowerClient client(QDBusConnection("morvanex-no-such-connection"));
    Answer answer;
    client.request(answer.callback());
    EXPECT_FALSE(answer.arrived); // never from inside the call
    ASSERT_TRUE(waitUntil([&] { return answer.arrived; }));
    EXPECT_TRUE(answer.peripherals.empty());

    // A client destroyed with a request open never calls back.
    Answer dropped;
    {
        UPowerClient gone(QDBusConnection("morvanex-no-such-connection"));
        gone.request(dropped.callback());
    }
    QCoreApplication::processEvents();
    EXPECT_FALSE(dropped.arrived);
}

// ---- A private message bus with a stand-in UPower service

namespace {

class FakeUPower : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.UPower")
public:
    QList<QDBusObjectPath> paths;
public slots:
    QList<QDBusObjectPath> EnumerateDevices() { return paths; }
};

class FakeDevice : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.UPower.Device")
    Q_PROPERTY(uint Type MEMBER type)
    Q_PROPERTY(QString Model MEMBER model)
    Q_PROPERTY(double Percentage MEMBER percentage)
    Q_PROPERTY(bool PowerSupply MEMBER powerSupply)
    Q_PROPERTY(bool IsPresent MEMBER isPresent)
public:
    uint type = 0;
    QString model;
    double percentage = 0;
    bool powerSupply = false;
    bool isPresent = true;
};

} // namespace

TEST(UPowerDevices, ReadsPeripheralsOverTheBus) {
    const morvanex::test::PrivateBus bus;
    ASSERT_TRUE(bus.isRunning());

    QDBusConnection clientBus = bus.connect("morvanex-upower-client");
    ASSERT_TRUE(clientBus.isConnected());
    UPowerClient client(clientBus);
    const morvanex::test::LogCapture logged;
    const std::string missing = "morvanex.platform: UPower did not list its devices";

    // No service on the bus yet: no devices, and that is said once, not on every request.
    for (int tick = 0; tick < 3; ++tick) {
        Answer before;
        client.request(before.callback());
        ASSERT_TRUE(waitUntil([&] { return before.arrived; }));
        EXPECT_TRUE(before.peripherals.empty());
    }
    EXPECT_EQ(logged.count(missing), 1) << logged.all();

    FakeUPower upower;
    std::vector<std::unique_ptr<FakeDevice>> devices;
    const auto add = [&](const QString& name, uint type, const QString& model, double percent,
                         bool powerSupply) {
        auto d = std::make_unique<FakeDevice>();
        d->type = type;
        d->model = model;
        d->percentage = percent;
        d->powerSupply = powerSupply;
        upower.paths.append(QDBusObjectPath("/org/freedesktop/UPower/devices/" + name));
        devices.push_back(std::move(d));
    };
    add("battery_BAT0", 2, "5B10W13930", 80, true);
    add("line_power_AC", 1, "", 0, true);
    add("keyboard_dev_AA", 6, "Magic Keyboard", 64.6, false);
    add("mouse_dev_BB", 5, "MX Master 3", 40, false);
    add("headset_dev_CC", 17, "", 90, false);

    QDBusConnection service = bus.connect("morvanex-upower-service");
    ASSERT_TRUE(service.isConnected());
    ASSERT_TRUE(service.registerObject("/org/freedesktop/UPower", &upower,
                                       QDBusConnection::ExportAllSlots));
    for (std::size_t i = 0; i < devices.size(); ++i)
        ASSERT_TRUE(service.registerObject(upower.paths[qsizetype(i)].path(), devices[i].get(),
                                           QDBusConnection::ExportAllProperties));
    ASSERT_TRUE(service.registerService("org.freedesktop.UPower"));

    Answer after;
    client.request(after.callback());
    ASSERT_TRUE(waitUntil([&] { return after.arrived; }));
    EXPECT_EQ(after.peripherals,
              (std::vector<UPowerPeripheral>{{"Magic Keyboard", 65}, {"MX Master 3", 40}}));

    // A device that went away between the listing and its properties is left out.
    upower.paths.append(QDBusObjectPath("/org/freedesktop/UPower/devices/gone"));
    Answer partial;
    client.request(partial.callback());
    ASSERT_TRUE(waitUntil([&] { return partial.arrived; }));
    EXPECT_EQ(partial.peripherals.size(), 2u);

    // Gone again after it had answered: said once more.
    service.unregisterService("org.freedesktop.UPower");
    for (int tick = 0; tick < 2; ++tick) {
        Answer gone;
        client.request(gone.callback());
        ASSERT_TRUE(waitUntil([&] { return gone.arrived; }));
        EXPECT_TRUE(gone.peripherals.empty());
    }
    EXPECT_EQ(logged.count(missing), 2) << logged.all();
    QDBusConnection::disconnectFromBus("morvanex-upower-service");
    QDBusConnection::disconnectFromBus("morvanex-upower-client");
}

#include "UPowerDevicesTest.moc"
