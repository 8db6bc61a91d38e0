#include "monitors/ProcessActions.h"

#include "support/PrivateBus.h"
#include "support/TestEnv.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QMutex>
#include <QProcess>
#include <QThread>
#include <csignal>
#include <gtest/gtest.h>

namespace actions = morvanex::ProcessActions;
using actions::ProcessHandle;
using morvanex::platform::Roots;

namespace {

const QString fixtures = QStringLiteral(MORVANEX_FIXTURES "/processes");

// A child that waits until it is signalled.
class Sleeper {
public:
    Sleeper() {
        process.start(QStringLiteral("/bin/sleep"), {QStringLiteral("600")});
        started = process.waitForStarted(30000);
    }
    ~Sleeper() {
        if (process.state() != QProcess::NotRunning) {
            process.kill();
            process.waitForFinished(30000);
        }
    }
    std::int32_t pid() const { return std::int32_t(process.processId()); }
    // The signal that ended the child, or 0 when it is still running after the wait.
    int endingSignal(int waitMs) {
        if (!process.waitForFinished(waitMs))
            return 0;
        return process.exitStatus() == QProcess::CrashExit ? process.exitCode() : -1;
    }

    QProcess process;
    bool started = false;
};

TEST(ProcessActionsProtection, WhichRowsMayQuit) {
    struct Case {
        std::int32_t pid;
        QString name;
        bool canQuit;
    };
    const auto self = std::int32_t(QCoreApplication::applicationPid());
    const Case cases[] = {
        {4242, "WindowServer", false}, {4242, "windowserver", true}, // exact, case-sensitive names
        {4242, "kernel_task", false},  {4242, "systemd", false},
        {4242, "Xorg", false},         {4242, "gnome-shell", false},
        {4242, "plasmashell", false},  {4242, "gnome-session-binary", false},
        {4242, "ksmserver", false},    {4242, "editor", true},
        {1, "editor", false},          {0, "editor", false},
        {-5, "editor", false},         {2, "editor", true},
        {self, "editor", false}, // never this application itself
    };
    for (const Case& c : cases)
        EXPECT_EQ(actions::canQuit(c.pid, c.name), c.canQuit)
            << c.pid << " " << c.name.toStdString();
}

TEST(ProcessActionsLocation, ExecutableOrOutermostBundle) {
    const std::pair<QString, QString> cases[] = {
        {"/usr/bin/x", "/usr/bin/x"},
        {"/Applications/A.app/Contents/Frameworks/B.app/Contents/MacOS/B", "/Applications/A.app"},
        {"/opt/Tool.app", "/opt/Tool.app"}, // a bundle is recognised only by what it holds
        {"/home/u/my apps/x.apple/bin/run", "/home/u/my apps/x.apple/bin/run"},
    };
    for (const auto& [path, expected] : cases)
        EXPECT_EQ(actions::locationOfExecutable(path), QUrl::fromLocalFile(expected))
            << path.toStdString();
}

TEST(ProcessActionsLocation, FromTheExecutableLink) {
    const Roots roots = Roots::under(fixtures + "/identity");
    const std::pair<std::int32_t, std::optional<QUrl>> cases[] = {
        {1, QUrl::fromLocalFile("/usr/lib/systemd/systemd")},
        {11, QUrl::fromLocalFile("/usr/bin/tool")}, // replaced on disk since it started
        {12, QUrl::fromLocalFile("/Applications/A.app")},
        {7, std::nullopt},  // kernel thread: no executable
        {99, std::nullopt}, // exited
    };
    for (const auto& [pid, expected] : cases)
        EXPECT_EQ(actions::location(pid, roots), expected) << pid;
}

// A file manager of the test's own on a private bus, answering on its own thread as a real
// one in another process would.
class FakeFileManager : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.FileManager1")
public:
    std::vector<QStringList> shown() const {
        const QMutexLocker lock(&mutex);
        return calls;
    }

public slots:
    void ShowItems(const QStringList& uris, const QString& startupId) {
        const QMutexLocker lock(&mutex);
        calls.push_back(uris + QStringList{startupId});
    }

private:
    mutable QMutex mutex;
    std::vector<QStringList> calls;
};

TEST(ProcessActionsLocation, ShowInFinderAsksTheFileManager) {
    const Roots roots = Roots::under(fixtures + "/identity");
    morvanex::test::PrivateBus bus;
    ASSERT_TRUE(bus.isRunning());
    const QDBusConnection client = bus.connect("client");
    actions::showInFinder(12, roots, client); // nobody serves the name yet: nothing happens

    FakeFileManager fake;
    QThread thread;
    fake.moveToThread(&thread);
    thread.start();
    QDBusConnection service = bus.connect("service");
    service.registerObject("/org/freedesktop/FileManager1", &fake, QDBusConnection::ExportAllSlots);
    ASSERT_TRUE(service.registerService("org.freedesktop.FileManager1"));

    // A kernel thread has no location, so only the second call reaches the bus; calls from one
    // connection arrive in order.
    actions::showInFinder(7, roots, client);
    actions::showInFinder(12, roots, client);
    QElapsedTimer waited;
    waited.start();
    while (fake.shown().empty() && waited.elapsed() < 10000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    service.unregisterObject("/org/freedesktop/FileManager1");
    thread.quit();
    thread.wait();

    ASSERT_FALSE(fake.shown().empty());
    EXPECT_EQ(fake.shown().front(), (QStringList{"file:///Applications/A.app", ""}));
}

TEST(ProcessActionsHandle, SignalsReachOnlyTheProcessItWasTakenFor) {
    Sleeper child;
    ASSERT_TRUE(child.started);
    const ProcessHandle handle(child.pid());
    ASSERT_TRUE(handle.valid());
    EXPECT_TRUE(handle.signal(0));

    child.process.kill();
    ASSERT_TRUE(child.process.waitForFinished(30000)); // exited and reaped: its id is free
    EXPECT_TRUE(handle.valid());
    EXPECT_FALSE(handle.signal(0));
    EXPECT_FALSE(handle.signal(SIGKILL));
}

TEST(ProcessActionsHandle, NoHandleForIdsWithoutAProcess) {
    // 0 and -1 would address a process group or every process through a bare kill.
    for (const std::int32_t pid : {0, -1, -4242}) {
        const ProcessHandle handle(pid);
        EXPECT_FALSE(handle.valid()) << pid;
        EXPECT_FALSE(handle.signal(0)) << pid;
    }
}

TEST(ProcessActionsHandle, MovesItsHold) {
    Sleeper child;
    ASSERT_TRUE(child.started);
    ProcessHandle first(child.pid());
    ProcessHandle second = std::move(first);
    EXPECT_FALSE(first.valid());
    EXPECT_TRUE(second.valid());
    ProcessHandle third(0);
    third = std::move(second);
    EXPECT_EQ(third.pid(), child.pid());
    actions::quit(third);
    EXPECT_EQ(child.endingSignal(30000), SIGTERM);
}

TEST(ProcessActionsQuit, QuitSendsTerminate) {
    Sleeper child;
    ASSERT_TRUE(child.started);
    actions::quit(ProcessHandle(child.pid()));
    EXPECT_EQ(child.endingSignal(30000), SIGTERM);
}

TEST(ProcessActionsQuit, ForceQuitAsksFirst) {
    for (const bool confirmed : {false, true}) {
        SCOPED_TRACE(confirmed);
        Sleeper child;
        ASSERT_TRUE(child.started);
        QStringList asked;
        actions::forceQuit(child.pid(), QStringLiteral("My \"Editor\" 2"),
                           [&](const QString& message, const QString& informative) {
                               asked << message << informative;
                               return confirmed;
                           });
        EXPECT_EQ(asked, (QStringList{QString::fromUtf8("Force quit “My \"Editor\" 2”?"),
                                      "You will lose any unsaved changes."}));
        if (confirmed)
            EXPECT_EQ(child.endingSignal(30000), SIGKILL);
        else
            EXPECT_EQ(child.endingSignal(300), 0); // still running
    }
}

TEST(ProcessActionsQuit, ForceQuitNeverReachesAProcessThatExitedWhileAsking) {
    Sleeper child;
    ASSERT_TRUE(child.started);
    Sleeper bystander;
    ASSERT_TRUE(bystander.started);
    actions::forceQuit(child.pid(), "sleep", [&](const QString&, const QString&) {
        child.process.kill();
        child.process.waitForFinished(30000);
        return true;
    });
    EXPECT_EQ(bystander.endingSignal(300), 0);
}

} // namespace

#include "ProcessActionsTest.moc"
