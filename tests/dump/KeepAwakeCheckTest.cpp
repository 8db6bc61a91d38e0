#include "dump/KeepAwakeCheck.h"

#include <gtest/gtest.h>

using namespace morvanex;
using platform::InhibitorEntry;

namespace {

const InhibitorEntry ours{"sleep", "Morvanex", "Morvanex Keep Awake", "block", 1000, 4242};
const InhibitorEntry other{"idle", "gnome-session", "User is inactive", "delay", 1000, 77};

TEST(KeepAwakeCheck, PrintsTheFirstLockOfKeepAwakeOrSaysItIsMissing) {
    struct Row {
        const char* name;
        std::optional<std::vector<InhibitorEntry>> locks;
        const char* line;
    };
    InhibitorEntry second = ours;
    second.pid = 9;
    const Row rows[] = {
        {"among others, the first of ours", std::vector{other, ours, second},
         "KeepAwake Morvanex  1000  4242  sleep  Morvanex Keep Awake  block"},
        {"only other programs' locks", std::vector{other}, "KeepAwake assertion NOT found"},
        {"no locks at all", std::vector<InhibitorEntry>{}, "KeepAwake assertion NOT found"},
        {"no list (no bus or no login manager)", std::nullopt, "KeepAwake assertion NOT found"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(dump::keepAwakeCheckLine(row.locks).toStdString(), row.line);
    }
}

} // namespace

#include "monitors/KeepAwake.h"
#include "platform/linux/LogindTestBus.h"

#include <unistd.h>

namespace {

// The check finds the lock keep-awake really takes, and only while it holds it.
TEST(KeepAwakeCheck, FindsKeepAwakesOwnLockWhileItRuns) {
    test::DesktopBus bus;
    ASSERT_TRUE(bus.isRunning());
    test::FakeDesktop desktop(bus);
    ASSERT_TRUE(desktop.isReady());
    desktop.logind.setOtherLocks({{"idle", "gnome-session", "User is inactive", "delay", 1000, 7}});
    const QDBusConnection client = bus.connect(QStringLiteral("client"));
    constexpr std::chrono::milliseconds patient(60000);

    KeepAwake keepAwake(platform::PowerAssertions::over(client, client, patient));
    EXPECT_EQ(dump::keepAwakeCheck(client, patient), "KeepAwake assertion NOT found");
    keepAwake.activate(false, QDateTime::currentDateTime().addSecs(3600));
    ASSERT_TRUE(keepAwake.isActive);
    EXPECT_EQ(dump::keepAwakeCheck(client, patient),
              QStringLiteral("KeepAwake Morvanex  %1  4000  sleep  Morvanex Keep Awake  block")
                  .arg(::getuid()));
    keepAwake.stop(true);
    EXPECT_EQ(dump::keepAwakeCheck(client, patient), "KeepAwake assertion NOT found");
}

TEST(KeepAwakeCheck, AnUnansweredListIsGivenUp) {
    test::DesktopBus bus;
    ASSERT_TRUE(bus.isRunning());
    test::FakeDesktop desktop(bus);
    ASSERT_TRUE(desktop.isReady());
    desktop.logind.setAnswer(test::FakeLogind::Answer::never);
    const QDBusConnection client = bus.connect(QStringLiteral("client"));
    EXPECT_EQ(dump::keepAwakeCheck(client, std::chrono::milliseconds(200)),
              "KeepAwake assertion NOT found");
    // No bus at all answers at once.
    EXPECT_EQ(dump::keepAwakeCheck(QDBusConnection(QStringLiteral("never connected"))),
              "KeepAwake assertion NOT found");
}

} // namespace
