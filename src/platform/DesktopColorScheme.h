#pragma once

#include <QDBusConnection>
#include <QDBusVariant>
#include <QObject>
#include <QVariant>

namespace morvanex::platform {

// The desktop's light or dark preference, as the freedesktop settings portal publishes it
// ("org.freedesktop.appearance" "color-scheme": 0 no preference, 1 dark, 2 light). Asks once,
// without waiting, and then follows the portal's change signal while this object lives.
class DesktopColorScheme : public QObject {
    Q_OBJECT
public:
    enum class Preference { none, dark, light };

    explicit DesktopColorScheme(QDBusConnection bus = QDBusConnection::sessionBus(),
                                QObject* parent = nullptr);

    // Sends the read and subscribes to changes; each answer arrives as `changed`.
    void start();

    // The preference a portal value stands for (plain or wrapped in variants); anything
    // unreadable is no preference.
    static Preference fromValue(const QVariant& value);

signals:
    void changed(morvanex::platform::DesktopColorScheme::Preference preference);

private slots:
    void settingChanged(const QString& group, const QString& key, const QDBusVariant& value);

private:
    QDBusConnection bus_;
};

} // namespace morvanex::platform
