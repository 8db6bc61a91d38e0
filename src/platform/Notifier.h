#pragma once

#include <QDBusConnection>
#include <QString>
#include <optional>

namespace morvanex {

// The one place that posts user notifications: through the desktop's notification service
// when the tray application runs and a service is there, else as a line on standard error.
class Notifier {
public:
    static Notifier& shared(); // on the session bus

    explicit Notifier(QDBusConnection bus);

    // Called once by the tray application at launch: only then are notifications posted to
    // the desktop (the agent server and the report modes only log them).
    void setup();

    // True when set up for the tray application and a notification service is registered
    // or can be started on the bus.
    bool isAvailable() const;

    // Posts one notification for immediate display; no post replaces another. Nothing is
    // reported back.
    void post(const QString& title, const QString& body);

private:
    bool serverHasBodyMarkup();

    QDBusConnection bus_;
    bool application_ = false;
    std::optional<bool> bodyMarkup_; // asked once per process
};

// The body escaped for servers that read it as markup.
QString escapeNotificationMarkup(const QString& body);

} // namespace morvanex
