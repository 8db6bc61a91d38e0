#include "support/PrivateBus.h"

#include <QDBusConnectionInterface>
#include <QDBusError>
#include <QDBusReply>
#include <QFile>
#include <gtest/gtest.h>

using morvanex::test::PrivateBus;

namespace {

QStringList activatable(const QDBusConnection& bus) {
    const QDBusReply<QStringList> names = bus.interface()->call("ListActivatableNames");
    EXPECT_TRUE(names.isValid()) << names.error().message().toStdString();
    QStringList sorted = names.value();
    sorted.sort();
    return sorted;
}

} // namespace

// Whatever desktop is installed on the machine (a notification daemon, a file manager), a
// test's bus starts none of it: only services the test puts in the bus's own folder.
TEST(PrivateBus, StartsOnlyTheServicesOfItsOwnFolder) {
    const PrivateBus bus;
    ASSERT_TRUE(bus.isRunning());
    EXPECT_TRUE(bus.address().startsWith("unix:path=")) << bus.address().toStdString();
    const QDBusConnection client = bus.connect("sealed-bus-client");
    ASSERT_TRUE(client.isConnected());

    EXPECT_EQ(activatable(client), QStringList{"org.freedesktop.DBus"});
    for (const char* name : {"org.freedesktop.Notifications", "org.freedesktop.FileManager1",
                             "org.freedesktop.portal.Desktop"}) {
        SCOPED_TRACE(name);
        const QDBusReply<void> started = client.interface()->startService(name);
        EXPECT_EQ(started.error().type(), QDBusError::ServiceUnknown)
            << started.error().message().toStdString();
    }

    // A service the test offers is found in that folder.
    QFile service(bus.serviceFolder() + "/org.example.Offered.service");
    ASSERT_TRUE(service.open(QIODevice::WriteOnly));
    service.write("[D-BUS Service]\nName=org.example.Offered\nExec=/bin/false\n");
    service.close();
    const QDBusReply<void> reloaded = client.interface()->call("ReloadConfig");
    ASSERT_TRUE(reloaded.isValid()) << reloaded.error().message().toStdString();
    EXPECT_EQ(activatable(client), (QStringList{"org.example.Offered", "org.freedesktop.DBus"}));
}
