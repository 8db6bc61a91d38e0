#include "platform/linux/LogindTestBus.h"
#include "platform/linux/ScreenSaverInhibitor.h"

#include <QTest>
#include <gtest/gtest.h>

using namespace morvanex::platform;
using morvanex::test::FakeDesktop;
using morvanex::test::DesktopBus;

namespace {

constexpr std::chrono::milliseconds patient(60000);
constexpr int waitMs = 60000;

} // namespace

TEST(ScreenSaverInhibitor, InhibitsUntilDestroyed) {
    DesktopBus bus;
    ASSERT_TRUE(bus.isRunning());
    FakeDesktop desktop(bus);
    ASSERT_TRUE(desktop.isReady());
    auto inhibitor = ScreenSaverInhibitor::take(bus.connect("client"), "Morvanex",
                                                "Morvanex Keep Awake", patient);
    ASSERT_TRUE(inhibitor);
    const auto inhibits = desktop.screenSaver.inhibits();
    ASSERT_EQ(inhibits.size(), 1u);
    EXPECT_EQ(inhibits[0].application, "Morvanex");
    EXPECT_EQ(inhibits[0].reason, "Morvanex Keep Awake");
    EXPECT_EQ(inhibitor->cookie(), inhibits[0].cookie);
    EXPECT_TRUE(desktop.screenSaver.uninhibited().empty());

    inhibitor.reset();
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return desktop.screenSaver.uninhibited() == std::vector{inhibits[0].cookie}; },
        waitMs));
}

TEST(ScreenSaverInhibitor, ReleasesOnceWhateverMoves) {
    DesktopBus bus;
    ASSERT_TRUE(bus.isRunning());
    FakeDesktop desktop(bus);
    ASSERT_TRUE(desktop.isReady());
    const QDBusConnection client = bus.connect("client");
    auto first = ScreenSaverInhibitor::take(client, "Morvanex", "one", patient);
    auto second = ScreenSaverInhibitor::take(client, "Morvanex", "two", patient);
    ASSERT_TRUE(first && second);
    const std::uint32_t firstCookie = first->cookie();
    const std::uint32_t secondCookie = second->cookie();
    {
        ScreenSaverInhibitor moved(std::move(*first));
        first.reset();
        moved = std::move(*second); // releases the first
        second.reset();
    } // releases the second
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return desktop.screenSaver.uninhibited().size() >= 2; }, waitMs));
    EXPECT_EQ(desktop.screenSaver.uninhibited(), (std::vector{firstCookie, secondCookie}));
}

TEST(ScreenSaverInhibitor, NothingWithoutTheService) {
    DesktopBus bus;
    ASSERT_TRUE(bus.isRunning());
    FakeDesktop desktop(bus, true, false);
    ASSERT_TRUE(desktop.isReady());
    EXPECT_FALSE(ScreenSaverInhibitor::take(bus.connect("client"), "Morvanex",
                                            "Morvanex Keep Awake", patient));
    EXPECT_FALSE(ScreenSaverInhibitor::take(QDBusConnection(QStringLiteral("never connected")),
                                            "Morvanex", "x", patient));
}
