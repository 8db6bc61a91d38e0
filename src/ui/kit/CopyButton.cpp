#include "ui/kit/CopyButton.h"

#include "ui/kit/Clipboard.h"
#include "ui/kit/Fills.h"
#include "ui/kit/SymbolIcon.h"

#include <QBoxLayout>
#include <QMouseEvent>
#include <QPainter>
#include <QTimer>

namespace morvanex::ui {

CopyButton::CopyButton(const QString& text, const QString& label, Appearance appearance,
                       QWidget* parent, Copy copy, int resetMs)
    : QWidget(parent), text_(text), appearance_(appearance),
      copy_(copy ? std::move(copy) : Copy(copyToClipboard)), resetMs_(resetMs) {
    setFixedSize(side, side);
    setCursor(Qt::PointingHandCursor);
    setToolTip(label);
    setAccessibleName(label);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    symbol_ = new SymbolIcon(symbolName(), 10, color(Tint::tertiaryText, appearance));
    layout->addWidget(symbol_, 0, Qt::AlignCenter);
}

QString CopyButton::symbolName() const {
    return copied_ ? QStringLiteral("checkmark") : QStringLiteral("doc.on.doc");
}

void CopyButton::refresh() {
    symbol_->setName(symbolName());
    symbol_->setColor(color(hovering_ ? Tint::primaryText : Tint::tertiaryText, appearance_));
    update();
}

void CopyButton::enterEvent(QEnterEvent* event) {
    QWidget::enterEvent(event);
    hovering_ = true;
    refresh();
}

void CopyButton::leaveEvent(QEvent* event) {
    QWidget::leaveEvent(event);
    hovering_ = false;
    refresh();
}

void CopyButton::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !rect().contains(event->position().toPoint()))
        return;
    copy_(text_);
    copied_ = true;
    refresh();
    QTimer::singleShot(resetMs_, this, [this] {
        copied_ = false;
        refresh();
    });
}

void CopyButton::paintEvent(QPaintEvent*) {
    if (!hovering_)
        return;
    QPainter painter(this);
    fillRoundedRect(painter, QRectF(rect()), 5, primaryFill(appearance_, 0.08));
}

} // namespace morvanex::ui
