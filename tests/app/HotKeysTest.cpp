#include "app/HotKeys.h"

#include "support/XServer.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <gtest/gtest.h>

using namespace morvanex;

namespace {

TEST(HotKey, FromKeyPress) {
    struct Row {
        const char* name;
        KeyPress press;
        std::optional<HotKey> expected;
    };
    const auto key = [](std::uint32_t code, bool control, bool option, bool shift, bool command,
                        const char* characters) {
        return KeyPress{code, control, option, shift, command, QString::fromUtf8(characters)};
    };
    const Row rows[] = {
        {"shift and a letter alone", key(0, false, false, true, false, "a"), std::nullopt},
        {"a letter alone", key(0, false, false, false, false, "a"), std::nullopt},
        {"F5 alone", key(96, false, false, false, false, "\x10"), HotKey{96, 0, "F5"}},
        {"control-shift-F5", key(96, true, false, true, false, ""), HotKey{96, 0x1200, "⌃⇧F5"}},
        {"command-space", key(49, false, false, false, true, " "), HotKey{49, 0x100, "⌘Space"}},
        {"command-return", key(36, false, false, false, true, "\r"), HotKey{36, 0x100, "⌘↩"}},
        {"command-option-A", key(0, false, true, false, true, "a"), HotKey{0, 0x900, "⌥⌘A"}},
        {"all four modifiers", key(40, true, true, true, true, "k"), HotKey{40, 0x1B00, "⌃⌥⇧⌘K"}},
        {"only control characters", key(71, true, false, false, false, "\x1b\x01"), std::nullopt},
        {"no characters", key(71, true, false, false, false, ""), std::nullopt},
        {"control characters trimmed", key(10, true, false, false, false, "\x01§\x02"),
         HotKey{10, 0x1000, "⌃§"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(hotKeyFromKeyPress(row.press), row.expected);
    }
}

TEST(HotKey, DisplayTextEveryModifierSetAndKey) {
    struct Modifier {
        bool KeyPress::*field;
        const char* name;
    };
    // The order Linux desktops write them in, whatever the order of the other system's marks.
    const Modifier modifiers[] = {{&KeyPress::control, "Ctrl"},
                                  {&KeyPress::option, "Alt"},
                                  {&KeyPress::shift, "Shift"},
                                  {&KeyPress::command, "Super"}};
    struct Key {
        std::uint32_t code;
        const char* characters;
        const char* shown;
        bool alone; // a function key is a shortcut without modifiers
    };
    const Key keys[] = {
        {8, "c", "C", false},       {43, ",", ",", false},    {49, " ", "Space", false},
        {36, "\r", "Enter", false}, {48, "\t", "Tab", false}, {123, "", "Left", false},
        {126, "", "Up", false},     {115, "", "Home", false}, {121, "", "Page Down", false},
        {117, "", "Delete", false}, {96, "\x10", "F5", true}, {111, "\x10", "F12", true},
    };
    for (unsigned set = 0; set < 16; ++set) {
        for (const Key& key : keys) {
            KeyPress press{key.code, false, false, false, false, QString::fromUtf8(key.characters)};
            QStringList expected;
            for (unsigned i = 0; i < 4; ++i)
                if (set & (1u << i)) {
                    press.*modifiers[i].field = true;
                    expected << modifiers[i].name;
                }
            expected << key.shown;
            SCOPED_TRACE(expected.join('+').toStdString());
            const auto hotKey = hotKeyFromKeyPress(press);
            const bool needed = press.control || press.option || press.command || key.alone;
            ASSERT_EQ(hotKey.has_value(), needed);
            if (hotKey) {
                EXPECT_EQ(hotKeyDisplayText(*hotKey), expected.join('+'));
            }
        }
    }
}

TEST(HotKey, DisplayTextOfStoredRecords) {
    const std::pair<HotKey, const char*> rows[] = {
        {HotKey{8, 0x1900, "⌃⌥⌘C"}, "Ctrl+Alt+Super+C"},
        {HotKey{49, 0x100, "⌘Space"}, "Super+Space"},
        {HotKey{96, 0x1200, "⌃⇧F5"}, "Ctrl+Shift+F5"},
        {HotKey{96, 0, "F5"}, "F5"},
        // A hand-edited file: the mask says which modifiers are held, the label only the key.
        {HotKey{40, 0x1000, "⌘⌥K"}, "Ctrl+K"},
        {HotKey{40, 0x100, "k"}, "Super+k"},
        {HotKey{40, 0x100, ""}, "Super"},
        {HotKey{51, 0x800, "⌥⌫"}, "Alt+Backspace"},
    };
    for (const auto& [key, shown] : rows)
        EXPECT_EQ(hotKeyDisplayText(key), QString::fromUtf8(shown)) << key.label.toStdString();
}

TEST(HotKeyAction, IdentifiersAndOrder) {
    const auto all = HotKeyAction::all();
    ASSERT_EQ(all.size(), 13u);
    EXPECT_EQ(all.front().id(), "dropdown.combined");
    EXPECT_EQ(all[1].id(), "dropdown.cpu");
    EXPECT_EQ(all[10].id(), "dropdown.time");
    EXPECT_EQ(all[11].id(), "keepAwake");
    EXPECT_EQ(all[12].id(), "settings");
    for (const HotKeyAction& action : all)
        EXPECT_EQ(HotKeyAction::fromId(action.id()), action);
    EXPECT_EQ(HotKeyAction::fromId("dropdown.CPU"), std::nullopt);
    EXPECT_EQ(HotKeyAction::fromId("dropdown."), std::nullopt);
    EXPECT_NE(HotKeyAction::dropdown(ModuleKind::cpu), HotKeyAction::dropdown(ModuleKind::gpu));
}

struct FakeSystem {
    std::map<std::uint32_t, HotKey> grabbed;
    std::set<QString> refusedLabels;
    int connects = 0;

    HotKeyCenter::Connect connect() {
        return [this](HotKeyCenter&) -> std::optional<HotKeyCenter::Registrar> {
            ++connects;
            return HotKeyCenter::Registrar{[this](std::uint32_t number, const HotKey& key) {
                                               if (refusedLabels.count(key.label))
                                                   return false;
                                               grabbed[number] = key;
                                               return true;
                                           },
                                           [this](std::uint32_t number) { grabbed.erase(number); }};
        };
    }
};

TEST(HotKeyCenter, NumbersFollowSortedKnownIdentifiers) {
    FakeSystem system;
    HotKeyCenter center(system.connect());
    center.current = {{"settings", HotKey{1, 0x100, "⌘S"}},
                      {"dropdown.cpu", HotKey{8, 0x100, "⌘C"}},
                      {"keepAwake", HotKey{40, 0x100, "⌘K"}},
                      {"dropdown.nothing", HotKey{9, 0x100, "⌘V"}}};
    center.registerAll();
    EXPECT_EQ(center.registered,
              (std::map<std::uint32_t, HotKeyAction>{{1, HotKeyAction::dropdown(ModuleKind::cpu)},
                                                     {2, HotKeyAction::keepAwake()},
                                                     {3, HotKeyAction::settings()}}));
    EXPECT_TRUE(center.failed.empty());

    // Twice in a row: still exactly one registration per binding; connected once.
    center.registerAll();
    EXPECT_EQ(center.registered.size(), 3u);
    EXPECT_EQ(system.grabbed.size(), 3u);
    EXPECT_EQ(system.connects, 1);

    center.unregisterAll();
    EXPECT_TRUE(center.registered.empty());
    EXPECT_TRUE(system.grabbed.empty());
}

TEST(HotKeyCenter, RefusedShortcutUsesUpItsNumber) {
    FakeSystem system;
    system.refusedLabels = {"⌘K"};
    HotKeyCenter center(system.connect());
    center.current = {{"settings", HotKey{1, 0x100, "⌘S"}},
                      {"dropdown.cpu", HotKey{8, 0x100, "⌘C"}},
                      {"keepAwake", HotKey{40, 0x100, "⌘K"}}};
    center.registerAll();
    EXPECT_EQ(center.failed, std::set<QString>{"keepAwake"});
    EXPECT_EQ(center.registered.count(2), 0u);
    EXPECT_EQ(center.registered.at(3), HotKeyAction::settings());
    center.unregisterAll();
    EXPECT_EQ(center.failed, std::set<QString>{"keepAwake"}); // kept until the next register
}

TEST(HotKeyCenter, WithoutAWayToGrabKeysEveryShortcutIsRefused) {
    HotKeyCenter center([](HotKeyCenter&) { return std::nullopt; });
    center.current = {{"settings", HotKey{1, 0x100, "⌘S"}}, {"bogus", HotKey{2, 0, "F1"}}};
    center.registerAll();
    EXPECT_TRUE(center.registered.empty());
    EXPECT_EQ(center.failed, std::set<QString>{"settings"});
}

TEST(HotKeyCenter, PressesRunTheActionLaterOnTheMainThread) {
    FakeSystem system;
    HotKeyCenter center(system.connect());
    center.current = {{"dropdown.gpu", HotKey{5, 0x100, "⌘G"}}};
    center.registerAll();
    std::vector<HotKeyAction> triggered;
    center.onTrigger = [&](const HotKeyAction& action) { triggered.push_back(action); };
    center.pressed(1);
    center.pressed(7);              // not registered: nothing
    EXPECT_TRUE(triggered.empty()); // deferred, never inline
    QElapsedTimer waited;
    waited.start();
    while (triggered.empty() && waited.elapsed() < 10000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    QCoreApplication::processEvents();
    EXPECT_EQ(triggered, std::vector<HotKeyAction>{HotKeyAction::dropdown(ModuleKind::gpu)});
}

} // namespace

namespace {

// The whole path on a real X server: the configured binding, a key press from another client,
// the trigger on the main thread.
TEST(HotKeyCenter, PressOnAnXServerTriggersItsActionOnce) {
    test::XServer server;
    ASSERT_FALSE(server.display().isEmpty()) << "Xvfb did not start";
    qputenv("DISPLAY", server.display());
    qunsetenv("WAYLAND_DISPLAY");
    qunsetenv("XDG_SESSION_TYPE");
    HotKeyCenter center(HotKeyCenter::x11());
    std::vector<HotKeyAction> triggered;
    center.onTrigger = [&](const HotKeyAction& action) { triggered.push_back(action); };
    center.current = {{"keepAwake", HotKey{40, 0x1800, "⌃⌥K"}}};
    center.registerAll();
    ASSERT_TRUE(center.failed.empty());
    ASSERT_TRUE(server.xdotool({"key", "ctrl+alt+k"}));
    QElapsedTimer waited;
    waited.start();
    while (triggered.empty() && waited.elapsed() < 10000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    ASSERT_TRUE(server.xdotool({"key", "ctrl+alt+j"})); // not registered
    waited.restart();
    while (waited.elapsed() < 500)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    EXPECT_EQ(triggered, std::vector<HotKeyAction>{HotKeyAction::keepAwake()});
    center.unregisterAll();
    qunsetenv("DISPLAY");
}

} // namespace
