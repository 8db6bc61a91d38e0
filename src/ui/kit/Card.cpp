#include "ui/kit/Card.h"

#include "ui/kit/Fills.h"
#include "ui/kit/Fonts.h"
#include "ui/kit/Layouts.h"
#include "ui/kit/TextLine.h"

#include <QBoxLayout>
#include <QPainter>
#include <cmath>

namespace morvanex::ui {

Card::Card(double spacing, Appearance appearance, QWidget* parent)
    : QWidget(parent), body_(new QVBoxLayout(this)), appearance_(appearance) {
    body_->setContentsMargins(12, 10, 12, 10);
    body_->setSpacing(int(std::lround(spacing)));
    body_->setAlignment(Qt::AlignTop);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
}

void Card::add(QWidget* child) {
    body_->addWidget(child);
}

void Card::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    fillRoundedRect(painter, QRectF(rect()), cornerRadius, primaryFill(appearance_, fillOpacity));
}

CardHeader::CardHeader(const QString& title, const std::optional<QString>& trailing,
                       QWidget* accessory, Appearance appearance, QWidget* parent)
    : QWidget(parent) {
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(6);
    title_ = new TextLine(title, Fonts::font(11, QFont::DemiBold),
                          color(Tint::secondaryText, appearance));
    row->addWidget(title_, 0, Qt::AlignVCenter);
    if (accessory)
        row->addWidget(accessory, 0, Qt::AlignVCenter);
    addFlexibleSpace(row, 8);
    if (trailing) {
        trailing_ =
            new TextLine(*trailing, Fonts::font(11), color(Tint::secondaryText, appearance));
        trailing_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        row->addWidget(trailing_, 0, Qt::AlignVCenter);
    }
}

} // namespace morvanex::ui
