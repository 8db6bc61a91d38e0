#include "ui/kit/RangeSwitch.h"

#include "ui/kit/Fonts.h"
#include "ui/kit/GraphPaint.h"
#include "ui/kit/HistoryRangeText.h"

#include <QFontMetricsF>
#include <QHBoxLayout>
#include <QPainter>
#include <QPainterPath>

namespace morvanex::ui {

namespace {

QFont chipFont() {
    return Fonts::font(10, QFont::DemiBold);
}

QPainterPath capsule(const QRectF& rect) {
    QPainterPath path;
    const double radius = std::min(rect.width(), rect.height()) / 2;
    path.addRoundedRect(rect, radius, radius);
    return path;
}

} // namespace

RangeChip::RangeChip(HistoryRange range, Appearance appearance, QWidget* parent)
    : QAbstractButton(parent), range_(range), appearance_(appearance) {
    setText(rangeChipLabel(range));
    setAccessibleName(rangeAccessibilityLabel(range));
    setCheckable(true);
    setFocusPolicy(Qt::NoFocus);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

QSize RangeChip::sizeHint() const {
    const QFontMetricsF metrics(chipFont());
    // 6 points left and right, 2 points above and below the label.
    return {viewExtent(metrics.horizontalAdvance(text()) + 12), viewExtent(metrics.height() + 4)};
}

void RangeChip::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF bounds = rect();
    if (isChecked())
        painter.fillPath(capsule(bounds), faded(Tint::primaryText, appearance_, 0.14));
    painter.setFont(chipFont());
    painter.setPen(color(isChecked() ? Tint::primaryText : Tint::secondaryText, appearance_));
    painter.drawText(bounds, Qt::AlignCenter | Qt::TextSingleLine, text());
}

bool RangeChip::hitButton(const QPoint& pos) const {
    return capsule(QRectF(rect())).contains(QPointF(pos));
}

RangeSwitch::RangeSwitch(HistoryRange shown, Appearance appearance,
                         std::function<void(HistoryRange)> select, QWidget* parent)
    : QWidget(parent), shown_(shown), appearance_(appearance), select_(std::move(select)) {
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(2, 2, 2, 2);
    row->setSpacing(2);
    for (std::size_t i = 0; i < chips_.size(); ++i) {
        const HistoryRange range = allCases<HistoryRange>()[i];
        auto* chip = new RangeChip(range, appearance, this);
        chip->setChecked(range == shown_);
        connect(chip, &QAbstractButton::clicked, this, [this, range] {
            if (select_)
                select_(range);
        });
        row->addWidget(chip, 0, Qt::AlignVCenter);
        chips_[i] = chip;
    }
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void RangeSwitch::setShown(HistoryRange shown) {
    shown_ = shown;
    for (RangeChip* chip : chips_)
        chip->setChecked(chip->range() == shown);
}

RangeChip* RangeSwitch::chip(HistoryRange range) const {
    for (RangeChip* chip : chips_) {
        if (chip->range() == range)
            return chip;
    }
    return nullptr;
}

void RangeSwitch::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillPath(capsule(QRectF(rect())), faded(Tint::primaryText, appearance_, 0.05));
}

} // namespace morvanex::ui
