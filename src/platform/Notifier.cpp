#include "platform/Notifier.h"

#include "platform/AppIconFile.h"
#include "platform/Log.h"

#include <QDBusError>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QUrl>
#include <QVariantMap>
#include <cstdio>
#include <utility>

namespace morvanex {
namespace {

const QString service = QStringLiteral("org.freedesktop.Notifications");
const QString path = QStringLiteral("/org/freedesktop/Notifications");
const QString interface = QStringLiteral("org.freedesktop.Notifications");

// The bus daemon answers at once; anything slower means a wedged bus or service, not a busy
// one. Posts wait at most this long per question before going out on the best guess.
constexpr int queryTimeoutMs = 1000;

QDBusMessage daemonCall(const QString& method, const QVariantList& args = {}) {
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
        QStringLiteral("org.freedesktop.DBus"), method);
    call.setArguments(args);
    return call;
}

bool answered(const QDBusMessage& reply) {
    return reply.type() == QDBusMessage::ReplyMessage;
}

void logLine(const QString& title, const QString& body) {
    // Standard error, never standard output: that is the agent protocol's channel.
    const QByteArray line = ("Morvanex notification: " + title + " \u2014 " + body + "\n").toUtf8();
    std::fwrite(line.constData(), 1, std::size_t(line.size()), stderr);
    std::fflush(stderr);
}

} // namespace

Notifier& Notifier::shared() {
    static Notifier notifier(QDBusConnection::sessionBus());
    return notifier;
}

Notifier::Notifier(QDBusConnection bus)
    : bus_(std::move(bus)), context_(std::make_unique<QObject>()) {}

// The context goes first: with it go the calls in flight, whose answers would reach members.
Notifier::~Notifier() {
    context_.reset();
}

void Notifier::setup() {
    application_ = true;
    if (!bus_.isConnected()) {
        qCWarning(log::platform, "No session bus (%s): notifications go to standard error",
                  qUtf8Printable(bus_.lastError().message()));
        available_ = false;
        return;
    }
    if (!asking_)
        ask();
}

bool Notifier::isAvailable() const {
    return application_ && bus_.isConnected() && available_.value_or(false);
}

void Notifier::post(const QString& title, const QString& body) {
    if (!application_ || !bus_.isConnected()) {
        logLine(title, body);
        return;
    }
    waiting_.push_back({title, body});
    if (!asking_)
        ask();
}

void Notifier::ask() {
    asking_ = true;
    call(daemonCall(QStringLiteral("NameHasOwner"), {service}), [this](const QDBusMessage& reply) {
        if (answered(reply) && reply.arguments().value(0).toBool())
            availabilityAnswered(true);
        else
            askActivatable();
    });
}

void Notifier::askActivatable() {
    call(daemonCall(QStringLiteral("ListActivatableNames")), [this](const QDBusMessage& reply) {
        availabilityAnswered(answered(reply) &&
                             reply.arguments().value(0).toStringList().contains(service));
    });
}

void Notifier::availabilityAnswered(bool available) {
    if (!available && available_ != false)
        qCWarning(log::platform,
                  "No desktop notification service on the session bus: notifications go to "
                  "standard error");
    available_ = available;
    if (!available || bodyMarkup_) {
        deliver();
        return;
    }
    call(
        QDBusMessage::createMethodCall(service, path, interface, QStringLiteral("GetCapabilities")),
        [this](const QDBusMessage& reply) {
            if (answered(reply)) {
                bodyMarkup_ = reply.arguments().value(0).toStringList().contains(
                    QStringLiteral("body-markup"));
            } else if (!capabilitiesFailureLogged_) {
                // Unknown: escaping is harmless where markup is not read. Asked again with the
                // next posts.
                capabilitiesFailureLogged_ = true;
                qCWarning(log::platform,
                          "The notification service did not tell its capabilities (%s): "
                          "bodies are escaped",
                          qUtf8Printable(reply.errorMessage()));
            }
            deliver();
        });
}

void Notifier::deliver() {
    asking_ = false;
    const bool available = isAvailable();
    const bool escape = bodyMarkup_.value_or(true);
    for (const Waiting& post : std::exchange(waiting_, {})) {
        if (!available) {
            logLine(post.title, post.body);
            continue;
        }
        QDBusMessage notify =
            QDBusMessage::createMethodCall(service, path, interface, QStringLiteral("Notify"));
        // The installed icon and desktop entry name the sender. The theme finds the icon by
        // name only where the install prefix is among the data folders, so the icon's file
        // goes along too: every service can show that.
        QVariantMap hints{{QStringLiteral("desktop-entry"), iconName}};
        if (const QString image = imagePath(); !image.isEmpty())
            hints.insert(QStringLiteral("image-path"), image);
        notify << QStringLiteral("Morvanex") << quint32(0) << iconName << post.title
               << (escape ? escapeNotificationMarkup(post.body) : post.body) << QStringList()
               << hints << qint32(-1);
        // Sent, not awaited: the notification's number is of no use to us.
        bus_.send(notify);
    }
}

QString Notifier::imagePath() {
    if (!imagePath_) {
        const QString file = platform::AppIconFile::find();
        if (file.isEmpty())
            qCWarning(log::platform,
                      "The application's icon file was not found beside the executable: "
                      "notifications name the icon only");
        // A file URI: the form notification servers take for an image path.
        imagePath_ =
            file.isEmpty() ? QString() : QString::fromUtf8(QUrl::fromLocalFile(file).toEncoded());
    }
    return *imagePath_;
}

void Notifier::call(const QDBusMessage& message, std::function<void(const QDBusMessage&)> then) {
    auto* watcher =
        new QDBusPendingCallWatcher(bus_.asyncCall(message, queryTimeoutMs), context_.get());
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, context_.get(),
                     [then = std::move(then)](QDBusPendingCallWatcher* finished) {
                         finished->deleteLater();
                         then(finished->reply());
                     });
}

QString escapeNotificationMarkup(const QString& body) {
    QString escaped = body;
    escaped.replace(QLatin1Char('&'), QStringLiteral("&amp;"));
    escaped.replace(QLatin1Char('<'), QStringLiteral("&lt;"));
    escaped.replace(QLatin1Char('>'), QStringLiteral("&gt;"));
    return escaped;
}

} // namespace morvanex
