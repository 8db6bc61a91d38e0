#include "platform/linux/LogindInhibitors.h"

#include "platform/Log.h"

#include <QDBusArgument>
#include <QDBusError>
#include <QDBusMessage>
#include <algorithm>
#include <limits>

namespace morvanex::platform {

std::optional<std::vector<InhibitorEntry>> listInhibitors(const QDBusConnection& bus,
                                                          std::chrono::milliseconds bound) {
    if (!bus.isConnected()) {
        qCWarning(log::platform, "No system bus to list logind's inhibitor locks: %s",
                  qUtf8Printable(bus.lastError().message()));
        return std::nullopt;
    }
    const QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
        QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("ListInhibitors"));
    const int timeout = int(std::clamp<std::chrono::milliseconds::rep>(
        bound.count(), 1, std::numeric_limits<int>::max()));
    const QDBusMessage reply = bus.call(call, QDBus::Block, timeout);
    if (reply.type() != QDBusMessage::ReplyMessage) {
        qCWarning(log::platform, "logind did not list its inhibitor locks: %s",
                  qUtf8Printable(reply.errorMessage()));
        return std::nullopt;
    }
    const QVariant answer = reply.arguments().value(0);
    if (reply.signature() != QLatin1String("a(ssssuu)") ||
        answer.metaType() != QMetaType::fromType<QDBusArgument>()) {
        qCWarning(log::platform, "logind listed its inhibitor locks as %s, not a(ssssuu)",
                  qUtf8Printable(reply.signature()));
        return std::nullopt;
    }
    std::vector<InhibitorEntry> entries;
    const QDBusArgument list = answer.value<QDBusArgument>();
    list.beginArray();
    while (!list.atEnd()) {
        InhibitorEntry entry;
        list.beginStructure();
        list >> entry.what >> entry.who >> entry.why >> entry.mode >> entry.uid >> entry.pid;
        list.endStructure();
        entries.push_back(std::move(entry));
    }
    list.endArray();
    return entries;
}

} // namespace morvanex::platform
