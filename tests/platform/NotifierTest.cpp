#include "platform/Notifier.h"

#include "support/PrivateBus.h"
#include "support/Wait.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusContext>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QMutex>
#include <QThread>
#include <QTimer>
#include <QUrl>
#include <QVariantMap>
#include <cstdio>
#include <gtest/gtest.h>
#include <unistd.h>

using namespace morvanex;

namespace {

// A notification service of the test's own on the private bus. It answers on a thread of
// its own, as a real service in another process would while the caller waits; or, made
// silent, it takes every call and never answers, as a wedged service would.
class FakeNotifications : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    QStringList capabilities;
    bool silent = false;
    struct Post {
        QString app, summary, body;
        uint replaces;
        int timeout;
        QString icon, desktopEntry;
        QVariant imagePath; // invalid when the hint is missing
    };
    std::vector<Post> posts() const {
        const QMutexLocker lock(&mutex_);
        return posts_;
    }
    int capabilityQuestions() const {
        const QMutexLocker lock(&mutex_);
        return capabilityQuestions_;
    }

public slots:
    QStringList GetCapabilities() {
        const QMutexLocker lock(&mutex_);
        ++capabilityQuestions_;
        if (silent)
            setDelayedReply(true); // and never sent
        return capabilities;
    }
    uint Notify(const QString& app, uint replaces, const QString& icon, const QString& summary,
                const QString& body, const QStringList&, const QVariantMap& hints, int timeout) {
        const QMutexLocker lock(&mutex_);
        if (silent)
            setDelayedReply(true);
        posts_.push_back({app, summary, body, replaces, timeout, icon,
                          hints.value(QStringLiteral("desktop-entry")).toString(),
                          hints.value(QStringLiteral("image-path"))});
        return uint(posts_.size());
    }

private:
    mutable QMutex mutex_;
    std::vector<Post> posts_;
    int capabilityQuestions_ = 0;
};

struct Service {
    test::PrivateBus bus;
    QThread thread;
    FakeNotifications fake;
    QDBusConnection serviceConnection = bus.connect("service");

    enum class Start { now, later };

    explicit Service(QStringList capabilities, bool silent = false, Start start = Start::now) {
        fake.capabilities = std::move(capabilities);
        fake.silent = silent;
        fake.moveToThread(&thread);
        thread.start();
        serviceConnection.registerObject("/org/freedesktop/Notifications", &fake,
                                         QDBusConnection::ExportAllSlots);
        if (start == Start::now)
            registerName();
    }
    void registerName() { serviceConnection.registerService("org.freedesktop.Notifications"); }
    ~Service() {
        serviceConnection.unregisterObject("/org/freedesktop/Notifications");
        thread.quit();
        thread.wait();
    }

    std::vector<FakeNotifications::Post> waitForPosts(std::size_t count) {
        test::waitUntil([&] { return fake.posts().size() >= count; }, std::chrono::seconds(10));
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
        ASSERT_TRUE(test::waitUntil([&] { return notifier.isAvailable(); }));
        notifier.post("Morvanex", row.body);
        notifier.post("Morvanex", row.body);
        const auto posts = service.waitForPosts(2);
        ASSERT_EQ(posts.size(), 2u); // two posts, two notifications
        for (const auto& post : posts) {
            EXPECT_EQ(post.app, "Morvanex");
            EXPECT_EQ(post.summary, "Morvanex");
            EXPECT_EQ(post.body, row.delivered);
            EXPECT_EQ(post.replaces, 0u);
            EXPECT_EQ(post.timeout, -1);
            // The installed icon and desktop entry.
            EXPECT_EQ(post.icon, "morvanex");
            EXPECT_EQ(post.desktopEntry, "morvanex");
            // And the icon's file, for a service whose theme does not know the name: a file
            // URI of the application's icon (here the build tree's, beside no installed copy).
            ASSERT_EQ(post.imagePath.typeId(), QMetaType::QString);
            const QUrl image(post.imagePath.toString(), QUrl::StrictMode);
            EXPECT_TRUE(image.isLocalFile()) << post.imagePath.toString().toStdString();
            EXPECT_TRUE(QFileInfo(image.toLocalFile()).isFile())
                << image.toLocalFile().toStdString();
            EXPECT_EQ(QFileInfo(image.toLocalFile()).fileName(), "morvanex.svg");
        }
        EXPECT_EQ(service.fake.capabilityQuestions(), 1); // asked once, then remembered
    }
}

// A tick posts several notifications in a row while the service hangs: the posts return at
// once, the main thread keeps turning while they wait for the service's answers, and they go
// out in order once the question has timed out, escaped as they would be for a markup server.
TEST(Notifier, ASilentServiceDoesNotHoldTheMainThread) {
    Service service({"body"}, /*silent=*/true);
    ASSERT_TRUE(service.bus.isRunning());
    Notifier notifier(service.bus.connect("client"));
    notifier.setup();
    ASSERT_TRUE(test::waitUntil([&] { return notifier.isAvailable(); }));

    int ticks = 0;
    int ticksWhileWaiting = 0;
    QElapsedTimer posting;
    qint64 postingMs = -1;
    QTimer clock;
    clock.setInterval(10);
    QObject::connect(&clock, &QTimer::timeout, [&] {
        if (++ticks == 1) {
            posting.start();
            notifier.post("Morvanex", "CPU <1> & 2");
            notifier.post("Morvanex", "Memory");
            notifier.post("Morvanex", "Disk");
            postingMs = posting.elapsed();
        } else if (service.fake.posts().size() < 3) {
            ++ticksWhileWaiting;
        }
    });
    clock.start();
    const auto posts = service.waitForPosts(3);
    clock.stop();

    ASSERT_EQ(posts.size(), 3u);
    EXPECT_EQ(posts[0].body, "CPU &lt;1&gt; &amp; 2");
    EXPECT_EQ(posts[1].body, "Memory");
    EXPECT_EQ(posts[2].body, "Disk");
    EXPECT_GE(ticksWhileWaiting, 10);
    // Generous: a single question waited on would take the full second.
    EXPECT_LT(postingMs, 900);
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
    // What was written so far; capturing goes on.
    QByteArray sofar() {
        std::fflush(stderr);
        return contents();
    }
    QByteArray text() {
        restore();
        return contents();
    }

private:
    QByteArray contents() {
        std::rewind(file_);
        QByteArray out;
        char buffer[4096];
        while (const std::size_t got = std::fread(buffer, 1, sizeof buffer, file_))
            out.append(buffer, qsizetype(got));
        return out;
    }
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
    const QByteArray cpuLine =
        "Morvanex notification: Morvanex \xE2\x80\x94 CPU usage is above 90%\n";
    const QByteArray batteryLine =
        "Morvanex notification: Morvanex \xE2\x80\x94 Battery level is below 15%\n";
    Service service({"body"}, false, Service::Start::later);
    ASSERT_TRUE(service.bus.isRunning());
    Notifier noService(service.bus.connect("client"));
    Notifier headless(service.bus.connect("headless")); // never set up
    noService.setup();

    StderrCapture capture;
    headless.post("Morvanex", "Battery level is below 15%");
    EXPECT_TRUE(capture.sofar().contains(batteryLine)); // at once, without asking the bus
    noService.post("Morvanex", "CPU usage is above 90%");
    EXPECT_TRUE(test::waitUntil([&] { return capture.sofar().contains(cpuLine); }));
    EXPECT_FALSE(noService.isAvailable());
    EXPECT_FALSE(headless.isAvailable());
    const QByteArray logged = capture.text();
    EXPECT_EQ(logged.count(cpuLine), 1) << logged.toStdString();
    EXPECT_EQ(logged.count(batteryLine), 1) << logged.toStdString();
    EXPECT_TRUE(logged.contains("No desktop notification service")) << logged.toStdString();
    QCoreApplication::processEvents();
    EXPECT_TRUE(service.fake.posts().empty());

    // The bus is asked again for later posts: a service that has come meanwhile gets them.
    service.registerName();
    noService.post("Morvanex", "CPU usage is above 90%");
    const auto posts = service.waitForPosts(1);
    ASSERT_EQ(posts.size(), 1u);
    EXPECT_EQ(posts[0].body, "CPU usage is above 90%");
    EXPECT_TRUE(noService.isAvailable());
}

} // namespace

#include "NotifierTest.moc"
