#include "platform/Notifier.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusReply>
#include <QVariantMap>
#include <cstdio>

namespace morvanex {
namespace {

const QString service = QStringLiteral("org.freedesktop.Notifications");
const QString path = QStringLiteral("/org/freedesktop/Notifications");
const QString interface = QStringLiteral("org.freedesktop.Notifications");

// The bus daemon answers at once; anything slower means a wedged bus, not a busy one.
constexpr int queryTimeoutMs = 1000;

QDBusMessage callDaemon(const QDBusConnection& bus, const QString& method,
                        const QVariantList& args) {
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
        QStringLiteral("org.freedesktop.DBus"), method);
    call.setArguments(args);
    return bus.call(call, QDBus::Block, queryTimeoutMs);
}

} // namespace

Notifier& Notifier::shared() {
    static Notifier notifier(QDBusConnection::sessionBus());
    return notifier;
}

Notifier::Notifier(QDBusConnection bus) : bus_(std::move(bus)) {}

void Notifier::setup() {
    application_ = true;
}

bool Notifier::isAvailable() const {
    if (!application_ || !bus_.isConnected())
        return false;
    const QDBusMessage owned = callDaemon(bus_, QStringLiteral("NameHasOwner"), {service});
    if (owned.type() == QDBusMessage::ReplyMessage && owned.arguments().value(0).toBool())
        return true;
    const QDBusMessage activatable = callDaemon(bus_, QStringLiteral("ListActivatableNames"), {});
    return activatable.type() == QDBusMessage::ReplyMessage &&
           activatable.arguments().value(0).toStringList().contains(service);
}

bool Notifier::serverHasBodyMarkup() {
    if (!bodyMarkup_) {
        QDBusMessage call = QDBusMessage::createMethodCall(service, path, interface,
                                                           QStringLiteral("GetCapabilities"));
        const QDBusMessage reply = bus_.call(call, QDBus::Block, queryTimeoutMs);
        if (reply.type() != QDBusMessage::ReplyMessage)
            return true; // unknown: escaping is harmless where markup is not read
        bodyMarkup_ =
            reply.arguments().value(0).toStringList().contains(QStringLiteral("body-markup"));
    }
    return *bodyMarkup_;
}

void Notifier::post(const QString& title, const QString& body) {
    if (!isAvailable()) {
        // Standard error, never standard output: that is the agent protocol's channel.
        const QByteArray line =
            ("Morvanex notification: " + title + " \u2014 " + body + "\n").toUtf8();
        std::fwrite(line.constData(), 1, std::size_t(line.size()), stderr);
        std::fflush(stderr);
        return;
    }
    QDBusMessage notify =
        QDBusMessage::createMethodCall(service, path, interface, QStringLiteral("Notify"));
    notify << QStringLiteral("Morvanex") << quint32(0) << QString() << title
           << (serverHasBodyMarkup() ? escapeNotificationMarkup(body) : body) << QStringList()
           << QVariantMap() << qint32(-1);
    bus_.asyncCall(notify);
}

QString escapeNotificationMarkup(const QString& body) {
    QString escaped = body;
    escaped.replace(QLatin1Char('&'), QStringLiteral("&amp;"));
    escaped.replace(QLatin1Char('<'), QStringLiteral("&lt;"));
    escaped.replace(QLatin1Char('>'), QStringLiteral("&gt;"));
    return escaped;
}

} // namespace morvanex
