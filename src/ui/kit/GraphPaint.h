#pragma once

#include "ui/kit/Palette.h"

#include <QColor>
#include <QPen>

// The strokes and see-through colours the bars and graphs share.
namespace morvanex::ui {

// The named colour with its own alpha scaled by `opacity` (0...1), so a translucent text colour
// stays proportionally fainter.
QColor faded(Tint tint, Appearance appearance, double opacity);
QColor faded(QColor color, double opacity);

// The stroke along a graph's top edge: 1.5 points, round caps and joins.
QPen graphLinePen(const QColor& color);

// A hairline of the graphs' grid and centre lines: `width` points in the primary colour at
// `opacity`, flat caps.
QPen graphGridPen(Appearance appearance, double opacity, double width = 1);

// A view's fixed extent in whole points for a size given in points: rounded up, and 0 for a
// negative or non-finite size (a layout needs an integer it can trust).
int viewExtent(double points);

} // namespace morvanex::ui
