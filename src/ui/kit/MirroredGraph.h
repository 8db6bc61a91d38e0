#pragma once

#include "ui/kit/Palette.h"

#include <QPointF>
#include <QSizeF>
#include <QWidget>
#include <vector>

class QPainter;

// Two rates mirrored about a centre line (upload above, download below; or write and read),
// newest values on the right edge, one scale for both halves.
namespace morvanex::ui {

struct MirroredGraph {
    std::vector<double> up;
    std::vector<double> down;
    double height = 40;
    int capacity = 120;
    Tint upColor = Tint::orange;
    Tint downColor = Tint::blue;
};

// The scale never shrinks below this peak, so an idle link draws a flat line, not noise.
inline constexpr double mirroredGraphMinimumPeak = 1024;

struct MirroredGeometry {
    double mid = 0;                // the centre line's y
    double scaleTop = 0;           // the value that reaches one point short of either edge
    std::vector<double> gridYs;    // always the quarter and three-quarter lines
    double x0 = 0;                 // x of the first point
    std::vector<QPointF> upLine;   // above the centre; empty when there are no values
    std::vector<QPointF> downLine; // below the centre
};

// The graph's drawing in a W × H area. Values are not clamped (the scale sits 15 % above the
// peak); non-finite values count as 0.
MirroredGeometry mirroredGeometry(const MirroredGraph& graph, QSizeF size);

void drawMirroredGraph(QPainter& painter, const QRectF& rect, const MirroredGraph& graph,
                       Appearance appearance);

class MirroredGraphView : public QWidget {
public:
    MirroredGraphView(MirroredGraph graph, Appearance appearance, QWidget* parent = nullptr);
    void setGraph(MirroredGraph graph);
    const MirroredGraph& graph() const { return graph_; }
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    MirroredGraph graph_;
    Appearance appearance_;
};

} // namespace morvanex::ui
