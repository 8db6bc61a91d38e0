#include "ui/panels/RateLabel.h"

#include "ui/kit/Fonts.h"
#include "ui/kit/TextLine.h"

#include <QBoxLayout>

namespace morvanex::ui {

RateLabel::RateLabel(const QString& arrow, Tint tint, const QString& text, Appearance appearance,
                     QWidget* parent)
    : QWidget(parent) {
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(5);
    row->addStretch(1); // held at the trailing edge of the header's stack
    arrow_ = new TextLine(arrow, Fonts::font(12, QFont::DemiBold), color(tint, appearance));
    text_ =
        new TextLine(text, Fonts::font(15, QFont::DemiBold), color(Tint::primaryText, appearance));
    // A rate keeps its whole text; the header's title gives way instead.
    text_->setMinimumWidth(text_->sizeHint().width());
    row->addWidget(arrow_, 0, Qt::AlignVCenter);
    row->addWidget(text_, 0, Qt::AlignVCenter);
}

} // namespace morvanex::ui
