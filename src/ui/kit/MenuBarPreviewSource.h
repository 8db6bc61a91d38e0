#pragma once

#include "base/Config.h"
#include "ui/kit/Palette.h"

#include <QImage>
#include <functional>

namespace morvanex {
class Hub;
}

namespace morvanex::ui {

// Draws one module's menu-bar item from the hub's current readings, the way the status item
// shows it (a one-colour image in the appearance's text colour when `config.monochrome`), at
// device-pixel ratio 2. The settings window's live preview draws through this, so it needs no
// knowledge of the item drawing itself; whoever opens the window hands it in.
using MenuBarPreviewSource = std::function<QImage(const ModuleConfig& module, const Hub& hub,
                                                  const Config& config, Appearance appearance)>;

} // namespace morvanex::ui
