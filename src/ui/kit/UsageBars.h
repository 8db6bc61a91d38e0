#pragma once

#include "ui/kit/Palette.h"

#include <QRectF>
#include <QWidget>
#include <vector>

class QPainter;

// Horizontal bars on a faint track: one fill (a usage share), or coloured segments side by side
// (a breakdown). Pure values; the views draw them at the full width they are given.
namespace morvanex::ui {

struct UsageBar {
    double fraction = 0;
    Tint color = Tint::accent;
    double height = 3;
    bool operator==(const UsageBar&) const = default;
};

struct BarSegment {
    double fraction = 0; // of the whole width
    Tint color = Tint::accent;
    bool operator==(const BarSegment&) const = default;
};

struct SegmentBar {
    std::vector<BarSegment> segments;
    double height = 8;
    bool operator==(const SegmentBar&) const = default;
};

// Gap between the segments of a segment bar, and what each segment gives up to it.
inline constexpr double segmentBarGap = 1.5;

// Width of a usage bar's fill: the fraction clamped to 0...1 of `width` (NaN fills nothing).
double usageBarFillWidth(double fraction, double width);

// One rectangle per segment, left to right, full height: each max(0, fraction × width − 1.5)
// wide and followed by a 1.5-point gap. What the segments leave free shows the track.
std::vector<QRectF> segmentBarRects(const std::vector<BarSegment>& segments, double width,
                                    double height);

void drawUsageBar(QPainter& painter, const QRectF& rect, const UsageBar& bar,
                  Appearance appearance);
void drawSegmentBar(QPainter& painter, const QRectF& rect, const SegmentBar& bar,
                    Appearance appearance);

// A usage bar as a widget: as wide as its layout offers, `height` points high.
class UsageBarView : public QWidget {
public:
    UsageBarView(UsageBar bar, Appearance appearance, QWidget* parent = nullptr);
    void setBar(const UsageBar& bar);
    const UsageBar& bar() const { return bar_; }
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    UsageBar bar_;
    Appearance appearance_;
};

class SegmentBarView : public QWidget {
public:
    SegmentBarView(SegmentBar bar, Appearance appearance, QWidget* parent = nullptr);
    void setBar(const SegmentBar& bar);
    const SegmentBar& bar() const { return bar_; }
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    SegmentBar bar_;
    Appearance appearance_;
};

} // namespace morvanex::ui
