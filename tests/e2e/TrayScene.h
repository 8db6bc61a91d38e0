#pragma once

#include "support/PrivateBus.h"
#include "support/XServer.h"

#include <QByteArray>
#include <QDBusConnection>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>
#include <QTemporaryDir>
#include <QThread>
#include <memory>
#include <optional>

namespace morvanex::test {

class FakeLogind;

// A desktop of the test's own for the tray application: a private X server with a window
// manager, a private session bus with a panel host on it, and a private system bus on which a
// fake login manager hands out keep-awake locks. The host is the test watcher (status notifier
// items), the same posing as GNOME Shell's (the watcher process named "gnome-shell"), or an
// XEmbed tray with no watcher (the tray icon fallback).
//
// Every process is started and ended here by its own id; the application is started on
// request, isolated from the network where the machine allows.
class TrayScene {
public:
    enum class Host { watcher, gnomeShellWatcher, xembedTray };

    static constexpr int screenWidth = 1440;
    static constexpr int screenHeight = 900;

    explicit TrayScene(Host host);
    ~TrayScene();
    TrayScene(const TrayScene&) = delete;
    TrayScene& operator=(const TrayScene&) = delete;

    // The programs the scene needs that this machine lacks; empty when all are there.
    static QStringList missingPrograms(Host host);

    // Empty once the scene is up; else what did not start.
    QString failure() const { return failure_; }

    // What the application is started with: the bare environment, the display, both buses and
    // the data folder.
    QProcessEnvironment appEnvironment() const;
    // Where the application keeps its history.
    QString dataHome() const;

    // Starts morvanex; whether it started.
    bool startApp();
    QProcess& app() { return app_; }
    // Sends SIGTERM to the application and waits for it; its exit code, or nothing when it
    // crashed or did not end.
    std::optional<int> terminateApp();
    // Everything the application wrote to standard error so far.
    QByteArray appErrors();

    // The test's own connection to the session bus.
    QDBusConnection bus() const { return bus_; }
    // The registrations the running watcher has taken so far, repeats included.
    QStringList registeredItems();
    // Ends the watcher, as a panel that restarts does, and starts a new one that refuses its
    // first `refuse` registrations; whether the new one took the watcher's name.
    bool restartWatcher(int refuse = 0);
    // Keep-awake locks the fake login manager has handed out.
    int locksTaken() const;

    // Runs an X client (xdotool, xwininfo, xprop) on the scene's display; its standard output,
    // or nothing when it failed.
    std::optional<QByteArray> x(const QString& program, const QStringList& arguments) const;

private:
    bool startWindowManager();
    bool startWatcher(int refuse = 0);
    bool startTray();

    Host host_;
    XServer display_;
    PrivateBus session_;
    PrivateBus system_;
    QDBusConnection bus_{QString()};
    QDBusConnection systemBus_{QString()};
    QThread logindThread_;
    std::unique_ptr<FakeLogind> logind_;
    QProcess windowManager_;
    QTemporaryDir links_; // "gnome-shell", a link to the test watcher
    QProcess watcher_;
    QProcess tray_;
    QProcess app_;
    QByteArray watcherOutput_;
    QByteArray appErrors_;
    QString failure_;
};

} // namespace morvanex::test
