#include "platform/PowerProfile.h"

#include "platform/Log.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusVariant>
#include <array>

namespace morvanex::platform {
namespace {

struct ProfileService {
    QString name;
    QString path;
};

// Newer daemons own the first name; Debian 12's only the second.
const std::array<ProfileService, 2>& services() {
    static const std::array<ProfileService, 2> list{
        ProfileService{QStringLiteral("org.freedesktop.UPower.PowerProfiles"),
                       QStringLiteral("/org/freedesktop/UPower/PowerProfiles")},
        ProfileService{QStringLiteral("net.hadess.PowerProfiles"),
                       QStringLiteral("/net/hadess/PowerProfiles")}};
    return list;
}

std::optional<QString> profileFrom(const QDBusMessage& reply) {
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return std::nullopt;
    QVariant value = reply.arguments().constFirst();
    if (value.canConvert<QDBusVariant>())
        value = value.value<QDBusVariant>().variant();
    if (value.typeId() != QMetaType::QString)
        return std::nullopt;
    const QString name = value.toString();
    if (name.isEmpty())
        return std::nullopt;
    return name;
}

} // namespace

bool isPowerSaver(const std::optional<QString>& profile) {
    return profile && *profile == QLatin1String("power-saver");
}

PowerProfileClient::PowerProfileClient(int timeoutMs)
    : timeoutMs_(timeoutMs), context_(std::make_unique<QObject>()) {}

PowerProfileClient::PowerProfileClient(QDBusConnection bus, int timeoutMs)
    : bus_(std::move(bus)), timeoutMs_(timeoutMs), context_(std::make_unique<QObject>()) {}

PowerProfileClient::~PowerProfileClient() = default;

void PowerProfileClient::request(PowerProfileDone done) {
    if (!bus_)
        bus_ = QDBusConnection::systemBus();
    ask(0, std::move(done));
}

void PowerProfileClient::ask(std::size_t index, PowerProfileDone done) {
    const ProfileService& service = services()[index];
    QDBusMessage get = QDBusMessage::createMethodCall(
        service.name, service.path, QStringLiteral("org.freedesktop.DBus.Properties"),
        QStringLiteral("Get"));
    get << service.name << QStringLiteral("ActiveProfile");
    // A connection that never connected answers with an error message too, later, from the
    // event loop: the caller never hears back from inside request().
    auto* watcher = new QDBusPendingCallWatcher(bus_->asyncCall(get, timeoutMs_), context_.get());
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, watcher,
                     [this, index, done = std::move(done)](QDBusPendingCallWatcher* finished) {
                         finished->deleteLater();
                         const QDBusMessage reply = finished->reply();
                         if (std::optional<QString> profile = profileFrom(reply)) {
                             failing_ = false;
                             done(profile);
                             return;
                         }
                         if (index + 1 < services().size()) {
                             ask(index + 1, done);
                             return;
                         }
                         if (!failing_)
                             qCWarning(log::platform,
                                       "No power profile daemon answered (%s): low power off",
                                       qUtf8Printable(reply.errorMessage()));
                         failing_ = true;
                         done(std::nullopt);
                     });
}

PowerProfileReader PowerProfileClient::systemReader() {
    auto client = std::make_shared<PowerProfileClient>();
    return [client](PowerProfileDone done) { client->request(std::move(done)); };
}

} // namespace morvanex::platform
