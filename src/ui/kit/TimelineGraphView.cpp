#include "ui/kit/TimelineGraphView.h"

#include "ui/kit/Fonts.h"
#include "ui/kit/GraphPaint.h"

#include <QDateTime>
#include <QEnterEvent>
#include <QFontMetricsF>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <cmath>

namespace morvanex::ui {

namespace {

constexpr int spinnerSpokes = 8;
constexpr double spinnerSize = 16; // the platform's small progress indicator

QPainterPath openPath(const std::vector<QPointF>& points) {
    QPainterPath path;
    path.moveTo(points.front());
    for (std::size_t i = 1; i < points.size(); ++i)
        path.lineTo(points[i]);
    return path;
}

void drawSpinner(QPainter& painter, const QPointF& centre, int phase, Appearance appearance) {
    painter.save();
    painter.translate(centre);
    const double outer = spinnerSize / 2;
    for (int i = 0; i < spinnerSpokes; ++i) {
        // The spoke at the phase is the darkest; the ones behind it fade out.
        const int age = (phase - i + spinnerSpokes) % spinnerSpokes;
        const double opacity = 1.0 - 0.1 * age;
        QPen pen(faded(Tint::secondaryText, appearance, opacity), 1.8, Qt::SolidLine, Qt::RoundCap);
        painter.setPen(pen);
        const double angle = 2 * M_PI * i / spinnerSpokes - M_PI / 2;
        const QPointF direction(std::cos(angle), std::sin(angle));
        painter.drawLine(direction * outer * 0.5, direction * (outer - 1));
    }
    painter.restore();
}

void drawHoverLabel(QPainter& painter, const QString& text, const QSizeF& area, bool leading,
                    Appearance appearance) {
    const QFont font = Fonts::font(10, QFont::Medium);
    const QFontMetricsF metrics(font);
    const QSizeF textSize(metrics.horizontalAdvance(text), metrics.height());
    // 6 and 2 points inside the rounded background, then 2 points around it.
    const QSizeF background(textSize.width() + 12, textSize.height() + 4);
    const double x = leading ? 2 : area.width() - 2 - background.width();
    const QRectF backgroundRect(QPointF(x, 2), background);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath shape;
    shape.addRoundedRect(backgroundRect, 5, 5);
    painter.fillPath(shape, faded(Tint::controlBackground, appearance, 0.88));
    painter.setPen(QPen(color(Tint::separator, appearance), 0.5));
    painter.drawPath(shape);
    painter.setFont(font);
    painter.setPen(color(Tint::primaryText, appearance));
    painter.drawText(backgroundRect.adjusted(6, 2, -6, -2), Qt::AlignCenter | Qt::TextSingleLine,
                     text);
    painter.restore();
}

double wallClockNow() {
    return double(QDateTime::currentMSecsSinceEpoch()) / 1000;
}

} // namespace

void drawTimelineGraph(QPainter& painter, const QRectF& rect, const TimelineGraph& graph,
                       Appearance appearance, double now, int spinnerPhase) {
    const TimelineGeometry geometry = timelineGeometry(graph, rect.size(), now);
    const double W = rect.width();
    const double H = rect.height();
    painter.save();
    painter.translate(rect.topLeft());
    painter.setRenderHint(QPainter::Antialiasing);

    QPainterPath grid;
    for (double y : geometry.gridYs) {
        grid.moveTo(0, y);
        grid.lineTo(W, y);
    }
    painter.strokePath(grid, graphGridPen(appearance, 0.07));

    for (const TimelineArea& area : geometry.areas) {
        const QPainterPath top = openPath(area.top);
        QPainterPath shape = top;
        for (const QPointF& point : area.base)
            shape.lineTo(point);
        shape.closeSubpath();
        shape.setFillRule(Qt::WindingFill);
        painter.fillPath(shape, faded(area.color, appearance, area.fillOpacity));
        if (area.line)
            painter.strokePath(top, graphLinePen(color(area.color, appearance)));
    }

    if (geometry.markerX) {
        painter.setPen(QPen(faded(Tint::primaryText, appearance, 0.35), 1));
        painter.drawLine(QPointF(*geometry.markerX, 0), QPointF(*geometry.markerX, H));
    }

    switch (geometry.overlay) {
    case TimelineOverlay::none:
        break;
    case TimelineOverlay::loading:
        drawSpinner(painter, QPointF(W / 2, H / 2), spinnerPhase, appearance);
        break;
    case TimelineOverlay::empty:
        painter.setFont(Fonts::font(11));
        painter.setPen(color(Tint::secondaryText, appearance));
        // One line where it fits; a narrow graph wraps it rather than cutting it off.
        painter.drawText(QRectF(0, 0, W, H), Qt::AlignCenter | Qt::TextWordWrap,
                         timelineEmptyText());
        break;
    case TimelineOverlay::hover:
        drawHoverLabel(painter, geometry.hoverText, rect.size(), geometry.labelAtLeading,
                       appearance);
        break;
    }
    painter.restore();
}

TimelineGraphView::TimelineGraphView(TimelineGraph graph, Appearance appearance,
                                     std::function<double()> now, QWidget* parent)
    : QWidget(parent), graph_(std::move(graph)), appearance_(appearance),
      now_(now ? std::move(now) : std::function<double()>(wallClockNow)) {
    graph_.hoverX.reset();
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setFixedHeight(viewExtent(graph_.height));
    setMouseTracking(true);
    spinner_.setInterval(80);
    connect(&spinner_, &QTimer::timeout, this, [this] {
        spinnerPhase_ = (spinnerPhase_ + 1) % spinnerSpokes;
        update();
    });
}

void TimelineGraphView::setSeries(std::optional<HistorySeries> series) {
    graph_.series = std::move(series);
    updateSpinner();
    update();
}

void TimelineGraphView::setRange(HistoryRange range) {
    graph_.range = range;
    update();
}

TimelineGeometry TimelineGraphView::geometry() const {
    return timelineGeometry(graph_, QSizeF(width(), graph_.height), now_());
}

QSize TimelineGraphView::sizeHint() const {
    return {240, viewExtent(graph_.height)};
}

void TimelineGraphView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    drawTimelineGraph(painter, QRectF(0, 0, width(), graph_.height), graph_, appearance_, now_(),
                      spinnerPhase_);
}

void TimelineGraphView::mouseMoveEvent(QMouseEvent* event) {
    graph_.hoverX = event->position().x();
    update();
}

void TimelineGraphView::enterEvent(QEnterEvent* event) {
    graph_.hoverX = event->position().x();
    update();
}

void TimelineGraphView::leaveEvent(QEvent*) {
    graph_.hoverX.reset();
    update();
}

void TimelineGraphView::showEvent(QShowEvent*) {
    updateSpinner();
}

void TimelineGraphView::hideEvent(QHideEvent*) {
    updateSpinner();
}

void TimelineGraphView::updateSpinner() {
    const bool spinning = !graph_.series && isVisible();
    if (spinning && !spinner_.isActive())
        spinner_.start();
    else if (!spinning)
        spinner_.stop();
}

} // namespace morvanex::ui
