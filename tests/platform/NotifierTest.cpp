#include "platform/Notifier.h"

#include "support/PrivateBus.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QElapsedTimer>
#include <QMutex>
#include <QThread>
#include <QVariantMap>
#include <cstdio>
#include <gtest/gtest.h>
#include <unistd.h>

using namespace morvanex;

namespace {

// A notification service of the test's own on the private bus. It answers on a thread of
// its own, as a real service in another process would while the caller waits.
class FakeNotifications : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    QStringList capabilities;
    struct Post {
        QString app, summary, body;
        uint replaces;
        int timeout;
    };
    std::vector<Post> posts() const {
        const QMutexLocker lock(&mutex_);
        return posts_;
    }

public slots:
    QStringList GetCapabilities() { return capabilities; }
    uint Notify(const QString& app, uint replaces, const QString&, const QString& summary,
                const QString& body, const QStringList&, const QVariantMap&, int timeout) {
        const QMutexLocker lock(&mutex_);
        posts_.push_back({app, summary, body, replaces, timeout});
        return uint(posts_.size());
    }

private:
    mutable QMutex mutex_;
    std::vector<Post> posts_;
};

struct Service {
    test::PrivateBus bus;
    QThread thread;
    FakeNotifications fake;
    QDBusConnection serviceConnection = bus.connect("service");

    explicit Service(QStringList capabilities) {
        fake.capabilities = std::move(capabilities);
        fake.moveToThread(&thread);
        thread.start();
        serviceConnection.registerObject("/org/freedesktop/Notifications", &fake,
                                         QDBusConnection::ExportAllSlots);
        serviceConnection.registerService("org.freedesktop.Notifications");
    }
    ~Service() {
        serviceConnection.unregisterObject("/org/freedesktop/Notifications");
        thread.quit();
        thread.wait();
    }

    std::vector<FakeNotifications::Post> waitForPosts(std::size_t count) {
        QElapsedTimer waited;
        waited.start();
        while (fake.posts().size() < count && waited.elapsed() < 10000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        return fake.posts();
    }
};

TEST(Notifier, PostsToTheDesktopServiceEscapingMarkup) {
    struct Row {
        const char* name;
        QStringList capabilities;
        QString body;
        QString delivered;
    };
    const Row rows[] = {
        {"markup server",
         {"body", "body-markup"},
         "Disk <sda> & more",
         "Disk &lt;sda&gt; &amp; more"},
        {"plain server", {"body"}, "Disk <sda> & more", "Disk <sda> & more"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Service service(row.capabilities);
        ASSERT_TRUE(service.bus.isRunning());
        Notifier notifier(service.bus.connect("client"));
        EXPECT_FALSE(notifier.isAvailable()); // not the tray application yet
        notifier.setup();
        ASSERT_TRUE(notifier.isAvailable());
        notifier.post("Morvanex", row.body);
        notifier.post("Morvanex", row.body);
        const auto posts = service.waitForPosts(2);
        ASSERT_EQ(posts.size(), 2u); // two posts, two notifications
        const auto& post = posts[0];
        EXPECT_EQ(post.app, "Morvanex");
        EXPECT_EQ(post.summary, "Morvanex");
        EXPECT_EQ(post.body, row.delivered);
        EXPECT_EQ(post.replaces, 0u);
        EXPECT_EQ(post.timeout, -1);
    }
}

// Captures what the process writes to standard error while alive.
class StderrCapture {
public:
    StderrCapture() {
        std::fflush(stderr);
        saved_ = ::dup(2);
        file_ = std::tmpfile();
        ::dup2(::fileno(file_), 2);
    }
    ~StderrCapture() {
        restore();
        std::fclose(file_);
    }
    QByteArray text() {
        restore();
        std::rewind(file_);
        QByteArray out;
        char buffer[4096];
        while (const std::size_t got = std::fread(buffer, 1, sizeof buffer, file_))
            out.append(buffer, qsizetype(got));
        return out;
    }

private:
    void restore() {
        if (saved_ < 0)
            return;
        std::fflush(stderr);
        ::dup2(saved_, 2);
        ::close(saved_);
        saved_ = -1;
    }
    int saved_ = -1;
    std::FILE* file_ = nullptr;
};

TEST(Notifier, WithoutAServiceOrOutsideTheApplicationItLogsToStandardError) {
    test::PrivateBus bus;
    ASSERT_TRUE(bus.isRunning());
    Notifier noService(bus.connect("client"));
    noService.setup();
    EXPECT_FALSE(noService.isAvailable());

    Service service({"body"});
    Notifier headless(service.bus.connect("headless"));

    StderrCapture capture;
    noService.post("Morvanex", "CPU usage is above 90%");
    headless.post("Morvanex", "Battery level is below 15%");
    const QByteArray logged = capture.text();
    EXPECT_TRUE(
        logged.contains("Morvanex notification: Morvanex \xE2\x80\x94 CPU usage is above 90%\n"))
        << logged.toStdString();
    EXPECT_TRUE(logged.contains(
        "Morvanex notification: Morvanex \xE2\x80\x94 Battery level is below 15%\n"));
    QCoreApplication::processEvents();
    EXPECT_TRUE(service.fake.posts().empty());
}

} // namespace

#include "NotifierTest.moc"
