#include "ui/panels/overview/HeroText.h"

#include "ui/kit/Fonts.h"

#include <QFontMetricsF>
#include <QPainter>
#include <cmath>

namespace morvanex::ui::overview {

HeroText::HeroText(HeroTextContent content, Appearance appearance, QWidget* parent)
    : QWidget(parent), content_(std::move(content)), appearance_(appearance) {
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

void HeroText::setContent(const HeroTextContent& content) {
    if (content == content_)
        return;
    content_ = content;
    updateGeometry();
    update();
}

QFont HeroText::valueFont() const {
    return Fonts::font(content_.size, QFont::DemiBold);
}

QFont HeroText::unitFont() const {
    return Fonts::font(content_.size * 0.6, QFont::DemiBold);
}

QSize HeroText::sizeHint() const {
    const QFontMetricsF value(valueFont());
    const QFontMetricsF unit(unitFont());
    double width = value.horizontalAdvance(content_.value);
    if (content_.unit)
        width += unit.horizontalAdvance(*content_.unit);
    return {int(std::ceil(width)) + 1, int(std::ceil(value.ascent() + value.descent()))};
}

void HeroText::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::TextAntialiasing);
    const QFontMetricsF valueMetrics(valueFont());
    const double baseline = valueMetrics.ascent();
    painter.setFont(valueFont());
    painter.setPen(color(Tint::primaryText, appearance_));
    painter.drawText(QPointF(0, baseline), content_.value);
    if (content_.unit) {
        painter.setFont(unitFont());
        painter.setPen(color(Tint::secondaryText, appearance_));
        painter.drawText(QPointF(valueMetrics.horizontalAdvance(content_.value), baseline),
                         *content_.unit);
    }
}

} // namespace morvanex::ui::overview
