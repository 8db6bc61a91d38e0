// A stand-in login manager for benchmarks: owns org.freedesktop.login1 on the bus named by
// DBUS_SYSTEM_BUS_ADDRESS and answers Inhibit with a lock, as logind does. Prints "taken N" when
// the N-th lock is handed out and "released N" once every copy of it is closed, one per line,
// until it is killed.
#include "platform/linux/LogindTestBus.h"

#include <QCoreApplication>
#include <QTimer>
#include <cstdio>
#include <vector>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QString address = qEnvironmentVariable("DBUS_SYSTEM_BUS_ADDRESS");
    if (address.isEmpty()) {
        std::fprintf(stderr, "DBUS_SYSTEM_BUS_ADDRESS names no bus\n");
        return 1;
    }
    QDBusConnection bus = QDBusConnection::connectToBus(address, QStringLiteral("logind"));
    morvanex::test::FakeLogind logind;
    if (!bus.registerVirtualObject(QStringLiteral("/org/freedesktop/login1"), &logind) ||
        !bus.registerService(QStringLiteral("org.freedesktop.login1"))) {
        std::fprintf(stderr, "could not own org.freedesktop.login1: %s\n",
                     qUtf8Printable(bus.lastError().message()));
        return 1;
    }
    // Whether each lock handed out has been reported taken, and released.
    std::vector<bool> taken, released;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        const std::size_t count = logind.inhibits().size();
        for (std::size_t i = 0; i < count; ++i) {
            if (i >= taken.size()) {
                taken.push_back(true);
                released.push_back(false);
                std::fprintf(stdout, "taken %zu\n", i + 1);
            }
            if (!released[i] && logind.released(i)) {
                released[i] = true;
                std::fprintf(stdout, "released %zu\n", i + 1);
            }
        }
        std::fflush(stdout);
    });
    watch.start(10);
    return app.exec();
}
