#include "support/PrivateBus.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>

namespace morvanex::test {

QString writeSealedBusConfig(const QString& folder) {
    const QString services = folder + QStringLiteral("/services");
    if (!QDir().mkpath(services))
        return {};
    // No <standard_session_servicedirs/> and no includes of the machine's configuration:
    // what the machine's packages put there must not reach the test.
    const QString text =
        QStringLiteral(
            "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\"\n"
            " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
            "<busconfig>\n"
            "  <type>session</type>\n"
            "  <listen>unix:dir=%1</listen>\n"
            "  <auth>EXTERNAL</auth>\n"
            "  <servicedir>%2</servicedir>\n"
            "  <policy context=\"default\">\n"
            "    <allow send_destination=\"*\" eavesdrop=\"true\"/>\n"
            "    <allow eavesdrop=\"true\"/>\n"
            "    <allow own=\"*\"/>\n"
            "  </policy>\n"
            "</busconfig>\n")
            .arg(folder.toHtmlEscaped(), services.toHtmlEscaped());
    const QString path = folder + QStringLiteral("/session.conf");
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(text.toUtf8()) < 0 ||
        !file.flush())
        return {};
    return path;
}

PrivateBus::PrivateBus() : folder_(QDir::tempPath() + QStringLiteral("/morvanex-bus-XXXXXX")) {
    if (!folder_.isValid())
        return;
    const QString config = writeSealedBusConfig(folder_.path());
    if (config.isEmpty())
        return;
    daemon_.start(QStringLiteral("dbus-daemon"),
                  {QStringLiteral("--config-file=") + config, QStringLiteral("--nofork"),
                   QStringLiteral("--nopidfile"), QStringLiteral("--print-address=1")});
    if (!daemon_.waitForStarted(10000))
        return;
    QElapsedTimer waited;
    waited.start();
    while (!daemon_.canReadLine() && waited.elapsed() < 20000)
        daemon_.waitForReadyRead(500);
    address_ = QString::fromUtf8(daemon_.readLine().trimmed());
}

PrivateBus::~PrivateBus() {
    for (const QString& name : names_)
        QDBusConnection::disconnectFromBus(name);
    daemon_.terminate();
    if (!daemon_.waitForFinished(5000)) {
        daemon_.kill();
        daemon_.waitForFinished(5000);
    }
}

QDBusConnection PrivateBus::connect(const QString& name) const {
    names_.append(name);
    return QDBusConnection::connectToBus(address_, name);
}

QString PrivateBus::serviceFolder() const {
    return folder_.path() + QStringLiteral("/services");
}

} // namespace morvanex::test
