#include "ui/kit/Dot.h"

#include <QPainter>
#include <cmath>

namespace morvanex::ui {

Dot::Dot(Tint tint, double size, Appearance appearance, QWidget* parent)
    : Dot(color(tint, appearance), size, parent) {
    tint_ = tint;
}

Dot::Dot(const QColor& fill, double size, QWidget* parent)
    : QWidget(parent), fill_(fill), size_(size) {
    const int side = int(std::ceil(size));
    setFixedSize(side, side);
}

void Dot::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(fill_);
    painter.drawEllipse(QRectF((width() - size_) / 2, (height() - size_) / 2, size_, size_));
}

} // namespace morvanex::ui
