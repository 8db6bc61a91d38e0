#pragma once

#include <QRectF>
#include <QSizeF>
#include <optional>
#include <vector>

// The pure geometry of menu-bar parts, apart from the painting so it can be checked directly.
namespace morvanex::ui::MenuBarGeometry {

// The bars of a history in `rect`: only the last 20 values, right-aligned in 20 slots so the
// newest stands at the right edge; each value clamped to 0...1 of the height; a bar of 0.2
// points or less is left out. `upward` grows bars from the bottom edge, otherwise they hang
// from the top edge.
std::vector<QRectF> barRects(const std::vector<double>& values, const QRectF& rect, bool upward);

// A symbol's natural size shrunk to fit 16 × 16, never enlarged: the width rounded up, the
// height not. 16 × 16 for a symbol that does not exist.
QSizeF fittedSymbolSize(const std::optional<QSizeF>& natural);

// The fill of a battery body: inset 2 on every side, its width times the level clamped to
// 0...1 and then at least 1.
QRectF batteryFill(const QRectF& body, double level);

} // namespace morvanex::ui::MenuBarGeometry
