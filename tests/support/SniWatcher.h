#pragma once

#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusServiceWatcher>
#include <QObject>
#include <QStringList>

namespace morvanex::test {

// A StatusNotifierWatcher of the test's own: owns org.kde.StatusNotifierWatcher on a bus,
// records every item that registers (a service name as given; an object path is prefixed
// with the caller's unique name, as desktop watchers do) and announces it. Like desktop
// watchers, it lists each item once, in the order they first registered, and drops an item
// whose bus name goes away. It can be told to refuse registrations, as a watcher that is not
// ready yet does.
class SniWatcher : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")
    Q_PROPERTY(QStringList RegisteredStatusNotifierItems READ registered)
    Q_PROPERTY(bool IsStatusNotifierHostRegistered READ hostRegistered)
    Q_PROPERTY(int ProtocolVersion READ protocolVersion)

public:
    explicit SniWatcher(QDBusConnection bus, QObject* parent = nullptr);
    ~SniWatcher() override;

    // Takes the watcher's name and object; whether the bus gave them.
    bool start();
    // Gives them up again, as a panel that quits does.
    void stop();

    // The next `count` registrations are answered with an error, and not recorded.
    void refuseNext(int count) { refusals_ = count; }
    // Registrations refused so far.
    int refused() const { return refused_; }

    // Every registration so far, in order, repeats included.
    QStringList registrations() const { return registrations_; }
    // The items as RegisteredStatusNotifierItems lists them: the live ones, each once.
    QStringList registered() const { return live_; }
    bool hostRegistered() const { return hostRegistered_; }
    // Until a host registers, the watcher says no host uses it (by default one does).
    void awaitHost() { hostRegistered_ = false; }
    int protocolVersion() const { return 0; }

public slots:
    Q_SCRIPTABLE void RegisterStatusNotifierItem(const QString& service);
    Q_SCRIPTABLE void RegisterStatusNotifierHost(const QString& service);

signals:
    Q_SCRIPTABLE void StatusNotifierItemRegistered(const QString& service);
    Q_SCRIPTABLE void StatusNotifierHostRegistered();
    void itemRegistered(const QString& service);
    // Every registration taken, repeats included.
    void registrationTaken(const QString& service);
    void itemUnregistered(const QString& service);

private:
    QDBusConnection bus_;
    QStringList registrations_;
    QStringList live_;
    QDBusServiceWatcher* owners_; // child: the bus names of live items
    bool running_ = false;
    int refusals_ = 0;
    bool hostRegistered_ = true;
    int refused_ = 0;
};

} // namespace morvanex::test
