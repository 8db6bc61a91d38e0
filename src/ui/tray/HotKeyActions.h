#pragma once

#include "app/HotKeys.h"
#include "base/SettingsEnums.h"
#include "base/SettingsRecords.h"

#include <QObject>
#include <QString>
#include <functional>
#include <map>

namespace morvanex {
class Hub;
class KeepAwake;
} // namespace morvanex

namespace morvanex::ui {

// What the global shortcuts do beyond keep-awake, which the hub owns.
struct HotKeyActionHooks {
    std::function<void()> showSettings;
    // Opens or closes one module's dropdown (the status items' toggleDropdown).
    std::function<void(ModuleKind kind)> toggleDropdown;
};

// Runs one shortcut's action: keep-awake starts with no end time, keeping the display on as
// `keepDisplayOn` says, when it is off, and stops with its change callback when it is on; the
// settings and dropdown actions go to their hooks (an empty hook does nothing).
void performHotKeyAction(const HotKeyAction& action, KeepAwake& keepAwake, bool keepDisplayOn,
                         const HotKeyActionHooks& hooks);

// The handler for HotKeyCenter::onTrigger: performHotKeyAction over the hub's keep-awake and
// the current Config.keepAwakeDisplay. Does nothing once `guard` (the application object that
// owns the hub and the hooks' targets) is gone; a null guard means no guard.
std::function<void(const HotKeyAction&)> hotKeyHandler(Hub& hub, HotKeyActionHooks hooks,
                                                       const QObject* guard = nullptr);

// Hands `table` to the centre and registers it, unless the shortcut recorder has suspended the
// centre (it registers again itself when it stops recording). At launch and after every change
// of Config.hotKeys.
void applyHotKeys(HotKeyCenter& center, const std::map<QString, HotKey>& table);

} // namespace morvanex::ui
