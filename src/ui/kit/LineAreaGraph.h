#pragma once

#include "ui/kit/Palette.h"

#include <QPointF>
#include <QSizeF>
#include <QWidget>
#include <optional>
#include <vector>

class QPainter;

// A graph of the last values a monitor keeps: one filled area per series, optionally stroked
// along its top and optionally stacked on the series before it. The newest value is always on
// the right edge; with fewer values than slots the curve starts part-way across.
namespace morvanex::ui {

struct GraphSeries {
    std::vector<double> values; // oldest first
    Tint color = Tint::accent;
    double fillOpacity = 0.3;
    bool line = true;
};

struct LineAreaGraph {
    std::vector<GraphSeries> series;
    std::optional<double> maxValue; // fixed top of the scale; absent: the data's peak + 15 %
    bool stacked = false;
    double height = 40;
    int capacity = 120; // sample slots across the width
    bool gridlines = true;
};

// `values` brought to exactly `n` values: zeros in front when it is shorter, only its last
// `n` values when it is longer.
std::vector<double> alignedValues(const std::vector<double>& values, std::size_t n);

// Where one series is drawn: its top line, and the baseline its area closes along (the
// previous series' top when stacked, else the bottom edge), point for point, left to right.
struct SeriesShape {
    std::vector<QPointF> top;
    std::vector<QPointF> base;
};

struct LineAreaGeometry {
    std::vector<double> gridYs;      // horizontal grid lines, empty without gridlines
    double scaleTop = 0;             // the value drawn one point below the top edge
    std::vector<SeriesShape> series; // in drawing order; empty when there is nothing to plot
};

// The graph's drawing in a W × H area. Non-finite values count as 0.
LineAreaGeometry lineAreaGeometry(const LineAreaGraph& graph, QSizeF size);

void drawLineAreaGraph(QPainter& painter, const QRectF& rect, const LineAreaGraph& graph,
                       Appearance appearance);

// The graph as a widget, as wide as its layout offers and `height` points high.
class LineAreaGraphView : public QWidget {
public:
    LineAreaGraphView(LineAreaGraph graph, Appearance appearance, QWidget* parent = nullptr);
    void setGraph(LineAreaGraph graph);
    const LineAreaGraph& graph() const { return graph_; }
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    LineAreaGraph graph_;
    Appearance appearance_;
};

} // namespace morvanex::ui
