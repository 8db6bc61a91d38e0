#include "platform/linux/ScreenSaverInhibitor.h"

#include "platform/Log.h"

#include <QDBusMessage>
#include <algorithm>
#include <limits>
#include <utility>

namespace morvanex::platform {
namespace {

QDBusMessage screenSaverCall(const QString& method) {
    return QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.ScreenSaver"),
                                          QStringLiteral("/org/freedesktop/ScreenSaver"),
                                          QStringLiteral("org.freedesktop.ScreenSaver"), method);
}

} // namespace

std::optional<ScreenSaverInhibitor> ScreenSaverInhibitor::take(const QDBusConnection& bus,
                                                               const QString& application,
                                                               const QString& reason,
                                                               std::chrono::milliseconds bound) {
    if (!bus.isConnected())
        return std::nullopt;
    QDBusMessage call = screenSaverCall(QStringLiteral("Inhibit"));
    call << application << reason;
    const int timeout = int(std::clamp<std::chrono::milliseconds::rep>(
        bound.count(), 1, std::numeric_limits<int>::max()));
    const QDBusMessage reply = bus.call(call, QDBus::Block, timeout);
    const QVariant cookie = reply.arguments().value(0);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().size() != 1 ||
        cookie.metaType() != QMetaType::fromType<uint>()) {
        // Many desktops have no such service; the system is kept awake all the same.
        qCInfo(log::platform, "The screen saver was not held off: %s",
               qUtf8Printable(reply.type() == QDBusMessage::ErrorMessage
                                  ? reply.errorMessage()
                                  : QStringLiteral("unexpected answer")));
        return std::nullopt;
    }
    return ScreenSaverInhibitor(bus, cookie.toUInt());
}

ScreenSaverInhibitor::ScreenSaverInhibitor(ScreenSaverInhibitor&& other) noexcept
    : bus_(other.bus_), cookie_(other.cookie_), held_(std::exchange(other.held_, false)) {}

ScreenSaverInhibitor& ScreenSaverInhibitor::operator=(ScreenSaverInhibitor&& other) noexcept {
    if (this != &other) {
        release();
        bus_ = other.bus_;
        cookie_ = other.cookie_;
        held_ = std::exchange(other.held_, false);
    }
    return *this;
}

ScreenSaverInhibitor::~ScreenSaverInhibitor() {
    release();
}

void ScreenSaverInhibitor::release() {
    if (!held_)
        return;
    held_ = false;
    QDBusMessage call = screenSaverCall(QStringLiteral("UnInhibit"));
    call << cookie_;
    // Sent, not awaited: a hung screen saver must not hold up the caller.
    bus_.send(call);
}

} // namespace morvanex::platform
