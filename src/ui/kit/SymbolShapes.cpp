#include "ui/kit/SymbolShapes.h"

#include <QPainterPathStroker>
#include <QPolygonF>
#include <QtMath>
#include <algorithm>
#include <cmath>

namespace morvanex::ui::SymbolShapes {

namespace {

constexpr double kMoonRadius = 7.25;
constexpr QPointF kMoonCentre(8, 8);
constexpr double kHorizon = 11.5;
constexpr double kLine = 1.2;

// Boolean operations and strokes flatten curves with a tolerance fixed in path units: at this
// small grid the curves would come out as visible polygons, so the work happens magnified.
constexpr double kFine = 64;

QPainterPath magnified(const QPainterPath& path) {
    return QTransform::fromScale(kFine, kFine).map(path);
}

QPainterPath reduced(const QPainterPath& path) {
    return QTransform::fromScale(1 / kFine, 1 / kFine).map(path);
}

QPainterPath stroked(const QPainterPath& path, double width, Qt::PenCapStyle cap = Qt::RoundCap) {
    QPainterPathStroker stroker;
    stroker.setWidth(width * kFine);
    stroker.setCapStyle(cap);
    stroker.setJoinStyle(Qt::RoundJoin);
    return reduced(stroker.createStroke(magnified(path)).simplified());
}

QPainterPath subtract(const QPainterPath& a, const QPainterPath& b) {
    return reduced(magnified(a).subtracted(magnified(b)));
}

QPainterPath intersect(const QPainterPath& a, const QPainterPath& b) {
    return reduced(magnified(a).intersected(magnified(b)));
}

QPainterPath line(QPointF from, QPointF to) {
    QPainterPath path(from);
    path.lineTo(to);
    return path;
}

} // namespace

QPainterPath unite(const QPainterPath& a, const QPainterPath& b) {
    return reduced(magnified(a).united(magnified(b)));
}

QPainterPath moonLit(double phase) {
    if (!std::isfinite(phase))
        return {};
    phase -= std::floor(phase);
    const double c = std::cos(2 * M_PI * phase);
    // Nothing lit (new moon) must stay empty: a degenerate outline would still leave a hairline.
    if (c > 1 - 1e-6)
        return {};
    const double side = phase < 0.5 ? 1.0 : -1.0; // waxing lit on the right, waning on the left
    constexpr int kSteps = 48;
    QPolygonF outline;
    // Limb: from the top pole round the lit side to the bottom pole.
    for (int i = 0; i <= kSteps; ++i) {
        const double t = -M_PI / 2 + M_PI * i / kSteps;
        outline << QPointF(kMoonCentre.x() + side * kMoonRadius * std::cos(t),
                           kMoonCentre.y() + kMoonRadius * std::sin(t));
    }
    // Terminator: back up to the top pole.
    for (int i = kSteps - 1; i > 0; --i) {
        const double t = -M_PI / 2 + M_PI * i / kSteps;
        outline << QPointF(kMoonCentre.x() + side * kMoonRadius * c * std::cos(t),
                           kMoonCentre.y() + kMoonRadius * std::sin(t));
    }
    QPainterPath path;
    path.addPolygon(outline);
    path.closeSubpath();
    return path;
}

QPainterPath moonOutline() {
    QPainterPath circle;
    circle.addEllipse(kMoonCentre, kMoonRadius - 0.5, kMoonRadius - 0.5);
    return stroked(circle, 1.0);
}

QPainterPath sunEventSun(SunEvent event, bool filled) {
    constexpr double radius = 3.5;
    const QPointF centre(8, kHorizon);
    QPainterPath disc;
    disc.addEllipse(centre, radius, radius);
    if (!filled)
        disc = stroked(disc, kLine);
    QPainterPath sun = disc;
    QList<double> angles = {20, 55, 125, 160};
    if (event == SunEvent::horizon)
        angles << 90;
    for (const double degrees : angles) {
        const double a = qDegreesToRadians(degrees);
        const QPointF dir(std::cos(a), -std::sin(a));
        sun = unite(sun, stroked(line(centre + dir * 5.0, centre + dir * 6.6), 1.1));
    }
    // Keep a gap above the horizon line so the two read as separate strokes.
    QPainterPath above;
    above.addRect(QRectF(0, 0, 16, kHorizon - kLine / 2 - 0.7));
    return intersect(sun, above);
}

QPainterPath sunEventHorizon(SunEvent event) {
    QPainterPath path = stroked(line({0.75, kHorizon}, {15.25, kHorizon}), kLine);
    if (event == SunEvent::horizon)
        return path;
    const double tip = event == SunEvent::rise ? 0.9 : 5.4;
    const double tail = event == SunEvent::rise ? 5.4 : 0.9;
    const double barb = event == SunEvent::rise ? 1.8 : -1.8;
    QPainterPath arrow = line({8, tail}, {8, tip});
    arrow.moveTo(6.2, tip + barb);
    arrow.lineTo(8, tip);
    arrow.lineTo(9.8, tip + barb);
    return unite(path, stroked(arrow, kLine));
}

QPainterPath cupAndSaucer(bool filled) {
    // A bowl: straight sides narrowing a little, rounding into the bottom.
    QPainterPath cup(QPointF(1.8, 3.5));
    cup.lineTo(11.7, 3.5);
    cup.lineTo(11.3, 8);
    cup.cubicTo(11.0, 10.6, 9.2, 12, 6.75, 12);
    cup.cubicTo(4.3, 12, 2.5, 10.6, 2.2, 8);
    cup.closeSubpath();

    QPainterPath handleRing;
    handleRing.addEllipse(QPointF(12.3, 6.4), 1.9, 1.9);
    const QPainterPath handle = subtract(stroked(handleRing, kLine), cup);
    QPainterPath result = unite(filled ? cup : stroked(cup, kLine), handle);
    return unite(result, stroked(line({1, 14.3}, {14.5, 14.3}), 1.3));
}

QPainterPath batteryBody() {
    QPainterPath outline;
    outline.addRoundedRect(QRectF(1.5, 3, 22, 10), 3, 3);
    QPainterPath body = stroked(outline, 1.3);
    QPainterPath terminal;
    terminal.addRoundedRect(QRectF(25, 6, 2, 4), 1, 1);
    return unite(body, terminal);
}

QPainterPath batteryLevel(double level) {
    if (!std::isfinite(level))
        return {};
    level = std::clamp(level, 0.0, 1.0);
    if (level <= 0)
        return {};
    QPainterPath fill;
    fill.addRoundedRect(QRectF(3.5, 5, 18 * level, 6), 1.5, 1.5);
    return fill;
}

QPainterPath batteryBolt() {
    QPolygonF bolt;
    bolt << QPointF(14.2, 1.6) << QPointF(8.6, 9.0) << QPointF(12.0, 9.0) << QPointF(10.8, 14.4)
         << QPointF(16.4, 7.0) << QPointF(13.0, 7.0);
    QPainterPath path;
    path.addPolygon(bolt);
    path.closeSubpath();
    return path;
}

QPainterPath batteryBoltGap() {
    return unite(batteryBolt(), stroked(batteryBolt(), 2.6));
}

QPainterPath trackpad() {
    QPainterPath pad;
    pad.addRoundedRect(QRectF(0.6, 1.6, 14.8, 10.4), 1.8, 1.8);
    return stroked(pad, kLine);
}

QPainterPath slash() {
    return stroked(line({1.5, 1.5}, {14.5, 14.5}), kLine);
}

QPainterPath slashGap() {
    return stroked(line({1.5, 1.5}, {14.5, 14.5}), kLine + 2.2);
}

} // namespace morvanex::ui::SymbolShapes
