#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QString>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QDBusMessage;

namespace morvanex {

// The one place that posts user notifications: through the desktop's notification service
// when the tray application runs and a service is there, else as a line on standard error.
// Nothing here waits on the bus: the questions it asks (is a service there, does it read
// markup) are answered later from the event loop of the thread that made the notifier, and
// posts made meanwhile wait in order for the answers.
class Notifier {
public:
    static Notifier& shared(); // on the session bus

    // The icon theme name of the application's icon, also the base name of its desktop entry.
    static inline const QString iconName = QStringLiteral("morvanex");

    explicit Notifier(QDBusConnection bus);
    ~Notifier();
    Notifier(const Notifier&) = delete;
    Notifier& operator=(const Notifier&) = delete;

    // Called once by the tray application at launch: only then are notifications posted to
    // the desktop (the agent server and the report modes only log them). Asks the bus at once
    // whether a service is there, so the answer is ready for `isAvailable`.
    void setup();

    // True when set up for the tray application and, at the bus's last answer, a notification
    // service was registered or could be started. The bus is asked at setup and again for
    // every batch of posts; until its first answer this is false.
    bool isAvailable() const;

    // Posts one notification for immediate display; no post replaces another. Returns at once;
    // nothing is reported back.
    void post(const QString& title, const QString& body);

private:
    struct Waiting {
        QString title;
        QString body;
    };

    void ask();
    void askActivatable();
    void availabilityAnswered(bool available);
    void deliver();
    void call(const QDBusMessage& message, std::function<void(const QDBusMessage&)> then);
    // The application's icon file as a file URI, looked up at the first post; empty when the
    // file is not there.
    QString imagePath();

    QDBusConnection bus_;
    bool application_ = false;
    bool asking_ = false;
    std::optional<bool> available_;  // the bus's last answer
    std::optional<bool> bodyMarkup_; // the service's answer, asked once per process
    bool capabilitiesFailureLogged_ = false;
    std::optional<QString> imagePath_;
    std::vector<Waiting> waiting_;
    std::unique_ptr<QObject> context_; // parent of the calls in flight
};

// The body escaped for servers that read it as markup.
QString escapeNotificationMarkup(const QString& body);

} // namespace morvanex
