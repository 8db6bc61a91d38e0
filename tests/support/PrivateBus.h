#pragma once

#include <QDBusConnection>
#include <QProcess>
#include <QString>

namespace morvanex::test {

// A D-Bus daemon of the test's own, so fake services never meet the user's session.
class PrivateBus {
public:
    PrivateBus();
    ~PrivateBus();
    PrivateBus(const PrivateBus&) = delete;
    PrivateBus& operator=(const PrivateBus&) = delete;

    bool isRunning() const { return !address_.isEmpty(); }
    QString address() const { return address_; }
    // A new connection to the bus under `name` (each name is one client of the bus).
    QDBusConnection connect(const QString& name) const;

private:
    QProcess daemon_;
    QString address_;
    mutable QStringList names_;
};

} // namespace morvanex::test
