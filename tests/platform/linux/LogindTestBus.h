#pragma once

// A private message bus with a fake login manager and a fake screen saver, for the tests of
// the keep-awake assertions. Header-only so both test programs can use it.

#include "support/PrivateBus.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusUnixFileDescriptor>
#include <QDBusVirtualObject>
#include <QString>
#include <QThread>
#include <QUuid>
#include <cstdint>
#include <fcntl.h>
#include <mutex>
#include <poll.h>
#include <unistd.h>
#include <vector>

namespace morvanex::test {

// A private bus of the test's own (sealed: no service of the machine is ever started on it).
class DesktopBus {
public:
    bool isRunning() const { return bus_.isRunning(); }

    // A new connection of its own to the bus.
    QDBusConnection connect(const QString& role) {
        return bus_.connect(role + QUuid::createUuid().toString(QUuid::WithoutBraces));
    }

private:
    PrivateBus bus_;
};

// One row of logind's ListInhibitors answer, a(ssssuu).
struct ListedInhibitor {
    QString what, who, why, mode;
    uint uid = 0, pid = 0;
};
inline QDBusArgument& operator<<(QDBusArgument& argument, const ListedInhibitor& row) {
    argument.beginStructure();
    argument << row.what << row.who << row.why << row.mode << row.uid << row.pid;
    argument.endStructure();
    return argument;
}
inline const QDBusArgument& operator>>(const QDBusArgument& argument, ListedInhibitor& row) {
    argument.beginStructure();
    argument >> row.what >> row.who >> row.why >> row.mode >> row.uid >> row.pid;
    argument.endStructure();
    return argument;
}

} // namespace morvanex::test

Q_DECLARE_METATYPE(morvanex::test::ListedInhibitor)

namespace morvanex::test {

// logind's Inhibit: hands out the write end of a pipe and keeps the read end, which reports a
// hang-up once every copy of the write end is closed, as logind watches its lock.
class FakeLogind : public QDBusVirtualObject {
public:
    enum class Answer { lock, refuse, never };
    struct Inhibit {
        QString what, who, why, mode;
        int readEnd = -1;
    };

    ~FakeLogind() override {
        for (const Inhibit& inhibit : inhibits_)
            ::close(inhibit.readEnd);
    }

    void setAnswer(Answer answer) {
        const std::lock_guard lock(mutex_);
        answer_ = answer;
    }
    std::vector<Inhibit> inhibits() const {
        const std::lock_guard lock(mutex_);
        return inhibits_;
    }
    // Inhibit calls received, answered or not.
    int calls() const {
        const std::lock_guard lock(mutex_);
        return calls_;
    }
    // Every copy of the lock handed out as the index-th answer is closed.
    bool released(std::size_t index) const {
        const auto all = inhibits();
        if (index >= all.size())
            return false;
        pollfd poll{all[index].readEnd, POLLIN, 0};
        return ::poll(&poll, 1, 0) == 1 && (poll.revents & POLLHUP) != 0;
    }

    // Locks of other programs that ListInhibitors names before the ones handed out here.
    void setOtherLocks(QList<ListedInhibitor> others) {
        const std::lock_guard lock(mutex_);
        others_ = std::move(others);
    }

    QString introspect(const QString&) const override { return {}; }
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override {
        if (message.interface() != QStringLiteral("org.freedesktop.login1.Manager"))
            return false;
        if (message.member() == QStringLiteral("ListInhibitors"))
            return list(message, connection);
        if (message.member() != QStringLiteral("Inhibit") || message.arguments().size() != 4)
            return false;
        const std::lock_guard lock(mutex_);
        ++calls_;
        if (answer_ == Answer::never)
            return true;
        if (answer_ == Answer::refuse) {
            connection.send(message.createErrorReply(
                QStringLiteral("org.freedesktop.DBus.Error.AccessDenied"), QStringLiteral("no")));
            return true;
        }
        int ends[2];
        if (::pipe2(ends, O_CLOEXEC) != 0)
            return false;
        const QList<QVariant> arguments = message.arguments();
        inhibits_.push_back({arguments[0].toString(), arguments[1].toString(),
                             arguments[2].toString(), arguments[3].toString(), ends[0]});
        const QDBusUnixFileDescriptor writeEnd(ends[1]); // a copy of its own
        ::close(ends[1]);
        connection.send(message.createReply(QVariant::fromValue(writeEnd)));
        return true;
    }

private:
    // The other programs' locks, then each lock handed out here that is still held, as pid
    // 4000 + its index.
    bool list(const QDBusMessage& message, const QDBusConnection& connection) {
        qDBusRegisterMetaType<ListedInhibitor>();
        qDBusRegisterMetaType<QList<ListedInhibitor>>();
        QList<ListedInhibitor> rows;
        {
            const std::lock_guard lock(mutex_);
            if (answer_ == Answer::never)
                return true;
            rows = others_;
        }
        const auto all = inhibits();
        for (std::size_t i = 0; i < all.size(); ++i) {
            if (!released(i))
                rows.append({all[i].what, all[i].who, all[i].why, all[i].mode, uint(::getuid()),
                             uint(4000 + i)});
        }
        connection.send(message.createReply(QVariant::fromValue(rows)));
        return true;
    }

    mutable std::mutex mutex_;
    Answer answer_ = Answer::lock;
    int calls_ = 0;
    std::vector<Inhibit> inhibits_;
    QList<ListedInhibitor> others_;
};

// The desktop's org.freedesktop.ScreenSaver: Inhibit answers a cookie, UnInhibit is recorded.
class FakeScreenSaver : public QDBusVirtualObject {
public:
    struct Inhibit {
        QString application, reason;
        std::uint32_t cookie = 0;
    };

    std::vector<Inhibit> inhibits() const {
        const std::lock_guard lock(mutex_);
        return inhibits_;
    }
    std::vector<std::uint32_t> uninhibited() const {
        const std::lock_guard lock(mutex_);
        return uninhibited_;
    }

    QString introspect(const QString&) const override { return {}; }
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override {
        if (message.interface() != QStringLiteral("org.freedesktop.ScreenSaver"))
            return false;
        const std::lock_guard lock(mutex_);
        const QList<QVariant> arguments = message.arguments();
        if (message.member() == QStringLiteral("Inhibit") && arguments.size() == 2) {
            const std::uint32_t cookie = nextCookie_++;
            inhibits_.push_back({arguments[0].toString(), arguments[1].toString(), cookie});
            connection.send(message.createReply(QVariant::fromValue(uint(cookie))));
            return true;
        }
        if (message.member() == QStringLiteral("UnInhibit") && arguments.size() == 1) {
            uninhibited_.push_back(arguments[0].toUInt());
            connection.send(message.createReply());
            return true;
        }
        return false;
    }

private:
    mutable std::mutex mutex_;
    std::uint32_t nextCookie_ = 7001;
    std::vector<Inhibit> inhibits_;
    std::vector<std::uint32_t> uninhibited_;
};

// The fakes on a bus, answering on a thread of their own so that a caller blocked in a call on
// the main thread is still answered.
class FakeDesktop {
public:
    explicit FakeDesktop(DesktopBus& bus, bool withLogind = true, bool withScreenSaver = true)
        : connection_(bus.connect(QStringLiteral("desktop"))) {
        thread_.start();
        logind.moveToThread(&thread_);
        screenSaver.moveToThread(&thread_);
        if (withLogind)
            offer(QStringLiteral("org.freedesktop.login1"),
                  QStringLiteral("/org/freedesktop/login1"), logind);
        if (withScreenSaver)
            offer(QStringLiteral("org.freedesktop.ScreenSaver"),
                  QStringLiteral("/org/freedesktop/ScreenSaver"), screenSaver);
    }
    ~FakeDesktop() {
        // Give the names back, so the next fake on the bus can take them.
        for (const QString& service : services_)
            connection_.unregisterService(service);
        connection_.unregisterObject(QStringLiteral("/org/freedesktop/login1"));
        connection_.unregisterObject(QStringLiteral("/org/freedesktop/ScreenSaver"));
        thread_.quit();
        thread_.wait();
    }
    FakeDesktop(const FakeDesktop&) = delete;
    FakeDesktop& operator=(const FakeDesktop&) = delete;

    // logind's notice before (true) and after (false) the machine sleeps.
    void sendPrepareForSleep(bool starting) {
        QDBusMessage signal = QDBusMessage::createSignal(
            QStringLiteral("/org/freedesktop/login1"),
            QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("PrepareForSleep"));
        signal << starting;
        connection_.send(signal);
    }

    // Every service asked for is on the bus.
    bool isReady() const { return ready_; }

private:
    void offer(const QString& service, const QString& path, QDBusVirtualObject& object) {
        const bool registered = connection_.registerVirtualObject(path, &object) &&
                                connection_.registerService(service);
        if (registered)
            services_.append(service);
        ready_ = ready_ && registered;
    }

    QDBusConnection connection_;
    QThread thread_;
    QStringList services_;
    bool ready_ = true;

public:
    FakeLogind logind;
    FakeScreenSaver screenSaver;
};

} // namespace morvanex::test
