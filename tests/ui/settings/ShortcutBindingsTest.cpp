#include "ui/settings/ShortcutBindings.h"

#include <gtest/gtest.h>

using namespace morvanex;
using namespace morvanex::ui;

namespace {

const HotKey ctrlOptCmdK{40, 0x1000 | 0x800 | 0x100, QStringLiteral("⌃⌥⌘K")};
const HotKey ctrlF5{96, 0x1000, QStringLiteral("⌃F5")};

} // namespace

TEST(ShortcutBindings, Titles) {
    EXPECT_EQ(ShortcutBindings::title(HotKeyAction::dropdown(ModuleKind::combined)),
              QStringLiteral("Overview"));
    EXPECT_EQ(ShortcutBindings::title(HotKeyAction::dropdown(ModuleKind::time)),
              QStringLiteral("World Clock"));
    EXPECT_EQ(ShortcutBindings::title(HotKeyAction::keepAwake()),
              QStringLiteral("Toggle Keep Computer Awake"));
    EXPECT_EQ(ShortcutBindings::symbol(HotKeyAction::settings()), QStringLiteral("gearshape.fill"));
    EXPECT_EQ(ShortcutBindings::titleOfId(QStringLiteral("dropdown.old")),
              QStringLiteral("dropdown.old"));
}

TEST(ShortcutBindings, AssignMovesAndNotes) {
    struct Case {
        const char* name;
        std::map<QString, HotKey> before;
        std::optional<HotKey> key;
        HotKeyAction action;
        std::map<QString, HotKey> after;
        std::optional<QString> note;
    };
    const Case cases[] = {
        {"moved from cpu",
         {{"dropdown.cpu", ctrlOptCmdK}},
         ctrlOptCmdK,
         HotKeyAction::dropdown(ModuleKind::memory),
         {{"dropdown.memory", ctrlOptCmdK}},
         QStringLiteral("Ctrl+Alt+Super+K moved from CPU to Memory.")},
        {"combined is named Overview",
         {{"dropdown.combined", ctrlOptCmdK}},
         ctrlOptCmdK,
         HotKeyAction::settings(),
         {{"settings", ctrlOptCmdK}},
         QStringLiteral("Ctrl+Alt+Super+K moved from Overview to Open Settings.")},
        {"unknown owner by its identifier",
         {{"dropdown.fans", ctrlOptCmdK}},
         ctrlOptCmdK,
         HotKeyAction::keepAwake(),
         {{"keepAwake", ctrlOptCmdK}},
         QStringLiteral(
             "Ctrl+Alt+Super+K moved from dropdown.fans to Toggle Keep Computer Awake.")},
        {"same key again changes nothing",
         {{"dropdown.cpu", ctrlOptCmdK}},
         ctrlOptCmdK,
         HotKeyAction::dropdown(ModuleKind::cpu),
         {{"dropdown.cpu", ctrlOptCmdK}},
         std::nullopt},
        {"clear removes",
         {{"dropdown.cpu", ctrlOptCmdK}, {"settings", ctrlF5}},
         std::nullopt,
         HotKeyAction::dropdown(ModuleKind::cpu),
         {{"settings", ctrlF5}},
         std::nullopt},
        {"clear of nothing",
         {{"settings", ctrlF5}},
         std::nullopt,
         HotKeyAction::keepAwake(),
         {{"settings", ctrlF5}},
         std::nullopt},
        // A hand-edited file with one combination twice: the first identifier in sorted order
        // gives it up, the other keeps it.
        {"repeated combination: sorted order",
         {{"settings", ctrlOptCmdK}, {"dropdown.gpu", ctrlOptCmdK}},
         ctrlOptCmdK,
         HotKeyAction::keepAwake(),
         {{"settings", ctrlOptCmdK}, {"keepAwake", ctrlOptCmdK}},
         QStringLiteral("Ctrl+Alt+Super+K moved from GPU to Toggle Keep Computer Awake.")},
    };
    for (const Case& c : cases) {
        const auto result = ShortcutBindings::assign(c.before, c.key, c.action);
        EXPECT_EQ(result.hotKeys, c.after) << c.name;
        EXPECT_EQ(result.note, c.note) << c.name;
    }
}
