#include "ui/kit/StatRow.h"

#include "ui/kit/Dot.h"
#include "ui/kit/Fonts.h"
#include "ui/kit/Layouts.h"

#include <QBoxLayout>

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
    if (value)
        row->addWidget(value, 0, Qt::AlignVCenter);
}

StatValue::StatValue(const QString& text, Appearance appearance, QWidget* parent)
    : TextLine(text, Fonts::font(13, QFont::Medium), ui::color(Tint::primaryText, appearance),
               Qt::ElideMiddle, parent) {
    setTextInteractionFlags(Qt::TextSelectableByMouse);
    setCursor(Qt::IBeamCursor);
}

} // namespace morvanex::ui
