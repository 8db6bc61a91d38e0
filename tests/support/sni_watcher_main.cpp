// A stand-in panel watcher for end-to-end tests: owns org.kde.StatusNotifierWatcher on the
// session bus and prints every item that registers, one per line, until it is killed.
#include "support/SniWatcher.h"

#include <QCoreApplication>
#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    morvanex::test::SniWatcher watcher(QDBusConnection::sessionBus());
    if (!watcher.start()) {
        std::fprintf(stderr, "could not own org.kde.StatusNotifierWatcher\n");
        return 1;
    }
    QObject::connect(&watcher, &morvanex::test::SniWatcher::itemRegistered,
                     [](const QString& service) {
                         std::fprintf(stdout, "%s\n", service.toUtf8().constData());
                         std::fflush(stdout);
                     });
    return app.exec();
}
