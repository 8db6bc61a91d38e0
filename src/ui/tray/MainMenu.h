#pragma once

#include <QKeySequence>
#include <functional>

class QMenuBar;
class QWidget;

namespace morvanex::ui {

// What the main menu's own items do. An empty checkForUpdates means the build has no update
// feed: then there is no "Check for Updates…" item.
struct MainMenuActions {
    std::function<void()> about;
    std::function<void()> checkForUpdates;
    std::function<void()> settings;
    std::function<void()> quit;
    // The settings window: close (hidden, kept for the next showing) and minimize.
    std::function<void()> close;
    std::function<void()> minimize;
    // Where "Edit" items go: the widget with the keyboard focus.
    std::function<QWidget*()> focusWidget;
};

// The main menu, as the settings window's menu bar: "Morvanex" (About, Check for Updates…,
// Settings…, Quit; a Linux desktop has no hiding of an application), "Edit" (Undo, Redo, Cut, Copy,
// Paste, Select All: sent to the focused widget as its own standard key, so every editor handles
// them as it handles the keys) and "Window" (Close, Minimize). The bar is owned by `parent`.
QMenuBar* makeMainMenu(const MainMenuActions& actions, QWidget* parent = nullptr);

// Hands `key` to `widget` as the key press its platform binds to it (Ctrl+Z for undo, ...).
// Nothing for a null widget or a key without a binding.
void sendStandardKey(QWidget* widget, QKeySequence::StandardKey key);

} // namespace morvanex::ui
