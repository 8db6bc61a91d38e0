#pragma once

#include "ui/kit/Palette.h"

#include <QColor>
#include <QPainter>
#include <QRectF>

// The translucent fills the panels lay behind cards, highlights and hovered rows.
namespace morvanex::ui {

// The colour with its alpha replaced by the opacity.
inline QColor withOpacity(QColor color, double opacity) {
    color.setAlphaF(float(opacity));
    return color;
}

// The primary label colour (dark in light mode, light in dark mode) at an opacity.
inline QColor primaryFill(Appearance appearance, double opacity) {
    return withOpacity(color(Tint::primaryText, appearance), opacity);
}

inline void fillRoundedRect(QPainter& painter, const QRectF& rect, double radius,
                            const QColor& fill) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(fill);
    painter.drawRoundedRect(rect, radius, radius);
    painter.restore();
}

inline void fillCapsule(QPainter& painter, const QRectF& rect, const QColor& fill) {
    const double radius = std::min(rect.width(), rect.height()) / 2;
    fillRoundedRect(painter, rect, radius, fill);
}

} // namespace morvanex::ui
