#include "support/SniWatcher.h"

#include <QDBusMessage>

namespace morvanex::test {

namespace {
const QString kService = QStringLiteral("org.kde.StatusNotifierWatcher");
const QString kPath = QStringLiteral("/StatusNotifierWatcher");
} // namespace

SniWatcher::SniWatcher(QDBusConnection bus, QObject* parent)
    : QObject(parent), bus_(std::move(bus)) {}

SniWatcher::~SniWatcher() {
    stop();
}

bool SniWatcher::start() {
    if (running_)
        return true;
    running_ = bus_.registerObject(kPath, this,
                                   QDBusConnection::ExportScriptableSlots |
                                       QDBusConnection::ExportScriptableSignals |
                                       QDBusConnection::ExportAllProperties) &&
               bus_.registerService(kService);
    return running_;
}

void SniWatcher::stop() {
    if (!running_)
        return;
    bus_.unregisterService(kService);
    bus_.unregisterObject(kPath);
    running_ = false;
}

void SniWatcher::RegisterStatusNotifierItem(const QString& service) {
    const QString item =
        service.startsWith(QLatin1Char('/')) ? message().service() + service : service;
    registrations_.append(item);
    emit StatusNotifierItemRegistered(item);
    emit itemRegistered(item);
}

void SniWatcher::RegisterStatusNotifierHost(const QString&) {
    emit StatusNotifierHostRegistered();
}

} // namespace morvanex::test
