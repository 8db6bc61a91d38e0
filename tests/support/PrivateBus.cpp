#include "support/PrivateBus.h"

#include <QElapsedTimer>

namespace morvanex::test {

PrivateBus::PrivateBus() {
    daemon_.start(QStringLiteral("dbus-daemon"),
                  {QStringLiteral("--session"), QStringLiteral("--nofork"),
                   QStringLiteral("--print-address=1")});
    if (!daemon_.waitForStarted(10000))
        return;
    QElapsedTimer waited;
    waited.start();
    while (!daemon_.canReadLine() && waited.elapsed() < 20000)
        daemon_.waitForReadyRead(500);
    address_ = QString::fromUtf8(daemon_.readLine().trimmed());
}

PrivateBus::~PrivateBus() {
    for (const QString& name : names_)
        QDBusConnection::disconnectFromBus(name);
    daemon_.terminate();
    daemon_.waitForFinished(5000);
}

QDBusConnection PrivateBus::connect(const QString& name) const {
    names_.append(name);
    return QDBusConnection::connectToBus(address_, name);
}

} // namespace morvanex::test
