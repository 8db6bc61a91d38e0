#include "ui/kit/SegmentedPicker.h"

#include "ui/kit/Fills.h"
#include "ui/kit/Fonts.h"

#include <QFontMetricsF>
#include <QMouseEvent>
#include <QPainter>
#include <cmath>

namespace morvanex::ui {
namespace {

constexpr double kInset = 2;
constexpr double kRadius = 6;

QFont segmentFont(bool chosen) {
    return Fonts::font(11, chosen ? QFont::DemiBold : QFont::Normal);
}

} // namespace

SegmentedPicker::SegmentedPicker(QStringList labels, int selected, Appearance appearance,
                                 std::function<void(int)> select, QWidget* parent)
    : QWidget(parent), labels_(std::move(labels)), selected_(selected), appearance_(appearance),
      select_(std::move(select)) {
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setCursor(Qt::PointingHandCursor);
}

void SegmentedPicker::setSelected(int index) {
    if (index == selected_)
        return;
    selected_ = index;
    update();
}

QRectF SegmentedPicker::segmentRect(int index) const {
    if (labels_.isEmpty() || index < 0 || index >= labels_.size())
        return {};
    const double inner = std::max(0.0, width() - 2 * kInset);
    const double each = inner / labels_.size();
    return {kInset + each * index, kInset, each, height - 2 * kInset};
}

int SegmentedPicker::indexAt(const QPointF& point) const {
    for (int i = 0; i < labels_.size(); ++i)
        if (segmentRect(i).contains(point))
            return i;
    return -1;
}

QSize SegmentedPicker::sizeHint() const {
    const QFontMetricsF metrics(segmentFont(true));
    double widest = 0;
    for (const QString& label : labels_)
        widest = std::max(widest, metrics.horizontalAdvance(label));
    return {int(std::ceil((widest + 20) * labels_.size() + 2 * kInset)), height};
}

QSize SegmentedPicker::minimumSizeHint() const {
    return sizeHint();
}

void SegmentedPicker::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::TextAntialiasing);
    fillRoundedRect(painter, QRectF(rect()), kRadius + kInset, primaryFill(appearance_, 0.07));
    const QRectF plate = segmentRect(selected_);
    if (!plate.isEmpty()) {
        const QColor fill = appearance_ == Appearance::dark
                                ? primaryFill(appearance_, 0.2)
                                : color(Tint::cardBackground, appearance_);
        fillRoundedRect(painter, plate, kRadius, fill);
    }
    for (int i = 0; i < labels_.size(); ++i) {
        const bool chosen = i == selected_;
        painter.setFont(segmentFont(chosen));
        painter.setPen(color(chosen ? Tint::primaryText : Tint::secondaryText, appearance_));
        const QRectF cell = segmentRect(i);
        const QString text =
            QFontMetricsF(painter.font()).elidedText(labels_[i], Qt::ElideRight, cell.width() - 8);
        painter.drawText(cell, Qt::AlignCenter, text);
    }
}

void SegmentedPicker::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return;
    const int index = indexAt(event->position());
    if (index < 0 || index == selected_)
        return;
    selected_ = index;
    update();
    if (select_)
        select_(index);
}

} // namespace morvanex::ui
