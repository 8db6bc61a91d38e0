#pragma once

#include "app/Hub.h"
#include "base/Config.h"
#include "ui/kit/Palette.h"
#include "ui/menubar/MenuBarRenderer.h"

#include <QColor>
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

// Creates the folder with its parents (a relative path from the working directory) and returns
// its absolute path. A folder that cannot be made is logged; the renders go on and their writes
// fail one by one.
QString prepareOutputDirectory(const QString& argument);

// The item 4 points in from the left on a canvas 8 points wider than it and as high, filled with
// `background`, at scale 2. False when the file could not be written (logged).
bool writeMenuBarRender(const ui::MenuBarImage& image, ui::Appearance appearance,
                        const QColor& background, const QString& path);

// "{kind}-{style}-{dark|light}.png" for each module kind in order, each rendered style and both
// appearances (dark on black, light on white), from the hub's current readings and `config`.
// Returns the number of files written.
int writeMenuBarRenders(const Hub& hub, const Config& config, const QString& directory);

} // namespace morvanex::dump
