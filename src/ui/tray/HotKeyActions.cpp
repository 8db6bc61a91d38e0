#include "ui/tray/HotKeyActions.h"

#include "app/Hub.h"
#include "monitors/KeepAwake.h"

#include <QPointer>
#include <optional>
#include <utility>

namespace morvanex::ui {

void performHotKeyAction(const HotKeyAction& action, KeepAwake& keepAwake, bool keepDisplayOn,
                         const HotKeyActionHooks& hooks) {
    switch (action.kind) {
    case HotKeyAction::Kind::keepAwake:
        if (keepAwake.isActive)
            keepAwake.stop(true);
        else
            keepAwake.activate(keepDisplayOn, std::nullopt);
        break;
    case HotKeyAction::Kind::settings:
        if (hooks.showSettings)
            hooks.showSettings();
        break;
    case HotKeyAction::Kind::dropdown:
        if (hooks.toggleDropdown)
            hooks.toggleDropdown(action.module);
        break;
    }
}

std::function<void(const HotKeyAction&)> hotKeyHandler(Hub& hub, HotKeyActionHooks hooks,
                                                       const QObject* guard) {
    const bool guarded = guard != nullptr;
    return [&hub, hooks = std::move(hooks), guarded,
            guard = QPointer<const QObject>(guard)](const HotKeyAction& action) {
        if (guarded && !guard)
            return;
        performHotKeyAction(action, hub.keepAwake, hub.settings.config().keepAwakeDisplay, hooks);
    };
}

void applyHotKeys(HotKeyCenter& center, const std::map<QString, HotKey>& table) {
    center.current = table;
    if (!center.suspended)
        center.registerAll();
}

} // namespace morvanex::ui
