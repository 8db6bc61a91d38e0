#include "support/XServer.h"

#include <QElapsedTimer>
#include <QProcessEnvironment>

namespace morvanex::test {

XServer::XServer(const QString& screen) {
    process_.start("Xvfb", {"-displayfd", "1", "-nolisten", "tcp", "-screen", "0", screen});
    if (!process_.waitForStarted(10000))
        return;
    QElapsedTimer waited;
    waited.start();
    while (!process_.canReadLine() && waited.elapsed() < 20000)
        process_.waitForReadyRead(500);
    const QByteArray number = process_.readLine().trimmed();
    if (!number.isEmpty())
        display_ = ":" + number;
}

XServer::~XServer() {
    process_.terminate();
    process_.waitForFinished(5000);
}

bool XServer::xdotool(const QStringList& arguments) const {
    QProcess tool;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("DISPLAY", QString::fromLatin1(display_));
    tool.setProcessEnvironment(environment);
    tool.start("xdotool", arguments);
    return tool.waitForFinished(10000) && tool.exitCode() == 0;
}

} // namespace morvanex::test
