// A stand-in panel watcher for end-to-end tests: owns org.kde.StatusNotifierWatcher on the
// session bus and prints every registration it takes, repeats included, one per line, until it
// is killed. With "--refuse N" it refuses the first N registrations, as a watcher that is not
// ready yet does. Started under the name "gnome-shell" (a link), it stands for that shell's
// watcher.
#include "support/SniWatcher.h"

#include <QCoreApplication>
#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList arguments = app.arguments();
    int refuse = 0;
    if (const qsizetype at = arguments.indexOf(QStringLiteral("--refuse"));
        at >= 0 && at + 1 < arguments.size())
        refuse = arguments.at(at + 1).toInt();
    morvanex::test::SniWatcher watcher(QDBusConnection::sessionBus());
    watcher.refuseNext(refuse);
    if (!watcher.start()) {
        std::fprintf(stderr, "could not own org.kde.StatusNotifierWatcher\n");
        return 1;
    }
    QObject::connect(&watcher, &morvanex::test::SniWatcher::registrationTaken,
                     [](const QString& service) {
                         std::fprintf(stdout, "%s\n", service.toUtf8().constData());
                         std::fflush(stdout);
                     });
    return app.exec();
}
