#include "ui/kit/UsageBars.h"

#include "ui/kit/GraphPaint.h"

#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>

namespace morvanex::ui {

namespace {

QPainterPath capsule(const QRectF& rect) {
    QPainterPath path;
    const double radius = std::min(rect.width(), rect.height()) / 2;
    path.addRoundedRect(rect, radius, radius);
    return path;
}

QColor track(Appearance appearance) {
    return faded(Tint::primaryText, appearance, 0.1);
}

} // namespace

double usageBarFillWidth(double fraction, double width) {
    if (std::isnan(fraction) || !(width > 0))
        return 0;
    return width * std::clamp(fraction, 0.0, 1.0);
}

std::vector<QRectF> segmentBarRects(const std::vector<BarSegment>& segments, double width,
                                    double height) {
    std::vector<QRectF> rects;
    rects.reserve(segments.size());
    double x = 0;
    for (const BarSegment& segment : segments) {
        const double share =
            std::isfinite(segment.fraction) ? std::max(segment.fraction, 0.0) : 0.0;
        const double w = std::max(0.0, share * std::max(width, 0.0) - segmentBarGap);
        rects.emplace_back(x, 0, w, height);
        x += w + segmentBarGap;
    }
    return rects;
}

void drawUsageBar(QPainter& painter, const QRectF& rect, const UsageBar& bar,
                  Appearance appearance) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.fillPath(capsule(rect), track(appearance));
    const double fill = usageBarFillWidth(bar.fraction, rect.width());
    if (fill > 0)
        painter.fillPath(capsule(QRectF(rect.left(), rect.top(), fill, rect.height())),
                         color(bar.color, appearance));
    painter.restore();
}

void drawSegmentBar(QPainter& painter, const QRectF& rect, const SegmentBar& bar,
                    Appearance appearance) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    const QPainterPath clip = capsule(rect);
    painter.setClipPath(clip);
    painter.fillPath(clip, track(appearance));
    const std::vector<QRectF> rects = segmentBarRects(bar.segments, rect.width(), rect.height());
    for (std::size_t i = 0; i < rects.size(); ++i) {
        if (rects[i].width() > 0)
            painter.fillRect(rects[i].translated(rect.topLeft()),
                             color(bar.segments[i].color, appearance));
    }
    painter.restore();
}

UsageBarView::UsageBarView(UsageBar bar, Appearance appearance, QWidget* parent)
    : QWidget(parent), bar_(bar), appearance_(appearance) {
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setFixedHeight(viewExtent(bar_.height));
}

void UsageBarView::setBar(const UsageBar& bar) {
    bar_ = bar;
    setFixedHeight(viewExtent(bar_.height));
    update();
}

QSize UsageBarView::sizeHint() const {
    return {120, viewExtent(bar_.height)};
}

void UsageBarView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    drawUsageBar(painter, QRectF(0, 0, width(), bar_.height), bar_, appearance_);
}

SegmentBarView::SegmentBarView(SegmentBar bar, Appearance appearance, QWidget* parent)
    : QWidget(parent), bar_(std::move(bar)), appearance_(appearance) {
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setFixedHeight(viewExtent(bar_.height));
}

void SegmentBarView::setBar(const SegmentBar& bar) {
    bar_ = bar;
    setFixedHeight(viewExtent(bar_.height));
    update();
}

QSize SegmentBarView::sizeHint() const {
    return {120, viewExtent(bar_.height)};
}

void SegmentBarView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    drawSegmentBar(painter, QRectF(0, 0, width(), bar_.height), bar_, appearance_);
}

} // namespace morvanex::ui
