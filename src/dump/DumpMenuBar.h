#pragma once

#include "app/Hub.h"
#include "base/Config.h"
#include "dump/RenderWriter.h"
#include "ui/kit/Palette.h"
#include "ui/menubar/MenuBarRenderer.h"

#include <QColor>
#include <QImage>
#include <QString>
#include <QStringList>
#include <vector>

// The menu-bar half of the --dump renders: every module's item in the styles that show it,
// dark and light, and the check that an item keeps its width while its numbers change.
namespace morvanex::dump {

// The styles rendered for a module, in render order.
std::vector<DisplayStyle> renderedStyles(ModuleKind kind);

// "MenuBarWidth <series>: [w, ...] stable" (or "JITTERS") for the percent, network and
// temperature series, each width truncated to a whole number.
QStringList menuBarWidthLines();

// The item 4 points in from the left on a canvas 8 points wider than it and as high, filled with
// `background`, at scale 2. A null image when no bitmap could be made.
QImage menuBarRender(const ui::MenuBarImage& image, ui::Appearance appearance,
                     const QColor& background);

// "{kind}-{style}-{dark|light}.png" for each module kind in order, each rendered style and both
// appearances (dark on black, light on white), from the hub's current readings and `config`,
// until the writer stops. Returns the number of files written.
int writeMenuBarRenders(const Hub& hub, const Config& config, RenderWriter& writer);

} // namespace morvanex::dump
