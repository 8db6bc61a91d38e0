#include "monitors/KeepAwake.h"

#include "platform/linux/LogindTestBus.h"

#include <QCoreApplication>
#include <QLocale>
#include <QTest>
#include <algorithm>
#include <gtest/gtest.h>
#include <memory>

using namespace morvanex;
using Duration = KeepAwake::Duration;

namespace {

constexpr int waitMs = 60000;

// Counts the assertions that are held, and keeps the wake-up callback for the test to call.
struct FakePower {
    struct Assertion {
        Assertion(int& counter, int& mostLive) : live(counter) {
            mostLive = std::max(mostLive, ++live);
        }
        ~Assertion() { --live; }
        int& live;
    };

    int live = 0;
    int mostLive = 0; // the most held at one time
    int created = 0;
    bool refuse = false;
    std::vector<bool> displayFlags;
    QString name;
    std::function<void()> wake;

    platform::PowerAssertions table() {
        return {
            [this](bool keepDisplayOn, const QString& assertionName) -> platform::HeldToken {
                displayFlags.push_back(keepDisplayOn);
                name = assertionName;
                if (refuse)
                    return {};
                ++created;
                return std::make_shared<Assertion>(live, mostLive);
            },
            [this](std::function<void()> onResume) -> platform::HeldToken {
                wake = std::move(onResume);
                return std::shared_ptr<void>(nullptr, [this](void*) { wake = nullptr; });
            },
        };
    }
};

// Wall time that the test sets, or real time moved on by the test (for the real end timer).
// Lives as long as the keep-awake that reads it.
struct TestClock {
    QDateTime fixed;
    qint64 jumpMs = 0;
    platform::Clock clock() {
        return {[this] {
                    const QDateTime base =
                        fixed.isValid() ? fixed : QDateTime::currentDateTimeUtc();
                    return base.addMSecs(jumpMs);
                },
                [] { return 0.0; }};
    }
};

const QDateTime at1400(QDate(2024, 5, 6), QTime(14, 0), Qt::UTC);

} // namespace

TEST(KeepAwake, Durations) {
    struct Row {
        Duration duration;
        const char* label;
        std::optional<double> length;
    };
    const Row rows[] = {
        {Duration::minutes30, "30 minutes", 1800},
        {Duration::hour1, "1 hour", 3600},
        {Duration::hours2, "2 hours", 7200},
        {Duration::indefinitely, "Until turned off", std::nullopt},
    };
    ASSERT_EQ(KeepAwake::allDurations.size(), std::size(rows));
    for (std::size_t i = 0; i < std::size(rows); ++i) {
        SCOPED_TRACE(rows[i].label);
        EXPECT_EQ(KeepAwake::allDurations[i], rows[i].duration); // the menu's positions
        EXPECT_EQ(KeepAwake::label(rows[i].duration), rows[i].label);
        EXPECT_EQ(KeepAwake::length(rows[i].duration), rows[i].length);
    }
    EXPECT_EQ(KeepAwake::endTime(Duration::minutes30, at1400), at1400.addSecs(1800));
    EXPECT_FALSE(KeepAwake::endTime(Duration::indefinitely, at1400));
}

TEST(KeepAwake, StartsStopsAndRestarts) {
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    FakePower power;
    TestClock time{at1400};
    KeepAwake keepAwake(power.table(), time.clock());
    int changes = 0;
    keepAwake.onChange = [&] { ++changes; };
    EXPECT_FALSE(keepAwake.isActive);
    EXPECT_EQ(keepAwake.statusText(), "Off");
    EXPECT_EQ(keepAwake.assertion, 0u);

    // 30 minutes from 14:00.
    keepAwake.activate(false, KeepAwake::endTime(Duration::minutes30, at1400));
    EXPECT_TRUE(keepAwake.isActive);
    EXPECT_EQ(keepAwake.endDate, at1400.addSecs(1800));
    EXPECT_FALSE(keepAwake.keepsDisplayOn);
    EXPECT_NE(keepAwake.assertion, 0u);
    EXPECT_TRUE(keepAwake.timer);
    EXPECT_EQ(keepAwake.statusText(), "Until 2:30 PM");
    EXPECT_EQ(power.live, 1);
    EXPECT_EQ(power.name, "Morvanex Keep Awake");
    EXPECT_EQ(power.displayFlags, std::vector<bool>{false});
    EXPECT_EQ(changes, 1);

    // Until turned off, with the display: the old assertion goes, one new one is held.
    const std::uint32_t first = keepAwake.assertion;
    keepAwake.activate(true, std::nullopt);
    EXPECT_TRUE(keepAwake.isActive);
    EXPECT_TRUE(keepAwake.keepsDisplayOn);
    EXPECT_FALSE(keepAwake.endDate);
    EXPECT_FALSE(keepAwake.timer);
    EXPECT_NE(keepAwake.assertion, first);
    EXPECT_EQ(keepAwake.statusText(), "Until turned off");
    EXPECT_EQ(power.live, 1);
    EXPECT_EQ(power.created, 2);
    EXPECT_EQ(changes, 2); // the silent stop inside the start does not call back

    // 1 hour while until turned off: replaced, now with an end time.
    keepAwake.activate(false, KeepAwake::endTime(Duration::hour1, at1400));
    EXPECT_EQ(power.live, 1);
    EXPECT_EQ(keepAwake.endDate, at1400.addSecs(3600));
    EXPECT_TRUE(keepAwake.timer);
    EXPECT_EQ(changes, 3);

    keepAwake.stop(true);
    EXPECT_FALSE(keepAwake.isActive);
    EXPECT_FALSE(keepAwake.endDate);
    EXPECT_FALSE(keepAwake.timer);
    EXPECT_EQ(keepAwake.statusText(), "Off");
    EXPECT_EQ(power.live, 0);
    EXPECT_EQ(changes, 4);

    // Stopping while inactive releases nothing and still calls back when asked.
    keepAwake.stop(true);
    EXPECT_EQ(changes, 5);
    keepAwake.stop(false);
    EXPECT_EQ(changes, 5);
    QLocale::setDefault(QLocale::c());
}

TEST(KeepAwake, AnAssertionThatCannotBeTakenLeavesItOff) {
    FakePower power;
    power.refuse = true;
    TestClock time{at1400};
    KeepAwake keepAwake(power.table(), time.clock());
    int changes = 0;
    keepAwake.onChange = [&] { ++changes; };
    keepAwake.activate(true, at1400.addSecs(1800));
    EXPECT_FALSE(keepAwake.isActive);
    EXPECT_FALSE(keepAwake.endDate);
    EXPECT_FALSE(keepAwake.keepsDisplayOn);
    EXPECT_FALSE(keepAwake.timer);
    EXPECT_EQ(keepAwake.assertion, 0u);
    EXPECT_EQ(keepAwake.statusText(), "Off");
    EXPECT_EQ(changes, 1); // the displays still learn that it is off

    // A failed restart (the display option changed) keeps the one that was running as it was.
    power.refuse = false;
    keepAwake.activate(false, std::nullopt);
    ASSERT_TRUE(keepAwake.isActive);
    const auto running = keepAwake.assertion;
    power.refuse = true;
    keepAwake.activate(true, at1400.addSecs(600));
    EXPECT_TRUE(keepAwake.isActive);
    EXPECT_FALSE(keepAwake.keepsDisplayOn);
    EXPECT_FALSE(keepAwake.endDate);
    EXPECT_EQ(keepAwake.assertion, running);
    EXPECT_EQ(power.live, 1);

    // A restart that succeeds holds the new inhibitor before the old one is released.
    power.refuse = false;
    keepAwake.activate(true, std::nullopt);
    EXPECT_TRUE(keepAwake.keepsDisplayOn);
    EXPECT_EQ(power.live, 1);
    EXPECT_EQ(power.mostLive, 2);
}

TEST(KeepAwake, QuittingReleasesWithoutACallback) {
    FakePower power;
    TestClock time{at1400};
    int changes = 0;
    {
        KeepAwake keepAwake(power.table(), time.clock());
        keepAwake.onChange = [&] { ++changes; };
        keepAwake.activate(false, at1400.addSecs(1800));
        ASSERT_EQ(power.live, 1);
        keepAwake.stop(false);
        EXPECT_EQ(power.live, 0);
        keepAwake.activate(false, std::nullopt);
    } // destroyed while active
    EXPECT_EQ(power.live, 0);
    EXPECT_EQ(changes, 2);
}

TEST(KeepAwake, EndsByItselfAtTheEndTime) {
    FakePower power;
    TestClock time; // real time
    KeepAwake keepAwake(power.table(), time.clock());
    int changes = 0;
    keepAwake.onChange = [&] { ++changes; };
    keepAwake.activate(false, QDateTime::currentDateTimeUtc().addMSecs(300));
    ASSERT_TRUE(keepAwake.isActive);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !keepAwake.isActive; }, waitMs));
    EXPECT_EQ(power.live, 0);
    EXPECT_FALSE(keepAwake.timer);
    EXPECT_EQ(changes, 2); // the start, and the end
}

TEST(KeepAwake, AWakeUpAfterTheEndTimeEndsIt) {
    FakePower power;
    TestClock time; // real time, moved on by hand as a sleep would
    KeepAwake keepAwake(power.table(), time.clock());
    int changes = 0;
    keepAwake.onChange = [&] { ++changes; };
    keepAwake.activate(false, QDateTime::currentDateTimeUtc().addSecs(1800));
    ASSERT_TRUE(power.wake);

    // Woken before the end: still on.
    time.jumpMs = 600 * 1000;
    power.wake();
    QCoreApplication::sendPostedEvents(); // the check it queued
    EXPECT_TRUE(keepAwake.isActive);
    EXPECT_TRUE(keepAwake.timer);

    // The machine slept past the end: the timer, which stood still, is not waited for.
    time.jumpMs = 1801 * 1000;
    power.wake();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !keepAwake.isActive; }, waitMs));
    EXPECT_EQ(power.live, 0);
    EXPECT_EQ(changes, 2);
    EXPECT_FALSE(power.wake); // nothing watched once off
}

TEST(KeepAwake, UntilTurnedOffWatchesNoWakeUps) {
    FakePower power;
    TestClock time{at1400};
    KeepAwake keepAwake(power.table(), time.clock());
    keepAwake.activate(true, std::nullopt);
    EXPECT_FALSE(power.wake);
}

TEST(KeepAwake, HoldsALogindLockOverTheBus) {
    test::DesktopBus bus;
    ASSERT_TRUE(bus.isRunning());
    test::FakeDesktop desktop(bus);
    ASSERT_TRUE(desktop.isReady());
    const QDBusConnection client = bus.connect("client");
    const auto power = platform::PowerAssertions::over(client, client, std::chrono::seconds(60));
    KeepAwake keepAwake(power);

    // Taken on start, closed on stop.
    keepAwake.activate(false, QDateTime::currentDateTimeUtc().addSecs(3600));
    ASSERT_TRUE(keepAwake.isActive);
    ASSERT_EQ(desktop.logind.inhibits().size(), 1u);
    EXPECT_EQ(desktop.logind.inhibits()[0].what, "sleep");
    EXPECT_EQ(desktop.logind.inhibits()[0].who, "Morvanex");
    EXPECT_EQ(desktop.logind.inhibits()[0].why, "Morvanex Keep Awake");
    EXPECT_EQ(desktop.logind.inhibits()[0].mode, "block");
    EXPECT_FALSE(desktop.logind.released(0));
    keepAwake.stop(true);
    EXPECT_TRUE(QTest::qWaitFor([&] { return desktop.logind.released(0); }, waitMs));

    // With the display: the idle lock and the screen saver, both given back on stop.
    keepAwake.activate(true, std::nullopt);
    ASSERT_EQ(desktop.logind.inhibits().size(), 2u);
    EXPECT_EQ(desktop.logind.inhibits()[1].what, "idle:sleep");
    ASSERT_EQ(desktop.screenSaver.inhibits().size(), 1u);
    keepAwake.stop(true);
    EXPECT_TRUE(QTest::qWaitFor([&] { return desktop.logind.released(1); }, waitMs));
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            return desktop.screenSaver.uninhibited() ==
                   std::vector{desktop.screenSaver.inhibits()[0].cookie};
        },
        waitMs));

    // Closed when the end time comes.
    keepAwake.activate(false, QDateTime::currentDateTimeUtc().addMSecs(300));
    ASSERT_EQ(desktop.logind.inhibits().size(), 3u);
    EXPECT_TRUE(QTest::qWaitFor([&] { return desktop.logind.released(2); }, waitMs));
    EXPECT_FALSE(keepAwake.isActive);
}

TEST(KeepAwake, WakesUpOnTheLoginManagersNotice) {
    test::DesktopBus bus;
    ASSERT_TRUE(bus.isRunning());
    test::FakeDesktop desktop(bus);
    ASSERT_TRUE(desktop.isReady());
    const QDBusConnection client = bus.connect("client");
    TestClock time;
    KeepAwake keepAwake(platform::PowerAssertions::over(client, client, std::chrono::seconds(60)),
                        time.clock());
    keepAwake.activate(false, QDateTime::currentDateTimeUtc().addSecs(1800));
    ASSERT_TRUE(keepAwake.isActive);
    time.jumpMs = 3600 * 1000; // slept an hour
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            desktop.sendPrepareForSleep(false);
            return !keepAwake.isActive;
        },
        waitMs));
    EXPECT_TRUE(QTest::qWaitFor([&] { return desktop.logind.released(0); }, waitMs));
}

TEST(KeepAwake, NoLoginManagerNoKeepAwake) {
    test::DesktopBus bus;
    ASSERT_TRUE(bus.isRunning());
    const QDBusConnection client = bus.connect("client");
    KeepAwake keepAwake(platform::PowerAssertions::over(client, client, std::chrono::seconds(60)));
    int changes = 0;
    keepAwake.onChange = [&] { ++changes; };
    keepAwake.activate(false, std::nullopt);
    EXPECT_FALSE(keepAwake.isActive);
    EXPECT_EQ(changes, 1);
}
