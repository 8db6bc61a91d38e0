#include "ui/kit/ColorBar.h"

#include "ui/kit/Fills.h"

#include <QPainter>

namespace morvanex::ui {

ColorBar::ColorBar(const QColor& fill, int height, QWidget* parent) : QWidget(parent), fill_(fill) {
    setFixedSize(3, height);
}

void ColorBar::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    fillRoundedRect(painter, QRectF(rect()), 1.5, fill_);
}

} // namespace morvanex::ui
