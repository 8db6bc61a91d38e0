#include "platform/SingleInstance.h"

#include "support/PrivateBus.h"
#include "support/Wait.h"

#include <QDBusConnectionInterface>
#include <atomic>
#include <gtest/gtest.h>
#include <memory>
#include <thread>

using namespace morvanex;
using platform::SingleInstance;

namespace {

// A later start claims on a thread of its own: it waits for the first's answer, which the
// first (on this thread) can only give from the event loop.
struct LaterStart {
    std::atomic<bool> done{false};
    SingleInstance::Role role = SingleInstance::Role::alone;
    std::optional<int> exitCode;
    std::thread thread;

    explicit LaterStart(const QDBusConnection& bus) {
        thread = std::thread([this, bus] {
            SingleInstance later(bus);
            role = later.role();
            exitCode = later.exitCode();
            done = true;
        });
    }
    bool finish() {
        const bool finished = test::waitUntil([this] { return done.load(); });
        if (thread.joinable())
            thread.join();
        return finished;
    }
};

} // namespace

TEST(SingleInstance, LaterStartsAskTheFirstAndTheNameIsFreeAfterIt) {
    test::PrivateBus bus;
    ASSERT_TRUE(bus.isRunning());

    auto first = std::make_unique<SingleInstance>(bus.connect(QStringLiteral("first")));
    ASSERT_EQ(first->role(), SingleInstance::Role::primary);
    EXPECT_EQ(first->exitCode(), std::nullopt);
    int asked = 0;
    first->onShowSettings = [&] { ++asked; };

    LaterStart second(bus.connect(QStringLiteral("second")));
    ASSERT_TRUE(second.finish());
    EXPECT_EQ(second.role, SingleInstance::Role::secondary);
    EXPECT_EQ(second.exitCode, 0);
    EXPECT_EQ(asked, 1);
    // The later start gave nothing up that the first holds.
    const QDBusConnection watcher = bus.connect(QStringLiteral("watcher"));
    EXPECT_TRUE(watcher.interface()->isServiceRegistered(SingleInstance::serviceName).value());

    first->release();
    EXPECT_FALSE(watcher.interface()->isServiceRegistered(SingleInstance::serviceName).value());
    SingleInstance third(bus.connect(QStringLiteral("third")));
    EXPECT_EQ(third.role(), SingleInstance::Role::primary);
    first.reset(); // releasing twice takes nothing from the new owner
    EXPECT_TRUE(watcher.interface()->isServiceRegistered(SingleInstance::serviceName).value());
}

TEST(SingleInstance, FirstThatDoesNotAnswerLetsTheLaterStartExitWithFailure) {
    test::PrivateBus bus;
    ASSERT_TRUE(bus.isRunning());
    // A name owner that exports nothing: the call is refused at once.
    QDBusConnection squatter = bus.connect(QStringLiteral("squatter"));
    ASSERT_TRUE(squatter.registerService(SingleInstance::serviceName));

    SingleInstance later(bus.connect(QStringLiteral("later")));
    EXPECT_EQ(later.role(), SingleInstance::Role::secondary);
    EXPECT_FALSE(later.reachedFirst());
    EXPECT_EQ(later.exitCode(), 1);
}

TEST(SingleInstance, WithoutABusItRunsAlone) {
    const QDBusConnection none = QDBusConnection::connectToBus(
        QStringLiteral("unix:path=/nonexistent/bus"), QStringLiteral("no-bus"));
    SingleInstance alone(none);
    EXPECT_EQ(alone.role(), SingleInstance::Role::alone);
    EXPECT_EQ(alone.exitCode(), std::nullopt);
    QDBusConnection::disconnectFromBus(QStringLiteral("no-bus"));
}
