#include "support/SniWatcher.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>

namespace morvanex::test {

namespace {
const QString kService = QStringLiteral("org.kde.StatusNotifierWatcher");
const QString kPath = QStringLiteral("/StatusNotifierWatcher");
} // namespace

SniWatcher::SniWatcher(QDBusConnection bus, QObject* parent)
    : QObject(parent), bus_(std::move(bus)),
      owners_(new QDBusServiceWatcher(QString(), bus_, QDBusServiceWatcher::WatchForUnregistration,
                                      this)) {
    connect(owners_, &QDBusServiceWatcher::serviceUnregistered, this, [this](const QString& name) {
        owners_->removeWatchedService(name);
        for (qsizetype i = live_.size() - 1; i >= 0; --i) {
            const QString item = live_.at(i);
            if (item == name || item.startsWith(name + QLatin1Char('/'))) {
                live_.removeAt(i);
                emit itemUnregistered(item);
            }
        }
    });
}

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
    if (refusals_ > 0) {
        --refusals_;
        ++refused_;
        sendErrorReply(QDBusError::Failed,
                       QStringLiteral("the test watcher refuses %1").arg(service));
        return;
    }
    const QString item =
        service.startsWith(QLatin1Char('/')) ? message().service() + service : service;
    registrations_.append(item);
    emit registrationTaken(item);
    if (live_.contains(item))
        return;
    const QString owner = item.section(QLatin1Char('/'), 0, 0);
    owners_->addWatchedService(owner);
    // Gone already (it left between its call and now): not listed, as a desktop watcher does.
    if (!bus_.interface()->isServiceRegistered(owner).value()) {
        owners_->removeWatchedService(owner);
        return;
    }
    live_.append(item);
    emit StatusNotifierItemRegistered(item);
    emit itemRegistered(item);
}

void SniWatcher::RegisterStatusNotifierHost(const QString&) {
    hostRegistered_ = true;
    emit StatusNotifierHostRegistered();
}

} // namespace morvanex::test
