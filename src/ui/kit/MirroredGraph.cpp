#include "ui/kit/MirroredGraph.h"

#include "ui/kit/GraphPaint.h"
#include "ui/kit/LineAreaGraph.h"

#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>
#include <limits>

namespace morvanex::ui {

MirroredGeometry mirroredGeometry(const MirroredGraph& graph, QSizeF size) {
    const double W = size.width();
    const double H = size.height();
    MirroredGeometry geometry;
    geometry.mid = H / 2;
    geometry.gridYs = {H * 0.25, H * 0.75};

    const std::size_t longest = std::max(graph.up.size(), graph.down.size());
    const std::size_t n =
        graph.capacity > 0 ? std::min(longest, std::size_t(graph.capacity)) : std::size_t(0);
    const std::vector<double> up = alignedValues(graph.up, n);
    const std::vector<double> down = alignedValues(graph.down, n);

    double peak = mirroredGraphMinimumPeak;
    for (double v : up)
        peak = std::max(peak, v);
    for (double v : down)
        peak = std::max(peak, v);
    const double top = std::min(peak * 1.15, std::numeric_limits<double>::max());
    geometry.scaleTop = top;

    const double step = W / std::max(graph.capacity - 1, 1);
    geometry.x0 = W - step * double(n > 0 ? n - 1 : 0);
    const double m = geometry.mid;
    for (std::size_t i = 0; i < n; ++i) {
        const double x = geometry.x0 + step * double(i);
        geometry.upLine.emplace_back(x, m - (m - 1) * up[i] / top);
        geometry.downLine.emplace_back(x, m + (m - 1) * down[i] / top);
    }
    return geometry;
}

namespace {

QPainterPath linePath(const std::vector<QPointF>& points) {
    QPainterPath path;
    path.moveTo(points.front());
    for (std::size_t i = 1; i < points.size(); ++i)
        path.lineTo(points[i]);
    return path;
}

QPainterPath halfArea(const QPainterPath& line, const MirroredGeometry& geometry, double width) {
    QPainterPath area = line;
    area.lineTo(width, geometry.mid);
    area.lineTo(geometry.x0, geometry.mid);
    area.closeSubpath();
    area.setFillRule(Qt::WindingFill);
    return area;
}

} // namespace

void drawMirroredGraph(QPainter& painter, const QRectF& rect, const MirroredGraph& graph,
                       Appearance appearance) {
    const MirroredGeometry geometry = mirroredGeometry(graph, rect.size());
    const double W = rect.width();
    painter.save();
    painter.translate(rect.topLeft());
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(graphGridPen(appearance, 0.07));
    for (double y : geometry.gridYs)
        painter.drawLine(QPointF(0, y), QPointF(W, y));
    if (!geometry.upLine.empty()) {
        painter.fillPath(halfArea(linePath(geometry.upLine), geometry, W),
                         faded(graph.upColor, appearance, 0.8));
        const QPainterPath down = linePath(geometry.downLine);
        painter.fillPath(halfArea(down, geometry, W), faded(graph.downColor, appearance, 0.3));
        painter.setPen(graphLinePen(color(graph.downColor, appearance)));
        painter.setBrush(Qt::NoBrush);
        painter.drawPath(down);
    }
    painter.setPen(graphGridPen(appearance, 0.18, 0.5));
    painter.drawLine(QPointF(0, geometry.mid), QPointF(W, geometry.mid));
    painter.restore();
}

MirroredGraphView::MirroredGraphView(MirroredGraph graph, Appearance appearance, QWidget* parent)
    : QWidget(parent), graph_(std::move(graph)), appearance_(appearance) {
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setFixedHeight(viewExtent(graph_.height));
}

void MirroredGraphView::setGraph(MirroredGraph graph) {
    graph_ = std::move(graph);
    setFixedHeight(viewExtent(graph_.height));
    update();
}

QSize MirroredGraphView::sizeHint() const {
    return {240, viewExtent(graph_.height)};
}

void MirroredGraphView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    drawMirroredGraph(painter, QRectF(0, 0, width(), graph_.height), graph_, appearance_);
}

} // namespace morvanex::ui
