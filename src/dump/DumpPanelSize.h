#pragma once

#include "app/Hub.h"
#include "base/AppSettings.h"

#include <QString>
#include <QStringList>
#include <chrono>

// The --dump mode's check that a dropdown reports the height its panel really needs.
namespace morvanex::dump {

// The kinds checked, in order: processor, network, sensors.
std::vector<ModuleKind> panelSizeKinds();

// "PanelSize <kind>: reported [h, ...] natural N (frame 300, K reports)": every height the
// panel shell reported while hosted 340 × 300 in an unshown window, through `wait`, a tick and
// `wait` again, against the height a panel of its own wants at that width. Ticks the hub once.
QString panelSizeLine(Hub& hub, AppSettings& settings, ModuleKind kind,
                      std::chrono::milliseconds wait = std::chrono::milliseconds(300));

// One line per kind of panelSizeKinds().
QStringList panelSizeLines(Hub& hub, AppSettings& settings);

} // namespace morvanex::dump
