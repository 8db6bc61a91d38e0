#include "e2e/TrayScene.h"

#include "e2e/RunBinary.h"
#include "support/TestEnv.h"
#include "support/Wait.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusUnixFileDescriptor>
#include <QDBusVirtualObject>
#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <cstdio>
#include <fcntl.h>
#include <mutex>
#include <unistd.h>
#include <vector>

namespace morvanex::test {

using namespace std::chrono_literals;

// logind's Inhibit as far as keep-awake needs it: each call gets the write end of a pipe whose
// read end is kept, as logind keeps its lock. Answers on a thread of its own, so the
// application's bounded wait is met even while the test's main thread runs a tool.
class FakeLogind : public QDBusVirtualObject {
public:
    ~FakeLogind() override {
        for (const int end : readEnds_)
            ::close(end);
    }

    int calls() const {
        const std::lock_guard lock(mutex_);
        return int(readEnds_.size());
    }

    QString introspect(const QString&) const override { return {}; }
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override {
        if (message.interface() != QStringLiteral("org.freedesktop.login1.Manager") ||
            message.member() != QStringLiteral("Inhibit") || message.arguments().size() != 4)
            return false;
        int ends[2];
        if (::pipe2(ends, O_CLOEXEC) != 0)
            return false;
        {
            const std::lock_guard lock(mutex_);
            readEnds_.push_back(ends[0]);
        }
        const QDBusUnixFileDescriptor writeEnd(ends[1]); // a copy of its own
        ::close(ends[1]);
        connection.send(message.createReply(QVariant::fromValue(writeEnd)));
        return true;
    }

private:
    mutable std::mutex mutex_;
    std::vector<int> readEnds_;
};

namespace {

const QString kWatcherService = QStringLiteral("org.kde.StatusNotifierWatcher");

// Ends a helper process the scene started: SIGTERM, then SIGKILL when it lingers.
void end(QProcess& process) {
    if (process.state() == QProcess::NotRunning)
        return;
    process.terminate();
    if (!process.waitForFinished(5000)) {
        process.kill();
        process.waitForFinished(5000);
    }
}

} // namespace

QStringList TrayScene::missingPrograms(Host host) {
    QStringList needed{QStringLiteral("Xvfb"),    QStringLiteral("openbox"),
                       QStringLiteral("xdotool"), QStringLiteral("xwininfo"),
                       QStringLiteral("xprop"),   QStringLiteral("dbus-daemon")};
    if (host == Host::xembedTray)
        needed << QStringLiteral("trayer");
    QStringList missing;
    for (const QString& program : needed)
        if (QStandardPaths::findExecutable(program).isEmpty())
            missing << program;
    return missing;
}

TrayScene::TrayScene(Host host)
    : host_(host), display_(QStringLiteral("%1x%2x24").arg(screenWidth).arg(screenHeight)) {
    if (display_.display().isEmpty()) {
        failure_ = QStringLiteral("Xvfb did not start");
        return;
    }
    if (!session_.isRunning() || !system_.isRunning()) {
        failure_ = QStringLiteral("dbus-daemon did not start");
        return;
    }
    // The application runs in a network namespace of its own, where only a bus at a path in
    // the file system can be reached.
    if (!session_.address().startsWith(QStringLiteral("unix:path=")) ||
        !system_.address().startsWith(QStringLiteral("unix:path="))) {
        failure_ = QStringLiteral("the private buses listen at %1 and %2, not at a path")
                       .arg(session_.address(), system_.address());
        return;
    }
    bus_ = session_.connect(QStringLiteral("tray-scene-test"));
    systemBus_ = system_.connect(QStringLiteral("tray-scene-logind"));

    logind_ = std::make_unique<FakeLogind>();
    logindThread_.start();
    logind_->moveToThread(&logindThread_);
    if (!systemBus_.registerVirtualObject(QStringLiteral("/org/freedesktop/login1"),
                                          logind_.get()) ||
        !systemBus_.registerService(QStringLiteral("org.freedesktop.login1"))) {
        failure_ = QStringLiteral("the fake login manager could not take its name");
        return;
    }

    if (!startWindowManager())
        return;
    if (host_ == Host::xembedTray)
        startTray();
    else
        startWatcher();
}

TrayScene::~TrayScene() {
    end(app_);
    end(watcher_);
    end(tray_);
    end(windowManager_);
    if (systemBus_.isConnected()) {
        systemBus_.unregisterService(QStringLiteral("org.freedesktop.login1"));
        systemBus_.unregisterObject(QStringLiteral("/org/freedesktop/login1"));
    }
    logindThread_.quit();
    logindThread_.wait();
}

QString TrayScene::dataHome() const {
    return scratchDir() + QStringLiteral("/data");
}

QProcessEnvironment TrayScene::appEnvironment() const {
    QProcessEnvironment environment = bareEnvironment();
    environment.insert(QStringLiteral("DISPLAY"), QString::fromLatin1(display_.display()));
    environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), session_.address());
    environment.insert(QStringLiteral("DBUS_SYSTEM_BUS_ADDRESS"), system_.address());
    environment.insert(QStringLiteral("XDG_DATA_HOME"), dataHome());
    return environment;
}

std::optional<QByteArray> TrayScene::x(const QString& program, const QStringList& arguments) const {
    QProcess tool;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DISPLAY"), QString::fromLatin1(display_.display()));
    tool.setProcessEnvironment(environment);
    tool.start(program, arguments);
    if (!tool.waitForFinished(10000)) {
        end(tool);
        return std::nullopt;
    }
    if (tool.exitStatus() != QProcess::NormalExit || tool.exitCode() != 0)
        return std::nullopt;
    return tool.readAllStandardOutput();
}

bool TrayScene::startWindowManager() {
    windowManager_.setProcessEnvironment(appEnvironment());
    windowManager_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    // A window manager announces itself on the root window once it manages the screen.
    const auto managing = [this] {
        const auto root = x(QStringLiteral("xprop"),
                            {QStringLiteral("-root"), QStringLiteral("_NET_SUPPORTING_WM_CHECK")});
        return root && root->contains("window id");
    };
    // Once in a full parallel run the window manager never came up; it is started again, a
    // few times, before the scene gives up, and each failed start says how it failed.
    constexpr int attempts = 3;
    QString why;
    for (int attempt = 1; attempt <= attempts; ++attempt) {
        windowManager_.start(QStringLiteral("openbox"), {QStringLiteral("--sm-disable")});
        if (!windowManager_.waitForStarted(10000)) {
            why = QStringLiteral("it did not start: ") + windowManager_.errorString();
        } else if (waitUntil([&] {
                       return windowManager_.state() == QProcess::NotRunning || managing();
                   }) &&
                   windowManager_.state() == QProcess::Running) {
            return true;
        } else if (windowManager_.state() == QProcess::NotRunning) {
            why = QStringLiteral("it ended with status %1").arg(windowManager_.exitCode());
        } else {
            why = QStringLiteral("it never announced itself on the root window");
        }
        std::fprintf(stderr, "tray scene: openbox, attempt %d of %d: %s\n", attempt, attempts,
                     qPrintable(why));
        end(windowManager_);
    }
    failure_ = QStringLiteral("openbox did not start managing the screen: ") + why;
    return false;
}

bool TrayScene::startWatcher(int refuse) {
    watcher_.setProcessEnvironment(appEnvironment());
    watcher_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QString program = QStringLiteral(MORVANEX_TEST_SNI_WATCHER);
    if (host_ == Host::gnomeShellWatcher) {
        // Started through a link of that name, the process's command name is "gnome-shell".
        const QString link = links_.filePath(QStringLiteral("gnome-shell"));
        if (!QFile::exists(link) && !QFile::link(program, link)) {
            failure_ = QStringLiteral("could not make the link ") + link;
            return false;
        }
        program = link;
    }
    QStringList arguments;
    if (refuse > 0)
        arguments << QStringLiteral("--refuse") << QString::number(refuse);
    watcher_.start(program, arguments);
    const bool ready = watcher_.waitForStarted(10000) && waitUntil([this] {
                           return bus_.interface()->isServiceRegistered(kWatcherService).value();
                       });
    if (!ready)
        failure_ = QStringLiteral("the test watcher did not take its name");
    return ready;
}

bool TrayScene::restartWatcher(int refuse) {
    end(watcher_);
    watcherOutput_.clear();
    if (!waitUntil(
            [this] { return !bus_.interface()->isServiceRegistered(kWatcherService).value(); }))
        return false;
    return startWatcher(refuse);
}

bool TrayScene::startTray() {
    tray_.setProcessEnvironment(appEnvironment());
    tray_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    tray_.start(QStringLiteral("trayer"),
                {QStringLiteral("--edge"), QStringLiteral("bottom"), QStringLiteral("--align"),
                 QStringLiteral("center"), QStringLiteral("--widthtype"), QStringLiteral("request"),
                 QStringLiteral("--height"), QStringLiteral("24"), QStringLiteral("--SetDockType"),
                 QStringLiteral("true")});
    // The tray owns the system tray selection once its window is up.
    const bool ready = tray_.waitForStarted(10000) && waitUntil([this] {
                           const auto found =
                               x(QStringLiteral("xdotool"),
                                 {QStringLiteral("search"), QStringLiteral("--classname"),
                                  QStringLiteral("^trayer$")});
                           return found && !found->trimmed().isEmpty();
                       });
    if (!ready)
        failure_ = QStringLiteral("trayer did not show its window");
    return ready;
}

bool TrayScene::startApp() {
    const QStringList command = morvanexCommand({});
    app_.setProcessEnvironment(appEnvironment());
    app_.start(command.first(), command.mid(1));
    return app_.waitForStarted(10000);
}

std::optional<int> TrayScene::terminateApp() {
    if (app_.state() == QProcess::NotRunning)
        return std::nullopt;
    app_.terminate();
    if (!app_.waitForFinished(30000)) {
        app_.kill();
        app_.waitForFinished(5000);
        return std::nullopt;
    }
    if (app_.exitStatus() != QProcess::NormalExit)
        return std::nullopt;
    return app_.exitCode();
}

QByteArray TrayScene::appErrors() {
    appErrors_ += app_.readAllStandardError();
    return appErrors_;
}

QStringList TrayScene::registeredItems() {
    if (watcher_.state() != QProcess::NotRunning)
        watcherOutput_ += watcher_.readAllStandardOutput();
    QStringList items;
    for (const QByteArray& line : watcherOutput_.split('\n'))
        if (!line.trimmed().isEmpty())
            items << QString::fromUtf8(line.trimmed());
    return items;
}

int TrayScene::locksTaken() const {
    return logind_ ? logind_->calls() : 0;
}

} // namespace morvanex::test
