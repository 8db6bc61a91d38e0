#include "platform/linux/UPowerDevices.h"

#include "platform/Log.h"

#include <QDBusArgument>
#include <QDBusError>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QMetaObject>
#include <QObject>
#include <cmath>
#include <memory>

namespace morvanex::platform {
namespace {

const QString service = QStringLiteral("org.freedesktop.UPower");
const QString deviceInterface = QStringLiteral("org.freedesktop.UPower.Device");
constexpr unsigned linePowerType = 1; // UP_DEVICE_KIND_LINE_POWER

// Runs `then` with the reply once the call has finished. The watcher belongs to `context`, so
// destroying the context drops the call; otherwise it goes once it has delivered.
void whenFinished(QObject* context, const QDBusPendingCall& call,
                  std::function<void(const QDBusMessage& reply)> then) {
    auto* watcher = new QDBusPendingCallWatcher(call, context);
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, watcher,
                     [then = std::move(then)](QDBusPendingCallWatcher* finished) {
                         then(finished->reply());
                         finished->deleteLater();
                     });
}

std::vector<QString> devicePaths(const QDBusMessage& reply) {
    std::vector<QString> paths;
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return paths;
    const QVariant first = reply.arguments().constFirst();
    if (!first.canConvert<QDBusArgument>())
        return paths;
    const auto argument = first.value<QDBusArgument>();
    if (argument.currentType() != QDBusArgument::ArrayType)
        return paths;
    argument.beginArray();
    while (!argument.atEnd()) {
        QDBusObjectPath path;
        argument >> path;
        paths.push_back(path.path());
    }
    argument.endArray();
    return paths;
}

std::optional<QVariantMap> properties(const QDBusMessage& reply) {
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return std::nullopt;
    const QVariant first = reply.arguments().constFirst();
    if (!first.canConvert<QDBusArgument>())
        return std::nullopt;
    const auto argument = first.value<QDBusArgument>();
    if (argument.currentType() != QDBusArgument::MapType)
        return std::nullopt;
    QVariantMap map;
    argument >> map;
    return map;
}

// The devices' answers, collected in UPower's order until every one has come back.
struct Collection {
    std::vector<std::optional<UPowerPeripheral>> found;
    std::size_t pending = 0;
    UPowerPeripheralsDone done;

    void finish() {
        std::vector<UPowerPeripheral> out;
        for (auto& peripheral : found) {
            if (peripheral)
                out.push_back(std::move(*peripheral));
        }
        done(std::move(out));
    }
};

} // namespace

std::optional<UPowerPeripheral> upowerPeripheral(const QVariantMap& properties) {
    if (properties.value(QStringLiteral("PowerSupply")).toBool())
        return std::nullopt;
    if (properties.value(QStringLiteral("Type")).toUInt() == linePowerType)
        return std::nullopt;
    if (properties.contains(QStringLiteral("IsPresent")) &&
        !properties.value(QStringLiteral("IsPresent")).toBool())
        return std::nullopt;
    const QString model = properties.value(QStringLiteral("Model")).toString().trimmed();
    bool ok = false;
    const double percent = properties.value(QStringLiteral("Percentage")).toDouble(&ok);
    if (model.isEmpty() || !ok || !std::isfinite(percent) || percent < 0 || percent > 100)
        return std::nullopt;
    return UPowerPeripheral{model, int(std::lround(percent))};
}

UPowerClient::UPowerClient(int timeoutMs)
    : timeoutMs_(timeoutMs), context_(std::make_unique<QObject>()) {}

UPowerClient::UPowerClient(QDBusConnection bus, int timeoutMs)
    : bus_(std::move(bus)), timeoutMs_(timeoutMs), context_(std::make_unique<QObject>()) {}

UPowerClient::~UPowerClient() = default;

void UPowerClient::noteAnswer(const QDBusMessage& reply) {
    // Asked on every tick: a missing service is said once, and again only after it has been back.
    if (reply.type() == QDBusMessage::ReplyMessage) {
        failing_ = false;
    } else if (!failing_) {
        failing_ = true;
        qCWarning(log::platform, "UPower did not list its devices (%s): no peripheral batteries",
                  qUtf8Printable(reply.errorMessage()));
    }
}

void UPowerClient::request(UPowerPeripheralsDone done) {
    if (!done)
        return;
    if (!bus_)
        bus_ = QDBusConnection::systemBus();
    QObject* const context = context_.get();
    if (!bus_->isConnected()) {
        if (!failing_) {
            failing_ = true;
            qCWarning(log::platform, "No system bus for peripheral batteries: %s",
                      qUtf8Printable(bus_->lastError().message()));
        }
        // Later all the same, as with a bus, and not at all once the client is gone.
        QMetaObject::invokeMethod(
            context, [done] { done({}); }, Qt::QueuedConnection);
        return;
    }
    const QDBusMessage enumerate =
        QDBusMessage::createMethodCall(service, QStringLiteral("/org/freedesktop/UPower"), service,
                                       QStringLiteral("EnumerateDevices"));
    // The calls in flight belong to `context`, which dies with this client: `this` outlives
    // every answer.
    whenFinished(
        context, bus_->asyncCall(enumerate, timeoutMs_),
        [this, bus = *bus_, context, done, timeoutMs = timeoutMs_](const QDBusMessage& reply) {
            noteAnswer(reply);
            const std::vector<QString> paths = devicePaths(reply);
            auto collection = std::make_shared<Collection>();
            collection->found.resize(paths.size());
            collection->pending = paths.size();
            collection->done = done;
            if (paths.empty()) {
                collection->finish();
                return;
            }
            for (std::size_t i = 0; i < paths.size(); ++i) {
                QDBusMessage getAll = QDBusMessage::createMethodCall(
                    service, paths[i], QStringLiteral("org.freedesktop.DBus.Properties"),
                    QStringLiteral("GetAll"));
                getAll << deviceInterface;
                whenFinished(context, bus.asyncCall(getAll, timeoutMs),
                             [collection, i](const QDBusMessage& answer) {
                                 if (const auto map = properties(answer))
                                     collection->found[i] = upowerPeripheral(*map);
                                 if (--collection->pending == 0)
                                     collection->finish();
                             });
            }
        });
}

} // namespace morvanex::platform
