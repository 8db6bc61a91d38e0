#include "ui/kit/StatRow.h"

#include "ui/kit/Dot.h"
#include "ui/kit/Fonts.h"
#include "ui/kit/Layouts.h"

#include <QBoxLayout>
#include <QResizeEvent>

namespace morvanex::ui {

StatRow::StatRow(const QString& label, std::optional<Tint> dotColor, QWidget* value,
                 Appearance appearance, QWidget* parent)
    : QWidget(parent) {
    setMinimumHeight(minimumHeight);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(6);
    if (dotColor) {
        dot_ = new Dot(*dotColor, 7, appearance);
        row->addWidget(dot_, 0, Qt::AlignVCenter);
    }
    label_ = new TextLine(label, Fonts::font(13), color(Tint::secondaryText, appearance));
    row->addWidget(label_, 0, Qt::AlignVCenter);
    addFlexibleSpace(row, 8);
    value_ = value;
    if (value)
        row->addWidget(value, 0, Qt::AlignVCenter);
}

std::pair<int, int> StatRow::share(int available, int label, int value) {
    available = std::max(0, available);
    if (label + value <= available)
        return {label, value};
    const int half = available / 2;
    if (label <= half)
        return {label, available - label};
    if (value <= half)
        return {available - value, value};
    return {half, available - half};
}

void StatRow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    fit();
}

bool StatRow::event(QEvent* event) {
    // A text changed in place asks for a new layout: share the width again.
    if (event->type() == QEvent::LayoutRequest)
        fit();
    return QWidget::event(event);
}

void StatRow::fit() {
    // Left alone, the layout would shrink a short label to "…" before a long value; the
    // narrower text keeps its width instead, as far as half the row.
    if (!value_ || fitting_)
        return;
    fitting_ = true;
    const int spacing = layout()->spacing();
    // The dot and its gap, the gaps on both sides of the flexible space and its minimum.
    const int fixed = (dot_ ? dot_->width() + spacing : 0) + 2 * spacing + 8;
    const auto [label, value] =
        share(width() - fixed, label_->sizeHint().width(), value_->sizeHint().width());
    label_->setFixedWidth(label);
    value_->setMaximumWidth(std::max(value, value_->minimumSizeHint().width()));
    layout()->activate(); // place the children now, not at the next turn of the event loop
    fitting_ = false;
}

StatValue::StatValue(const QString& text, Appearance appearance, QWidget* parent)
    : TextLine(text, Fonts::font(13, QFont::Medium), ui::color(Tint::primaryText, appearance),
               Qt::ElideMiddle, parent) {
    setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    setTextInteractionFlags(Qt::TextSelectableByMouse);
    setCursor(Qt::IBeamCursor);
}

} // namespace morvanex::ui
