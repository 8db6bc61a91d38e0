#include "ui/settings/SwitchToggle.h"

#include <QPainter>

namespace morvanex::ui {

SwitchToggle::SwitchToggle(Appearance appearance, bool small, QWidget* parent)
    : QAbstractButton(parent), appearance_(appearance), small_(small) {
    setCheckable(true);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::TabFocus);
}

QSize SwitchToggle::sizeHint() const {
    return small_ ? QSize(32, 18) : QSize(40, 22);
}

void SwitchToggle::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QSizeF size = sizeHint();
    const QRectF track(QPointF(0, (height() - size.height()) / 2), size);
    QColor fill =
        isChecked() ? color(Tint::accent, appearance_) : color(Tint::quaternaryText, appearance_);
    if (!isEnabled())
        fill.setAlphaF(fill.alphaF() * 0.5);
    painter.setPen(Qt::NoPen);
    painter.setBrush(fill);
    painter.drawRoundedRect(track, track.height() / 2, track.height() / 2);
    const double knob = track.height() - 4;
    const double x = isChecked() ? track.right() - 2 - knob : track.left() + 2;
    painter.setBrush(Qt::white);
    painter.setPen(QPen(QColor(0, 0, 0, 40), 0.5));
    painter.drawEllipse(QRectF(x, track.top() + 2, knob, knob));
}

} // namespace morvanex::ui
