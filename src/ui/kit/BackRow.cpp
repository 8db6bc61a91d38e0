#include "ui/kit/BackRow.h"

#include "ui/kit/Fills.h"
#include "ui/kit/Fonts.h"
#include "ui/kit/SymbolIcon.h"
#include "ui/kit/TextLine.h"

#include <QBoxLayout>
#include <QMouseEvent>
#include <QPainter>

namespace morvanex::ui {

BackRow::BackRow(const QString& title, std::function<void()> action, Appearance appearance,
                 QWidget* parent)
    : QWidget(parent), action_(std::move(action)), appearance_(appearance) {
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setCursor(Qt::PointingHandCursor);
    setAccessibleName(title);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(6, spaceAbove + 4, 6, 4);
    row->setSpacing(4);
    const QColor text = color(Tint::secondaryText, appearance);
    chevron_ = new SymbolIcon(QStringLiteral("chevron.left"), 11, text);
    row->addWidget(chevron_, 0, Qt::AlignVCenter);
    title_ = new TextLine(title, Fonts::font(13), text);
    row->addWidget(title_, 0, Qt::AlignVCenter);
}

QRect BackRow::plateRect() const {
    return rect().adjusted(0, spaceAbove, 0, 0);
}

void BackRow::setHovering(bool hovering) {
    if (hovering == hovering_)
        return;
    hovering_ = hovering;
    const QColor text = color(hovering ? Tint::primaryText : Tint::secondaryText, appearance_);
    chevron_->setColor(text);
    title_->setColor(text);
    update();
}

void BackRow::enterEvent(QEnterEvent* event) {
    QWidget::enterEvent(event);
    setHovering(true);
}

void BackRow::leaveEvent(QEvent* event) {
    QWidget::leaveEvent(event);
    setHovering(false);
}

void BackRow::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && plateRect().contains(event->position().toPoint()) &&
        action_)
        action_();
}

void BackRow::paintEvent(QPaintEvent*) {
    if (!hovering_)
        return;
    QPainter painter(this);
    fillRoundedRect(painter, QRectF(plateRect()), 6, primaryFill(appearance_, 0.08));
}

} // namespace morvanex::ui
