#pragma once

#include "base/Config.h"
#include "ui/menubar/MenuBarPart.h"

#include <QDateTime>
#include <QString>
#include <vector>

namespace morvanex {
class Hub;
}

// What each module's status item shows: the live readings of the hub formatted into parts, with
// colours chosen by thresholds and a width template for every text so that an item keeps its
// width while its digits change. Called once per item on every tick; main thread only.
namespace morvanex::ui::MenuBarContent {

// The parts for one module in its style, never empty. Reads the hub's clock for "now".
std::vector<MenuBarPart> parts(const ModuleConfig& module, const Hub& hub, const Config& config);
// The same at a given moment (the time and sun modules depend on it).
std::vector<MenuBarPart> parts(const ModuleConfig& module, const Hub& hub, const Config& config,
                               const QDateTime& now);

// The time module's line: the selected clocks as "label time" joined by two spaces; empty when
// no clock is selected.
QString clockLine(const Config& config, const QDateTime& now);
// The line's shape with every number character replaced by "0".
QString clockTemplate(const QString& line);
// "America/New_York" → "New York"; the whole identifier when it has no non-empty piece.
QString cityLabel(const QString& identifier);

// The rate slot's template. In bits it holds four digits: rates from 999.5 to 1000 Mb/s print
// as "1000 Mb/s" before the unit steps up, and a three-digit slot would let the item jitter.
QString rateTemplate(bool bits);
// The weather slot's template. In Fahrenheit it holds three digits (hot days print "104°").
QString weatherTemplate(TempUnit unit);

} // namespace morvanex::ui::MenuBarContent
