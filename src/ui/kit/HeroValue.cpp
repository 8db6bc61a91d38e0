#include "ui/kit/HeroValue.h"

#include "base/Numbers.h"
#include "ui/kit/Fonts.h"

#include <QFontMetricsF>
#include <QPainter>
#include <cmath>

namespace morvanex::ui {

HeroValue::Content HeroValue::temperature(std::optional<double> celsius, TempUnit unit) {
    const Content missing{QStringLiteral("—"), std::nullopt};
    if (!celsius || !std::isfinite(*celsius))
        return missing;
    double converted = *celsius;
    QString unitText;
    switch (unit) {
    case TempUnit::celsius:
        unitText = QStringLiteral("°C");
        break;
    case TempUnit::fahrenheit:
        converted = *celsius * 9 / 5 + 32;
        unitText = QStringLiteral("°F");
        break;
    case TempUnit::kelvin:
        converted = *celsius + 273.15;
        unitText = QStringLiteral(" K");
        break;
    }
    const auto whole = numbers::roundedInt64(converted);
    if (!whole)
        return missing;
    return {QString::number(*whole), unitText};
}

HeroValue::HeroValue(Content content, Appearance appearance, QWidget* parent)
    : HeroValue(std::move(content), 28, 16, appearance, parent) {}

HeroValue::HeroValue(Content content, double valueSize, double unitSize, Appearance appearance,
                     QWidget* parent)
    : QWidget(parent), content_(std::move(content)), valueSize_(valueSize), unitSize_(unitSize),
      appearance_(appearance) {
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

void HeroValue::setContent(const Content& content) {
    if (content == content_)
        return;
    content_ = content;
    updateGeometry();
    update();
}

QFont HeroValue::valueFont() const {
    return Fonts::font(valueSize_, QFont::DemiBold);
}

QFont HeroValue::unitFont() const {
    return Fonts::font(unitSize_, QFont::DemiBold);
}

QSize HeroValue::sizeHint() const {
    const QFontMetricsF value(valueFont());
    const QFontMetricsF unit(unitFont());
    double width = value.horizontalAdvance(content_.value);
    if (content_.unit)
        width += unit.horizontalAdvance(*content_.unit);
    const double ascent = std::max(value.ascent(), unit.ascent());
    const double descent = std::max(value.descent(), unit.descent());
    return {int(std::ceil(width)) + 1, int(std::ceil(ascent + descent))};
}

QSize HeroValue::minimumSizeHint() const {
    return sizeHint();
}

void HeroValue::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::TextAntialiasing);
    const QFontMetricsF valueMetrics(valueFont());
    const QFontMetricsF unitMetrics(unitFont());
    const double baseline = std::max(valueMetrics.ascent(), unitMetrics.ascent());
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

} // namespace morvanex::ui
