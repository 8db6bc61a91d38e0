#pragma once

#include "support/PrivateBus.h"
#include "support/SniWatcher.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QVariant>

namespace morvanex::test {

// A private bus with a test watcher on it (not yet started) and a client connection that asks
// the items what a panel would. Calls wait for their answers while the event loop turns, since
// the items answer from this same thread.
struct SniTestBus {
    PrivateBus bus;
    QDBusConnection watcherBus = bus.connect(QStringLiteral("sni-watcher"));
    QDBusConnection client = bus.connect(QStringLiteral("sni-client"));
    SniWatcher watcher{watcherBus};

    QDBusMessage call(const QString& service, const QString& path, const QString& interface,
                      const QString& method, const QVariantList& arguments = {}) {
        QDBusMessage message = QDBusMessage::createMethodCall(service, path, interface, method);
        message.setArguments(arguments);
        return client.call(message, QDBus::BlockWithGui, 10000);
    }

    // A property as Properties.Get answers it, unwrapped from its variant.
    QVariant property(const QString& service, const QString& path, const QString& interface,
                      const QString& name) {
        const QDBusMessage reply =
            call(service, path, QStringLiteral("org.freedesktop.DBus.Properties"),
                 QStringLiteral("Get"), {interface, name});
        if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
            return {};
        return reply.arguments().front().value<QDBusVariant>().variant();
    }

    bool hasOwner(const QString& service) {
        const QDBusMessage reply =
            call(QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
                 QStringLiteral("org.freedesktop.DBus"), QStringLiteral("NameHasOwner"), {service});
        return !reply.arguments().isEmpty() && reply.arguments().front().toBool();
    }
};

// A structured value as it came off the bus.
template <typename T> T fromBus(const QVariant& value) {
    if (value.canConvert<QDBusArgument>())
        return qdbus_cast<T>(value.value<QDBusArgument>());
    return value.value<T>();
}

} // namespace morvanex::test
