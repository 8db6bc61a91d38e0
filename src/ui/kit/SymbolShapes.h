#pragma once

#include <QPainterPath>

// The symbols the icon set has no fit for, as filled outlines in the symbol grid (y down, 16
// units high like the icon set's own view box; the battery is wider). Strokes are already turned
// into outlines, so every shape is filled in one colour.
namespace morvanex::ui::SymbolShapes {

// The union of two shapes, without flattening their curves into visible corners.
QPainterPath unite(const QPainterPath& a, const QPainterPath& b);

// Moon: a disc of radius 7.25 centred at (8, 8). `phase` runs from 0 (new) through 0.25 (first
// quarter, right half lit as seen from the northern hemisphere) and 0.5 (full) to 1 (new again).
// The lit region is bounded by the limb on one side and by the terminator, a half ellipse whose
// horizontal semi-axis is radius × |cos(2π·phase)|, on the other.
QPainterPath moonLit(double phase);
QPainterPath moonOutline();

// Sun over a horizon at y 11.5: the half sun (filled or outlined) with its rays, the horizon
// line, and an arrow above the sun pointing up (rise), down (set) or no arrow (horizon).
enum class SunEvent { rise, set, horizon };
QPainterPath sunEventSun(SunEvent event, bool filled);
QPainterPath sunEventHorizon(SunEvent event);

// Cup and saucer: the cup's body (filled or outlined) with its handle, over a saucer line.
QPainterPath cupAndSaucer(bool filled);

// Battery in a 28 × 16 grid: the body outline and terminal, and the level fill (0 ... 1).
// `bolt` cuts a charging bolt out of the drawing (`batteryBoltGap`) and fills it (`batteryBolt`).
constexpr double kBatteryWidth = 28;
QPainterPath batteryBody();
QPainterPath batteryLevel(double level);
QPainterPath batteryBolt();
QPainterPath batteryBoltGap();

// The outline of a trackpad (a rounded rectangle), for the hand pointing at it.
QPainterPath trackpad();

// A slash from the top-left to the bottom-right corner, and the gap cut around it.
QPainterPath slash();
QPainterPath slashGap();

} // namespace morvanex::ui::SymbolShapes
