#include "ui/kit/Pill.h"

#include "ui/kit/Fills.h"
#include "ui/kit/Fonts.h"

#include <QFontMetricsF>
#include <QPainter>
#include <cmath>

namespace morvanex::ui {

namespace {

constexpr double kPadX = 7;
constexpr double kPadY = 2;

QFont pillFont() {
    return Fonts::font(11, QFont::DemiBold);
}

} // namespace

Pill::Pill(const QString& text, Tint tint, Appearance appearance, QWidget* parent)
    : QWidget(parent), text_(text), tint_(tint), appearance_(appearance) {
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void Pill::setText(const QString& text) {
    if (text == text_)
        return;
    text_ = text;
    updateGeometry();
    update();
}

QSize Pill::sizeHint() const {
    const QFontMetricsF metrics(pillFont());
    return {int(std::ceil(metrics.horizontalAdvance(text_) + 2 * kPadX)),
            int(std::ceil(metrics.height() + 2 * kPadY))};
}

void Pill::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QColor tone = color(tint_, appearance_);
    fillCapsule(painter, QRectF(rect()), withOpacity(tone, fillOpacity));
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setFont(pillFont());
    painter.setPen(tone);
    painter.drawText(QRectF(rect()), Qt::AlignCenter, text_);
}

} // namespace morvanex::ui
