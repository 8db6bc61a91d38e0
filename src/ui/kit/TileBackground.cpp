#include "ui/kit/TileBackground.h"

#include "ui/kit/Fills.h"

#include <QBoxLayout>
#include <QCursor>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

namespace morvanex::ui {

TileBackground::TileBackground(QWidget* content, std::function<void()> action,
                               Appearance appearance, QWidget* parent)
    : QWidget(parent), content_(content), action_(std::move(action)), appearance_(appearance) {
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(12, 10, 12, 10);
    layout->setSpacing(0);
    layout->addWidget(content_, 0, Qt::AlignTop);
    layout->addStretch(1);
    if (action_) {
        setCursor(Qt::PointingHandCursor);
        setFocusPolicy(Qt::TabFocus);
    }
}

void TileBackground::tap() {
    if (action_)
        action_();
}

void TileBackground::setHovering(bool hovering) {
    if (hovering == hovering_)
        return;
    hovering_ = hovering;
    update();
}

void TileBackground::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    fillRoundedRect(painter, QRectF(rect()), cornerRadius,
                    primaryFill(appearance_, fillOpacity(hovering_, hasAction())));
}

void TileBackground::enterEvent(QEnterEvent*) {
    setHovering(true);
}

void TileBackground::leaveEvent(QEvent*) {
    setHovering(false);
}

void TileBackground::showEvent(QShowEvent*) {
    // Panels make their tiles anew on every tick; one made under a resting pointer gets no
    // enter event, so it looks where the pointer is.
    if (window()->testAttribute(Qt::WA_UnderMouse))
        setHovering(rect().contains(mapFromGlobal(QCursor::pos())));
}

void TileBackground::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && action_)
        event->accept();
    else
        QWidget::mousePressEvent(event);
}

void TileBackground::mouseReleaseEvent(QMouseEvent* event) {
    // The whole rounded tile answers, padding included.
    QPainterPath shape;
    shape.addRoundedRect(QRectF(rect()), cornerRadius, cornerRadius);
    if (event->button() == Qt::LeftButton && action_ && shape.contains(event->position())) {
        event->accept();
        tap();
        return;
    }
    QWidget::mouseReleaseEvent(event);
}

} // namespace morvanex::ui
