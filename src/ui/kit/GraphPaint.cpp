#include "ui/kit/GraphPaint.h"

#include <algorithm>
#include <cmath>

namespace morvanex::ui {

QColor faded(QColor color, double opacity) {
    // A NaN opacity reads as fully transparent rather than reaching Qt's range check.
    const double clamped = std::isnan(opacity) ? 0.0 : std::clamp(opacity, 0.0, 1.0);
    color.setAlphaF(float(color.alphaF() * clamped));
    return color;
}

QColor faded(Tint tint, Appearance appearance, double opacity) {
    return faded(color(tint, appearance), opacity);
}

QPen graphLinePen(const QColor& color) {
    QPen pen(color, 1.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    pen.setMiterLimit(10);
    return pen;
}

QPen graphGridPen(Appearance appearance, double opacity, double width) {
    return QPen(faded(Tint::primaryText, appearance, opacity), width, Qt::SolidLine, Qt::FlatCap);
}

int viewExtent(double points) {
    // Far beyond any screen, so the conversion below is always defined.
    constexpr double largest = 1 << 20;
    if (!(points > 0))
        return 0;
    return int(std::ceil(std::min(points, largest)));
}

} // namespace morvanex::ui
