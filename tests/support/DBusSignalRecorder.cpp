#include "support/DBusSignalRecorder.h"

namespace morvanex::test {

DBusSignalRecorder::DBusSignalRecorder(QDBusConnection bus, const QString& service,
                                       const QString& path, const QString& interface,
                                       const QString& name) {
    connected_ = bus.connect(service, path, interface, name, this, SLOT(receive(QDBusMessage)));
}

void DBusSignalRecorder::receive(const QDBusMessage& message) {
    received_.append(message.arguments());
}

} // namespace morvanex::test
