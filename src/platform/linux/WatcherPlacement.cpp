#include "platform/linux/WatcherPlacement.h"

#include "platform/Log.h"
#include "platform/linux/ProcFiles.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QFileInfo>
#include <utility>

namespace morvanex::platform {

namespace {

const QString kBusService = QStringLiteral("org.freedesktop.DBus");
const QString kBusPath = QStringLiteral("/org/freedesktop/DBus");

// The command name (at most 15 bytes, as the kernel keeps it) and the executable's file name.
NewItemPlacement placementOfProcess(const Roots& roots, uint pid) {
    const QString folder = roots.proc + QLatin1Char('/') + QString::number(pid);
    if (const auto comm = procfiles::readLine(folder + QStringLiteral("/comm"));
        comm && placementOfProgram(*comm) == NewItemPlacement::leftmost)
        return NewItemPlacement::leftmost;
    const QString exe = QFileInfo(folder + QStringLiteral("/exe")).symLinkTarget();
    if (!exe.isEmpty())
        return placementOfProgram(QFileInfo(exe).fileName().toUtf8());
    return NewItemPlacement::rightmost;
}

} // namespace

NewItemPlacement placementOfProgram(QByteArrayView program) {
    return program == QByteArrayView("gnome-shell") ? NewItemPlacement::leftmost
                                                    : NewItemPlacement::rightmost;
}

void askNewItemPlacement(const QDBusConnection& bus, const QString& service, const Roots& roots,
                         QObject* context, std::function<void(NewItemPlacement)> answer) {
    QDBusMessage ask = QDBusMessage::createMethodCall(kBusService, kBusPath, kBusService,
                                                      QStringLiteral("GetConnectionUnixProcessID"));
    ask << service;
    auto* pending = new QDBusPendingCallWatcher(bus.asyncCall(ask), context);
    QObject::connect(
        pending, &QDBusPendingCallWatcher::finished, context,
        [roots, service, answer = std::move(answer)](QDBusPendingCallWatcher* call) {
            call->deleteLater();
            const QDBusMessage reply = call->reply();
            if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) {
                qCInfo(log::platform) << "the process behind" << service
                                      << "is not known, so its panel is taken to append new items:"
                                      << call->error().message();
                answer(NewItemPlacement::rightmost);
                return;
            }
            answer(placementOfProcess(roots, reply.arguments().first().toUInt()));
        });
}

} // namespace morvanex::platform
