#include "ui/kit/Dot.h"

#include <QPainter>
#include <cmath>

namespace morvanex::ui {

Dot::Dot(Tint tint, double size, Appearance appearance, QWidget* parent)
    : QWidget(parent), tint_(tint), size_(size), appearance_(appearance) {
    const int side = int(std::ceil(size));
    setFixedSize(side, side);
}

void Dot::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(color(tint_, appearance_));
    painter.drawEllipse(QRectF((width() - size_) / 2, (height() - size_) / 2, size_, size_));
}

} // namespace morvanex::ui
