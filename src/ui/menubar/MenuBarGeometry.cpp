#include "ui/menubar/MenuBarGeometry.h"

#include <algorithm>
#include <cmath>

namespace morvanex::ui::MenuBarGeometry {

namespace {

constexpr std::size_t maxBars = 20;
constexpr double symbolBox = 16;

double clamp01(double value) {
    // NaN draws as empty rather than reaching the geometry.
    if (!(value > 0))
        return 0;
    return std::min(value, 1.0);
}

} // namespace

std::vector<QRectF> barRects(const std::vector<double>& values, const QRectF& rect, bool upward) {
    const std::size_t n = std::min(values.size(), maxBars);
    const auto first = values.end() - std::ptrdiff_t(n);
    const double slotWidth = rect.width() / double(maxBars);
    const double barWidth = std::max(slotWidth - 0.3, 0.5);
    std::vector<QRectF> bars;
    bars.reserve(n);
    for (std::size_t i = 0; i < n; ++i) {
        const double height = rect.height() * clamp01(first[std::ptrdiff_t(i)]);
        if (height <= 0.2)
            continue;
        const double x = rect.left() + slotWidth * double(maxBars - n + i);
        const double y = upward ? rect.bottom() - height : rect.top();
        bars.emplace_back(x, y, barWidth, height);
    }
    return bars;
}

QSizeF fittedSymbolSize(const std::optional<QSizeF>& natural) {
    if (!natural)
        return {symbolBox, symbolBox};
    const double w = natural->width();
    const double h = natural->height();
    double scale = 1;
    if (w > 1)
        scale = std::min(scale, symbolBox / w);
    if (h > 1)
        scale = std::min(scale, symbolBox / h);
    return {std::ceil(w * scale), h * scale};
}

QRectF batteryFill(const QRectF& body, double level) {
    const QRectF inner = body.adjusted(2, 2, -2, -2);
    return {inner.left(), inner.top(), std::max(inner.width() * clamp01(level), 1.0),
            inner.height()};
}

} // namespace morvanex::ui::MenuBarGeometry
