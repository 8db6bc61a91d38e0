#pragma once

#include <QString>

// The user's base folders as the XDG base-directory rules define them. Computed on every
// call, so a changed environment (tests) takes effect at once.
namespace morvanex::platform::xdg {

QString home();
QString configHome(); // $XDG_CONFIG_HOME, else ~/.config
QString dataHome();   // $XDG_DATA_HOME, else ~/.local/share
QString runtimeDir(); // $XDG_RUNTIME_DIR, else empty

} // namespace morvanex::platform::xdg
