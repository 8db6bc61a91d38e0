#include "ui/kit/LineAreaGraph.h"

#include "ui/kit/GraphPaint.h"

#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>
#include <limits>

namespace morvanex::ui {

namespace {

constexpr double largest = std::numeric_limits<double>::max();

double finiteOrZero(double value) {
    return std::isfinite(value) ? value : 0.0;
}

// Inf + inf stays representable: the scale and the stacked tops saturate instead.
double saturated(double value) {
    if (std::isnan(value))
        return 0;
    return std::clamp(value, -largest, largest);
}

} // namespace

std::vector<double> alignedValues(const std::vector<double>& values, std::size_t n) {
    std::vector<double> out;
    out.reserve(n);
    if (values.size() < n)
        out.assign(n - values.size(), 0.0);
    const std::size_t from = values.size() > n ? values.size() - n : 0;
    for (std::size_t i = from; i < values.size(); ++i)
        out.push_back(finiteOrZero(values[i]));
    return out;
}

LineAreaGeometry lineAreaGeometry(const LineAreaGraph& graph, QSizeF size) {
    const double W = size.width();
    const double H = size.height();
    LineAreaGeometry geometry;
    if (graph.gridlines)
        geometry.gridYs = {H * 0.25, H * 0.5, H * 0.75};

    std::size_t longest = 0;
    for (const GraphSeries& series : graph.series)
        longest = std::max(longest, series.values.size());
    if (graph.capacity <= 0 || longest == 0)
        return geometry;
    const std::size_t n = std::min(longest, std::size_t(graph.capacity));

    std::vector<std::vector<double>> aligned;
    aligned.reserve(graph.series.size());
    for (const GraphSeries& series : graph.series)
        aligned.push_back(alignedValues(series.values, n));

    double peak = 0;
    if (graph.stacked) {
        for (std::size_t i = 0; i < n; ++i) {
            double sum = 0;
            for (const auto& values : aligned)
                sum = saturated(sum + values[i]);
            peak = std::max(peak, sum);
        }
    } else {
        for (const auto& values : aligned) {
            for (double v : values)
                peak = std::max(peak, v);
        }
    }
    const bool fixedTop = graph.maxValue && !std::isnan(*graph.maxValue);
    double top = fixedTop ? *graph.maxValue : saturated(peak * 1.15);
    top = std::min(std::max(top, 0.0001), largest);
    geometry.scaleTop = top;

    const double step = W / std::max(graph.capacity - 1, 1);
    const double x0 = W - step * double(n - 1);
    auto y = [&](double v) { return H - (H - 1) * std::clamp(v, 0.0, top) / top; };

    std::vector<double> baseline(n, 0.0);
    for (const auto& values : aligned) {
        SeriesShape shape;
        shape.top.reserve(n);
        shape.base.reserve(n);
        std::vector<double> tops(n);
        for (std::size_t i = 0; i < n; ++i) {
            tops[i] = graph.stacked ? saturated(baseline[i] + values[i]) : values[i];
            const double x = x0 + step * double(i);
            shape.top.emplace_back(x, y(tops[i]));
            shape.base.emplace_back(x, y(baseline[i]));
        }
        if (graph.stacked)
            baseline = std::move(tops);
        geometry.series.push_back(std::move(shape));
    }
    return geometry;
}

void drawLineAreaGraph(QPainter& painter, const QRectF& rect, const LineAreaGraph& graph,
                       Appearance appearance) {
    const LineAreaGeometry geometry = lineAreaGeometry(graph, rect.size());
    painter.save();
    painter.translate(rect.topLeft());
    painter.setRenderHint(QPainter::Antialiasing);
    if (!geometry.gridYs.empty()) {
        painter.setPen(graphGridPen(appearance, 0.07));
        for (double y : geometry.gridYs)
            painter.drawLine(QPointF(0, y), QPointF(rect.width(), y));
    }
    for (std::size_t s = 0; s < geometry.series.size(); ++s) {
        const SeriesShape& shape = geometry.series[s];
        const GraphSeries& series = graph.series[s];
        QPainterPath line;
        line.moveTo(shape.top.front());
        for (std::size_t i = 1; i < shape.top.size(); ++i)
            line.lineTo(shape.top[i]);
        QPainterPath area = line;
        for (auto it = shape.base.rbegin(); it != shape.base.rend(); ++it)
            area.lineTo(*it);
        area.closeSubpath();
        area.setFillRule(Qt::WindingFill);
        painter.fillPath(area, faded(series.color, appearance, series.fillOpacity));
        if (series.line) {
            painter.setPen(graphLinePen(color(series.color, appearance)));
            painter.setBrush(Qt::NoBrush);
            painter.drawPath(line);
        }
    }
    painter.restore();
}

LineAreaGraphView::LineAreaGraphView(LineAreaGraph graph, Appearance appearance, QWidget* parent)
    : QWidget(parent), graph_(std::move(graph)), appearance_(appearance) {
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setFixedHeight(viewExtent(graph_.height));
}

void LineAreaGraphView::setGraph(LineAreaGraph graph) {
    graph_ = std::move(graph);
    setFixedHeight(viewExtent(graph_.height));
    update();
}

QSize LineAreaGraphView::sizeHint() const {
    return {240, viewExtent(graph_.height)};
}

void LineAreaGraphView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    drawLineAreaGraph(painter, QRectF(0, 0, width(), graph_.height), graph_, appearance_);
}

} // namespace morvanex::ui
