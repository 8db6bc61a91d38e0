#pragma once

#include <QDBusConnection>
#include <QDBusMessage>
#include <QList>
#include <QObject>
#include <QVariantList>

namespace morvanex::test {

// Records every emission of one bus signal, with its arguments, as a client sees it.
class DBusSignalRecorder : public QObject {
    Q_OBJECT
public:
    DBusSignalRecorder(QDBusConnection bus, const QString& service, const QString& path,
                       const QString& interface, const QString& name);

    bool isConnected() const { return connected_; }
    int count() const { return int(received_.size()); }
    const QList<QVariantList>& received() const { return received_; }

private slots:
    void receive(const QDBusMessage& message);

private:
    QList<QVariantList> received_;
    bool connected_ = false;
};

} // namespace morvanex::test
