#include "ui/settings/ShortcutSession.h"

#include "base/AppSettings.h"
#include "ui/settings/ShortcutBindings.h"

namespace morvanex::ui {

ShortcutSession::ShortcutSession(AppSettings& settings, HotKeyCenter& hotKeys)
    : settings_(settings), hotKeys_(hotKeys) {}

ShortcutSession::~ShortcutSession() {
    end();
}

void ShortcutSession::start(const HotKeyAction& action) {
    if (!recording_) {
        hotKeys_.suspended = true;
        hotKeys_.unregisterAll();
    }
    recording_ = action.id();
    note_.reset();
}

void ShortcutSession::resume() {
    recording_.reset();
    hotKeys_.suspended = false;
    hotKeys_.registerAll();
}

void ShortcutSession::cancel() {
    resume();
}

void ShortcutSession::end() {
    if (recording_)
        resume();
}

void ShortcutSession::assign(const std::optional<HotKey>& key, const HotKeyAction& action) {
    ShortcutBindings::Assignment result =
        ShortcutBindings::assign(settings_.config().hotKeys, key, action);
    if (result.note)
        note_ = result.note;
    // Registers what was bound before; the write below lets the settings observer register
    // the new bindings.
    resume();
    settings_.update([&](Config& c) { c.hotKeys = std::move(result.hotKeys); });
}

void ShortcutSession::clearAll() {
    settings_.update([](Config& c) { c.hotKeys.clear(); });
}

} // namespace morvanex::ui
