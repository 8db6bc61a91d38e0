#pragma once

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>

namespace morvanex::test {

// A private X server (Xvfb) for the test, on a display number of its own choosing.
class XServer {
public:
    // `screen` is the first screen's WIDTHxHEIGHTxDEPTH.
    explicit XServer(const QString& screen = QStringLiteral("320x240x24"));
    ~XServer();
    XServer(const XServer&) = delete;
    XServer& operator=(const XServer&) = delete;

    // ":N", or empty when the server did not start.
    QByteArray display() const { return display_; }
    // Runs xdotool against this server; true when it succeeded.
    bool xdotool(const QStringList& arguments) const;

private:
    QProcess process_;
    QByteArray display_;
};

} // namespace morvanex::test
