#pragma once

#include <QDBusConnection>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>

namespace morvanex::test {

// A D-Bus daemon of the test's own, so fake services never meet the user's session. It runs
// with a configuration written for it: it listens on a socket in a folder of its own and may
// start services only from that folder's (empty) service folder, never the machine's. A
// notification daemon, file manager or any other service installed on the machine is thus
// never started by a test, and what is installed cannot change a test's outcome.
class PrivateBus {
public:
    PrivateBus();
    ~PrivateBus();
    PrivateBus(const PrivateBus&) = delete;
    PrivateBus& operator=(const PrivateBus&) = delete;

    bool isRunning() const { return !address_.isEmpty(); }
    // A bus at a path in the file system ("unix:path=..."), which a process in a network
    // namespace of its own can reach too.
    QString address() const { return address_; }
    // A new connection to the bus under `name` (each name is one client of the bus).
    QDBusConnection connect(const QString& name) const;
    // The bus's service folder: activatable services are looked for here and nowhere else.
    QString serviceFolder() const;

private:
    QTemporaryDir folder_;
    QProcess daemon_;
    QString address_;
    mutable QStringList names_;
};

// Writes the configuration of a sealed session bus into `folder` (an existing folder): the
// bus listens in `folder`, allows every client everything, and activates services only from
// `folder`/services, which it creates empty. Returns the configuration file's path, or an
// empty string when it could not be written.
QString writeSealedBusConfig(const QString& folder);

} // namespace morvanex::test
