#pragma once

#include "base/Config.h"

#include <QRect>
#include <QString>
#include <vector>

namespace morvanex {
class KeepAwake;
}

// What the status items show, apart from the items themselves.
namespace morvanex::ui {

// The modules that get an item, in the configured order (leftmost first): the enabled ones,
// each kind once (where it first shows), the battery left out when the machine has none, and
// the combined module alone when nothing is left.
std::vector<ModuleKind> shownModules(const Config& config, bool batteryPresent);

// The module an item is drawn as: the first configured entry of that kind, enabled or not;
// with none, the kind in the icon style.
ModuleConfig itemModule(const Config& config, ModuleKind kind);

// "Morvanex.cpu", and so on with the module's raw name.
QString itemId(ModuleKind kind);
// "Morvanex — CPU", and so on with the module's title.
QString itemTitle(ModuleKind kind);

// "Keep Awake" while off, "Keep Awake: " and the status text while on.
QString keepAwakeTitle(const KeepAwake& keepAwake);

// Where a dropdown opens before its item has ever been clicked: the hot key has no click to
// go by, and hosts do not tell where an item sits. Panels put their items at the top right,
// so the anchor is a 1×1 rect at the top right corner of the primary screen's available area
// (the dropdown keeps itself on screen).
QRect defaultAnchor(const QRect& availableGeometry);

} // namespace morvanex::ui
