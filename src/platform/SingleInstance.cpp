#include "platform/SingleInstance.h"

#include "platform/Log.h"
#include "platform/SingleInstanceEndpoint.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusReply>

namespace morvanex::platform {

SingleInstance::SingleInstance(QDBusConnection bus) : bus_(std::move(bus)) {
    if (!bus_.isConnected() || !bus_.interface()) {
        qCWarning(log::platform) << "No session bus: running without the single-instance check";
        return;
    }
    // The object is there before the name, so a later start that sees the name can call it.
    endpoint_ = std::make_unique<SingleInstanceEndpoint>(onShowSettings);
    if (!bus_.registerObject(objectPath, endpoint_.get(), QDBusConnection::ExportAllSlots)) {
        qCWarning(log::platform) << "Could not export" << objectPath
                                 << "on the session bus: running without the single-instance "
                                    "check";
        endpoint_.reset();
        return;
    }
    const QDBusReply<QDBusConnectionInterface::RegisterServiceReply> claimed =
        bus_.interface()->registerService(serviceName, QDBusConnectionInterface::DontQueueService,
                                          QDBusConnectionInterface::DontAllowReplacement);
    if (!claimed.isValid()) {
        qCWarning(log::platform) << "Could not claim" << serviceName
                                 << "on the session bus:" << claimed.error().message()
                                 << "- running without the single-instance check";
        release();
        return;
    }
    if (claimed.value() == QDBusConnectionInterface::ServiceRegistered) {
        role_ = Role::primary;
        return;
    }

    release();
    role_ = Role::secondary;
    const QDBusMessage call = QDBusMessage::createMethodCall(serviceName, objectPath, interfaceName,
                                                             QStringLiteral("ShowSettings"));
    const QDBusMessage reply = bus_.call(call, QDBus::Block, showSettingsTimeoutMs);
    reachedFirst_ = reply.type() == QDBusMessage::ReplyMessage;
    if (!reachedFirst_)
        qCWarning(log::platform) << "Morvanex is already running but did not answer:"
                                 << reply.errorMessage();
}

SingleInstance::~SingleInstance() {
    release();
}

std::optional<int> SingleInstance::exitCode() const {
    if (role_ != Role::secondary)
        return std::nullopt;
    return reachedFirst_ ? 0 : 1;
}

void SingleInstance::release() {
    if (!endpoint_)
        return;
    if (role_ == Role::primary && bus_.isConnected())
        bus_.unregisterService(serviceName);
    bus_.unregisterObject(objectPath);
    endpoint_.reset();
}

} // namespace morvanex::platform
