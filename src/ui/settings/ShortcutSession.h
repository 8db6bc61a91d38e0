#pragma once

#include "app/HotKeys.h"

#include <QString>
#include <optional>

namespace morvanex {
class AppSettings;
}

namespace morvanex::ui {

// The Shortcuts pane's recording state and its dealings with the global hot keys: at most one
// action records at a time, and while one does every global hot key is released so that its
// combination reaches the recorder. The pane is the only writer of `HotKeyCenter::suspended`.
class ShortcutSession {
public:
    ShortcutSession(AppSettings& settings, HotKeyCenter& hotKeys);
    // Leaving the pane ends a running recording, bindings unchanged.
    ~ShortcutSession();
    ShortcutSession(const ShortcutSession&) = delete;
    ShortcutSession& operator=(const ShortcutSession&) = delete;

    const std::optional<QString>& recording() const { return recording_; }
    const std::optional<QString>& note() const { return note_; }

    void start(const HotKeyAction& action);
    void cancel();
    // Ends the recording and stores the binding (nothing: clears it), moving a combination
    // another action holds.
    void assign(const std::optional<HotKey>& key, const HotKeyAction& action);
    // Empties every binding in one write; the recording, if any, goes on.
    void clearAll();
    // Ends a running recording as leaving the pane does.
    void end();

private:
    void resume();

    AppSettings& settings_;
    HotKeyCenter& hotKeys_;
    std::optional<QString> recording_;
    std::optional<QString> note_;
};

} // namespace morvanex::ui
