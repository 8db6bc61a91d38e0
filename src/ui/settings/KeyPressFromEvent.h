#pragma once

#include "app/HotKeys.h"

#include <QKeyEvent>
#include <optional>

namespace morvanex::ui {

// The physical key of a Qt key press as a stored virtual key code: the X11 key symbol the
// event carries, or, where there is none (synthetic events), the one its Qt key names; shifted
// symbols count as their unshifted keys. Nothing for keys the stored format has no code for.
std::optional<std::uint32_t> virtualKeyCode(const QKeyEvent& event);

// A key press as the shortcut recorder reads it. Super stands for ⌘ and Alt for ⌥. Nothing
// for keys without a code.
std::optional<KeyPress> keyPressFromEvent(const QKeyEvent& event);

// Keys that only change the others (Shift, Ctrl, Alt, Super, …): pressing one alone is no key.
bool isModifierKey(int key);

} // namespace morvanex::ui
