#include "ui/kit/AppGlyph.h"

#include <QImage>
#include <QPaintEvent>
#include <QPainter>
#include <algorithm>
#include <cmath>

namespace morvanex::ui::AppGlyph {

namespace {

// The pulse drawn on a 1024-unit design grid centred at 512, 244 grid units to one glyph unit;
// y points down, so the line sits just below the centre, rises, drops and ends flat.
struct GridPoint {
    double x;
    double y;
};

constexpr GridPoint kPulseGrid[] = {{318, 526}, {410, 526}, {456, 418}, {528, 640},
                                    {584, 474}, {622, 526}, {706, 526}};

QPointF pulseUnit(const GridPoint& g) {
    return {(g.x - 512) / 244, (g.y - 512) / 244};
}

// How many device pixels one logical unit covers under the painter's transform, so the
// offscreen layer is as sharp as drawing straight onto the device.
double deviceScale(const QPainter& painter) {
    const QTransform t = painter.deviceTransform();
    const double scale = std::max(std::hypot(t.m11(), t.m12()), std::hypot(t.m21(), t.m22()));
    return std::clamp(scale, 0.25, 16.0);
}

void paintGlyph(QPainter& painter, const Geometry& g, const QColor& color) {
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(color, g.ringWidth));
    painter.drawPath(g.ring);
    painter.setPen(Qt::NoPen);
    painter.setBrush(color);
    painter.drawPath(g.disc);
    // Only the pulse's coverage matters: it erases what lies under it.
    painter.setCompositionMode(QPainter::CompositionMode_DestinationOut);
    QPen pulsePen(Qt::black, g.pulseWidth, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    pulsePen.setMiterLimit(10);
    painter.setPen(pulsePen);
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(g.pulse);
}

} // namespace

Geometry geometry(double side) {
    const double s = side;
    const double c = s * 0.5;
    Geometry g;
    g.ringWidth = std::max(s * 0.085, 1.0);
    const double ringRadius = c - g.ringWidth * 0.5;
    g.ring.addEllipse(QPointF(c, c), ringRadius, ringRadius);
    const double d = s * 0.36;
    g.disc.addEllipse(QPointF(c, c), d, d);
    bool first = true;
    for (const GridPoint& grid : kPulseGrid) {
        const QPointF u = pulseUnit(grid);
        const QPointF p(c + u.x() * d * 0.92, c + u.y() * d * 0.92);
        if (first)
            g.pulse.moveTo(p);
        else
            g.pulse.lineTo(p);
        first = false;
    }
    g.pulseWidth = std::max(s * 0.11, 1.0);
    return g;
}

void draw(QPainter* painter, const QRectF& rect, const QColor& color) {
    if (painter == nullptr || !painter->isActive())
        return;
    const double s = std::min(rect.width(), rect.height());
    if (!(s > 0))
        return;
    const QRectF square(rect.center().x() - s / 2, rect.center().y() - s / 2, s, s);

    // The pulse must erase only the glyph, never what the caller drew before: draw into a
    // layer of its own and put the layer down in one piece.
    const double scale = deviceScale(*painter);
    const int pixels = std::max(1, static_cast<int>(std::ceil(s * scale)));
    QImage layer(pixels, pixels, QImage::Format_ARGB32_Premultiplied);
    layer.fill(Qt::transparent);
    {
        QPainter lp(&layer);
        lp.scale(pixels / s, pixels / s);
        paintGlyph(lp, geometry(s), color);
    }
    painter->save();
    painter->setRenderHint(QPainter::SmoothPixmapTransform);
    painter->drawImage(square, layer);
    painter->restore();
}

} // namespace morvanex::ui::AppGlyph

namespace morvanex::ui {

AppGlyphView::AppGlyphView(const QColor& color, QWidget* parent) : QWidget(parent), color_(color) {
    // A mark, not a control: nothing for assistive tools to announce or focus.
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void AppGlyphView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    AppGlyph::draw(&painter, QRectF(rect()), color_);
}

} // namespace morvanex::ui
