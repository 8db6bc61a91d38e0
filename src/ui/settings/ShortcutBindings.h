#pragma once

#include "app/HotKeys.h"

#include <QString>
#include <map>
#include <optional>

// What the Shortcuts pane shows for each action and how one binding is changed.
namespace morvanex::ui::ShortcutBindings {

// "Overview" for the combined dropdown, the module's title for the others, "Toggle Keep
// Computer Awake", "Open Settings".
QString title(const HotKeyAction& action);
QString symbol(const HotKeyAction& action);
// The title of a stored identifier's action, or the identifier itself when it names none.
QString titleOfId(const QString& id);

struct Assignment {
    std::map<QString, HotKey> hotKeys;
    std::optional<QString> note; // set when the combination was taken from another action
};

// Binds `key` to `action` (nothing: clears the action's binding). A combination another
// identifier holds moves: that entry goes, and the note says from where. When a hand-edited
// file binds it to several identifiers, the first in sorted identifier order is the one moved.
Assignment assign(std::map<QString, HotKey> hotKeys, const std::optional<HotKey>& key,
                  const HotKeyAction& action);

} // namespace morvanex::ui::ShortcutBindings
