#include "platform/DesktopColorScheme.h"

#include "platform/Log.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusVariant>
#include <utility>

namespace morvanex::platform {

namespace {

const QString kService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString kPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString kInterface = QStringLiteral("org.freedesktop.portal.Settings");
const QString kGroup = QStringLiteral("org.freedesktop.appearance");
const QString kKey = QStringLiteral("color-scheme");

} // namespace

DesktopColorScheme::DesktopColorScheme(QDBusConnection bus, QObject* parent)
    : QObject(parent), bus_(std::move(bus)) {}

DesktopColorScheme::Preference DesktopColorScheme::fromValue(const QVariant& value) {
    QVariant inner = value;
    // The portal's Read wraps the value in one variant more than its signal does.
    for (int depth = 0; depth < 4 && inner.canConvert<QDBusVariant>() &&
                        inner.metaType() == QMetaType::fromType<QDBusVariant>();
         ++depth)
        inner = inner.value<QDBusVariant>().variant();
    bool ok = false;
    const uint number = inner.toUInt(&ok);
    if (!ok)
        return Preference::none;
    switch (number) {
    case 1:
        return Preference::dark;
    case 2:
        return Preference::light;
    default:
        return Preference::none;
    }
}

void DesktopColorScheme::start() {
    if (!bus_.isConnected()) {
        qCInfo(log::platform) << "no session bus: the desktop colour scheme is not known";
        return;
    }
    bus_.connect(kService, kPath, kInterface, QStringLiteral("SettingChanged"), this,
                 SLOT(settingChanged(QString, QString, QDBusVariant)));
    QDBusMessage read =
        QDBusMessage::createMethodCall(kService, kPath, kInterface, QStringLiteral("Read"));
    read << kGroup << kKey;
    auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(read), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this](QDBusPendingCallWatcher* call) {
                call->deleteLater();
                const QDBusPendingReply<QDBusVariant> reply = *call;
                if (reply.isError()) {
                    // Every status item asks for itself; one line says it for all of them.
                    static bool told = false;
                    if (!std::exchange(told, true))
                        qCInfo(log::platform) << "the settings portal gave no colour scheme:"
                                              << reply.error().message();
                    return;
                }
                emit changed(fromValue(QVariant::fromValue(reply.value())));
            });
}

void DesktopColorScheme::settingChanged(const QString& group, const QString& key,
                                        const QDBusVariant& value) {
    if (group == kGroup && key == kKey)
        emit changed(fromValue(QVariant::fromValue(value)));
}

} // namespace morvanex::platform
