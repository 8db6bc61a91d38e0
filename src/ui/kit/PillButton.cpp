#include "ui/kit/PillButton.h"

#include "ui/kit/Fills.h"
#include "ui/kit/Fonts.h"

#include <QFontMetricsF>
#include <QMouseEvent>
#include <QPainter>
#include <cmath>

namespace morvanex::ui {

namespace {

QFont titleFont() {
    return Fonts::font(11, QFont::DemiBold);
}

} // namespace

PillButton::PillButton(const QString& title, bool prominent, std::function<void()> action,
                       Appearance appearance, QWidget* parent)
    : QWidget(parent), title_(title), prominent_(prominent), action_(std::move(action)),
      appearance_(appearance) {
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setCursor(Qt::PointingHandCursor);
    setAccessibleName(title);
    setAttribute(Qt::WA_Hover);
}

QColor PillButton::fill(bool prominent, bool hovering, Appearance appearance) {
    if (prominent)
        return withOpacity(color(Tint::accent, appearance), hovering ? 0.85 : 1.0);
    return primaryFill(appearance, hovering ? 0.16 : 0.10);
}

void PillButton::click() {
    if (action_)
        action_();
}

QSize PillButton::sizeHint() const {
    const QFontMetricsF metrics(titleFont());
    return {int(std::ceil(metrics.horizontalAdvance(title_) + 2 * padX)),
            int(std::ceil(metrics.height() + 2 * padY))};
}

void PillButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    fillCapsule(painter, QRectF(rect()), fill(prominent_, hovering_, appearance_));
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setFont(titleFont());
    painter.setPen(prominent_ ? QColor(Qt::white) : color(Tint::primaryText, appearance_));
    painter.drawText(QRectF(rect()), Qt::AlignCenter, title_);
}

void PillButton::enterEvent(QEnterEvent* event) {
    QWidget::enterEvent(event);
    hovering_ = true;
    update();
}

void PillButton::leaveEvent(QEvent* event) {
    QWidget::leaveEvent(event);
    hovering_ = false;
    update();
}

void PillButton::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !rect().contains(event->position().toPoint()))
        return;
    click();
}

} // namespace morvanex::ui
