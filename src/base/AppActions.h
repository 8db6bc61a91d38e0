#pragma once

#include <functional>

namespace morvanex::AppActions {

// Opens the settings window. Set once the application has launched; until then it does
// nothing, so panels and menus may call it at any time.
inline std::function<void()> openSettings = [] {};

} // namespace morvanex::AppActions
