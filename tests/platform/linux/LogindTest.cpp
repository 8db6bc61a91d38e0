#include "platform/linux/LogindInhibitor.h"
#include "platform/linux/LogindInhibitors.h"
#include "platform/linux/LogindPowerAssertion.h"
#include "platform/linux/LogindSleepWatch.h"
#include "platform/linux/LogindTestBus.h"
#include "support/LogCapture.h"

#include <QTest>
#include <gtest/gtest.h>

using namespace morvanex::platform;
using morvanex::test::DesktopBus;
using morvanex::test::FakeDesktop;
using morvanex::test::FakeLogind;

namespace {

constexpr std::chrono::milliseconds patient(60000);
constexpr int waitMs = 60000;

const LogindInhibitor::Request sleepLock{"sleep", "Morvanex", "Morvanex Keep Awake", "block"};

// The login manager holds one lock, and it is the sleep lock as asked.
void expectOnlyTheSleepLock(const FakeLogind& logind) {
    const auto inhibits = logind.inhibits();
    ASSERT_EQ(inhibits.size(), 1u);
    EXPECT_EQ(inhibits[0].what, "sleep");
    EXPECT_EQ(inhibits[0].who, "Morvanex");
    EXPECT_EQ(inhibits[0].why, "Morvanex Keep Awake");
    EXPECT_EQ(inhibits[0].mode, "block");
}

// Whether the login manager sees lock `index` released (its descriptor closed) in good time.
bool releasedSoon(const FakeLogind& logind, std::size_t index) {
    return QTest::qWaitFor([&] { return logind.released(index); }, waitMs);
}

} // namespace

TEST(LogindInhibitor, HoldsTheLockUntilDestroyed) {
    DesktopBus bus;
    ASSERT_TRUE(bus.isRunning());
    FakeDesktop desktop(bus);
    ASSERT_TRUE(desktop.isReady());
    auto lock = LogindInhibitor::take(bus.connect("client"), sleepLock, patient);
    ASSERT_TRUE(lock);
    EXPECT_GE(lock->fd(), 0);
    expectOnlyTheSleepLock(desktop.logind);
    if (HasFatalFailure())
        return;
    // Held while the object lives.
    EXPECT_FALSE(desktop.logind.released(0));

    lock.reset();
    EXPECT_TRUE(releasedSoon(desktop.logind, 0));
}

TEST(LogindInhibitor, MovingHandsTheLockOverAndReplacingReleasesTheOld) {
    DesktopBus bus;
    ASSERT_TRUE(bus.isRunning());
    FakeDesktop desktop(bus);
    ASSERT_TRUE(desktop.isReady());
    const QDBusConnection client = bus.connect("client");
    auto first = LogindInhibitor::take(client, sleepLock, patient);
    auto second = LogindInhibitor::take(client, sleepLock, patient);
    ASSERT_TRUE(first && second);

    LogindInhibitor moved(std::move(*first));
    first.reset(); // the moved-from shell closes nothing
    EXPECT_FALSE(desktop.logind.released(0));

    moved = std::move(*second);
    EXPECT_TRUE(releasedSoon(desktop.logind, 0));
    EXPECT_FALSE(desktop.logind.released(1));
}

TEST(LogindInhibitor, NoLockWithoutAnAnsweringLoginManager) {
    struct Row {
        const char* name;
        bool withLogind;
        FakeLogind::Answer answer;
    };
    const Row rows[] = {
        {"no login manager on the bus", false, FakeLogind::Answer::lock},
        {"refused", true, FakeLogind::Answer::refuse},
        {"never answers", true, FakeLogind::Answer::never},
    };
    DesktopBus bus;
    ASSERT_TRUE(bus.isRunning());
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        FakeDesktop desktop(bus, row.withLogind);
        ASSERT_TRUE(desktop.isReady());
        desktop.logind.setAnswer(row.answer);
        // A short bound: the call gives up instead of hanging with the login manager.
        const auto bound =
            row.answer == FakeLogind::Answer::never ? std::chrono::milliseconds(100) : patient;
        const morvanex::test::LogCapture logged;
        EXPECT_FALSE(LogindInhibitor::take(bus.connect("client"), sleepLock, bound));
        EXPECT_EQ(desktop.logind.calls(), row.withLogind ? 1 : 0);
        EXPECT_TRUE(logged.contains("morvanex.platform: logind did not take the sleep lock"))
            << logged.all();
    }
    const morvanex::test::LogCapture logged;
    EXPECT_FALSE(LogindInhibitor::take(QDBusConnection(QStringLiteral("never connected")),
                                       sleepLock, patient));
    EXPECT_TRUE(logged.contains("morvanex.platform: No system bus")) << logged.all();
}

TEST(LogindSleepWatch, CallsBackWhenTheMachineWakes) {
    DesktopBus bus;
    ASSERT_TRUE(bus.isRunning());
    FakeDesktop desktop(bus);
    ASSERT_TRUE(desktop.isReady());
    int resumed = 0;
    LogindSleepWatch watch(bus.connect("client"), [&] { ++resumed; });
    ASSERT_TRUE(watch.isWatching());
    // The subscription reaches the bus on its own time: send until it is heard.
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            desktop.sendPrepareForSleep(true);
            desktop.sendPrepareForSleep(false);
            return resumed > 0;
        },
        waitMs));

    LogindSleepWatch idle(QDBusConnection(QStringLiteral("never connected")), [] {});
    EXPECT_FALSE(idle.isWatching());
}

TEST(PowerAssertions, SystemSleepTakesOnlyTheSleepLock) {
    DesktopBus bus;
    ASSERT_TRUE(bus.isRunning());
    FakeDesktop desktop(bus);
    ASSERT_TRUE(desktop.isReady());
    const QDBusConnection client = bus.connect("client");
    const PowerAssertions power = PowerAssertions::over(client, client, patient);
    HeldToken token = power.create(false, "Morvanex Keep Awake");
    ASSERT_TRUE(token);
    expectOnlyTheSleepLock(desktop.logind);
    if (HasFatalFailure())
        return;
    EXPECT_TRUE(desktop.screenSaver.inhibits().empty());

    token.reset();
    EXPECT_TRUE(releasedSoon(desktop.logind, 0));
}

TEST(PowerAssertions, TheDisplayAlsoInhibitsIdleAndTheScreenSaver) {
    DesktopBus bus;
    ASSERT_TRUE(bus.isRunning());
    FakeDesktop desktop(bus);
    ASSERT_TRUE(desktop.isReady());
    const QDBusConnection client = bus.connect("client");
    HeldToken token =
        PowerAssertions::over(client, client, patient).create(true, "Morvanex Keep Awake");
    ASSERT_TRUE(token);
    ASSERT_EQ(desktop.logind.inhibits().size(), 1u);
    EXPECT_EQ(desktop.logind.inhibits()[0].what, "idle:sleep");
    const auto screen = desktop.screenSaver.inhibits();
    ASSERT_EQ(screen.size(), 1u);
    EXPECT_EQ(screen[0].application, "Morvanex");
    EXPECT_EQ(screen[0].reason, "Morvanex Keep Awake");

    token.reset();
    EXPECT_TRUE(releasedSoon(desktop.logind, 0));
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return desktop.screenSaver.uninhibited() == std::vector{screen[0].cookie}; },
        waitMs));
}

TEST(PowerAssertions, TheLoginManagerDecides) {
    DesktopBus bus;
    ASSERT_TRUE(bus.isRunning());
    const QDBusConnection client = bus.connect("client");
    const PowerAssertions power = PowerAssertions::over(client, client, patient);
    {
        // Without logind nothing is held, not even the screen saver's part.
        FakeDesktop desktop(bus, false, true);
        ASSERT_TRUE(desktop.isReady());
        EXPECT_FALSE(power.create(true, "Morvanex Keep Awake"));
        EXPECT_TRUE(desktop.screenSaver.inhibits().empty());
    }
    {
        // A desktop without a screen saver service still keeps the system awake.
        FakeDesktop desktop(bus, true, false);
        ASSERT_TRUE(desktop.isReady());
        HeldToken token = power.create(true, "Morvanex Keep Awake");
        EXPECT_TRUE(token);
        EXPECT_EQ(desktop.logind.inhibits().size(), 1u);
    }
}

TEST(PowerAssertions, WatchesWakeUps) {
    DesktopBus bus;
    ASSERT_TRUE(bus.isRunning());
    FakeDesktop desktop(bus);
    ASSERT_TRUE(desktop.isReady());
    const QDBusConnection client = bus.connect("client");
    int resumed = 0;
    HeldToken watch =
        PowerAssertions::over(client, client, patient).watchResume([&] { ++resumed; });
    ASSERT_TRUE(watch);
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            desktop.sendPrepareForSleep(false);
            return resumed > 0;
        },
        waitMs));
}

TEST(LogindInhibitors, ListsEveryHeldLockWithItsFields) {
    DesktopBus bus;
    ASSERT_TRUE(bus.isRunning());
    FakeDesktop desktop(bus);
    ASSERT_TRUE(desktop.isReady());
    desktop.logind.setOtherLocks({{"shutdown", "NetworkManager", "Saving state", "delay", 0, 12}});
    const QDBusConnection client = bus.connect("client");
    auto lock = LogindInhibitor::take(client, sleepLock, patient);
    ASSERT_TRUE(lock);

    const auto listed = listInhibitors(client, patient);
    ASSERT_TRUE(listed);
    const std::vector<InhibitorEntry> expected{
        {"shutdown", "NetworkManager", "Saving state", "delay", 0, 12},
        {"sleep", "Morvanex", "Morvanex Keep Awake", "block", std::uint32_t(::getuid()), 4000}};
    EXPECT_EQ(*listed, expected);

    lock.reset();
    ASSERT_TRUE(releasedSoon(desktop.logind, 0));
    EXPECT_EQ(listInhibitors(client, patient)->size(), 1u);
}

TEST(LogindInhibitors, NoListWithoutAnAnsweringLoginManager) {
    DesktopBus bus;
    ASSERT_TRUE(bus.isRunning());
    {
        FakeDesktop desktop(bus, false);
        EXPECT_FALSE(listInhibitors(bus.connect("client"), patient));
    }
    {
        FakeDesktop desktop(bus);
        desktop.logind.setAnswer(FakeLogind::Answer::never);
        EXPECT_FALSE(listInhibitors(bus.connect("client"), std::chrono::milliseconds(200)));
    }
    EXPECT_FALSE(listInhibitors(QDBusConnection(QStringLiteral("not connected")), patient));
}
