#include "ui/tray/HotKeyActions.h"

#include "support/HubFixture.h"

#include <gtest/gtest.h>
#include <memory>
#include <vector>

using namespace morvanex;
using namespace morvanex::ui;

namespace {

// A hub whose keep-awake records the display flag of every assertion it takes.
struct KeepAwakeHub {
    std::vector<bool> displayFlags;
    std::unique_ptr<test::HubFixture> fixture;
    int changes = 0;

    KeepAwakeHub() {
        fixture = std::make_unique<test::HubFixture>([this](Hub::Sources& sources) {
            sources.power.create = [this](bool keepDisplayOn, const QString&) {
                displayFlags.push_back(keepDisplayOn);
                return std::make_shared<int>(0);
            };
        });
        hub().keepAwake.onChange = [this] { ++changes; };
    }
    Hub& hub() { return *fixture->hub; }
};

} // namespace

TEST(HotKeyActions, KeepAwakeAlternatesAndItsStopNotifies) {
    KeepAwakeHub k;
    k.fixture->settings.update([](Config& c) { c.keepAwakeDisplay = true; });
    const auto handle = hotKeyHandler(k.hub(), {});

    handle(HotKeyAction::keepAwake());
    EXPECT_TRUE(k.hub().keepAwake.isActive);
    EXPECT_FALSE(k.hub().keepAwake.endDate.has_value()); // until turned off
    EXPECT_EQ(k.displayFlags, std::vector<bool>{true});
    EXPECT_EQ(k.changes, 1);

    handle(HotKeyAction::keepAwake());
    EXPECT_FALSE(k.hub().keepAwake.isActive);
    EXPECT_EQ(k.changes, 2); // the stop fires the change callback

    k.fixture->settings.update([](Config& c) { c.keepAwakeDisplay = false; });
    handle(HotKeyAction::keepAwake());
    EXPECT_TRUE(k.hub().keepAwake.isActive);
    EXPECT_EQ(k.displayFlags, (std::vector<bool>{true, false}));
}

TEST(HotKeyActions, SettingsAndDropdownsGoToTheirHooks) {
    KeepAwakeHub k;
    int settingsShown = 0;
    std::vector<ModuleKind> toggled;
    const auto handle = hotKeyHandler(
        k.hub(), {[&] { ++settingsShown; }, [&](ModuleKind kind) { toggled.push_back(kind); }});

    handle(HotKeyAction::settings());
    handle(HotKeyAction::dropdown(ModuleKind::network));
    handle(HotKeyAction::dropdown(ModuleKind::cpu));
    EXPECT_EQ(settingsShown, 1);
    EXPECT_EQ(toggled, (std::vector<ModuleKind>{ModuleKind::network, ModuleKind::cpu}));
    EXPECT_FALSE(k.hub().keepAwake.isActive);
    EXPECT_EQ(k.changes, 0);
}

TEST(HotKeyActions, NothingRunsOnceTheGuardIsGone) {
    KeepAwakeHub k;
    int settingsShown = 0;
    auto guard = std::make_unique<QObject>();
    const auto handle = hotKeyHandler(k.hub(), {[&] { ++settingsShown; }, {}}, guard.get());
    handle(HotKeyAction::settings());
    guard.reset();
    handle(HotKeyAction::settings());
    handle(HotKeyAction::keepAwake());
    EXPECT_EQ(settingsShown, 1);
    EXPECT_FALSE(k.hub().keepAwake.isActive);
}

TEST(HotKeyActions, TableIsRegisteredUnlessTheRecorderSuspendedTheCenter) {
    std::vector<std::uint32_t> grabs;
    HotKeyCenter center([&](HotKeyCenter&) -> std::optional<HotKeyCenter::Registrar> {
        return HotKeyCenter::Registrar{[&](std::uint32_t number, const HotKey&) {
                                           grabs.push_back(number);
                                           return true;
                                       },
                                       [](std::uint32_t) {}};
    });
    const std::map<QString, HotKey> table = {
        {QStringLiteral("settings"), HotKey{43, 0x100, QStringLiteral("⌘,")}},
        {QStringLiteral("keepAwake"), HotKey{40, 0x100, QStringLiteral("⌘K")}},
    };

    center.suspended = true;
    applyHotKeys(center, table);
    EXPECT_EQ(center.current, table); // kept for when the recorder stops
    EXPECT_TRUE(center.registered.empty());
    EXPECT_TRUE(grabs.empty());

    center.suspended = false;
    applyHotKeys(center, table);
    EXPECT_EQ(center.registered.size(), 2u);
    EXPECT_EQ(grabs, (std::vector<std::uint32_t>{1, 2}));
}
