#include "ui/kit/SignalBars.h"

#include "ui/kit/GraphPaint.h"

#include <QPainter>
#include <QPainterPath>

namespace morvanex::ui {

int SignalBars::litBars(int rssi) {
    if (rssi > 0 || rssi < -85)
        return 0;
    if (rssi >= -55)
        return 4;
    if (rssi >= -67)
        return 3;
    if (rssi >= -75)
        return 2;
    return 1;
}

Tint SignalBars::color(int rssi) {
    if (rssi >= -67 && rssi <= 0)
        return Tint::green;
    if (rssi >= -75 && rssi <= -68)
        return Tint::yellow;
    return Tint::red;
}

std::array<QRectF, 4> signalBarRects() {
    std::array<QRectF, 4> rects;
    for (int i = 0; i < 4; ++i) {
        const double height = 4 + 2.7 * i;
        rects[std::size_t(i)] = QRectF(i * (3 + 2), signalBarsHeight - height, 3, height);
    }
    return rects;
}

void drawSignalBars(QPainter& painter, const QPointF& origin, const SignalBars& bars,
                    Appearance appearance) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    const int lit = SignalBars::litBars(bars.rssi);
    const QColor on = color(SignalBars::color(bars.rssi), appearance);
    const QColor off = faded(Tint::primaryText, appearance, 0.15);
    const std::array<QRectF, 4> rects = signalBarRects();
    for (int i = 0; i < 4; ++i) {
        QPainterPath bar;
        bar.addRoundedRect(rects[std::size_t(i)].translated(origin), 1, 1);
        painter.fillPath(bar, i < lit ? on : off);
    }
    painter.restore();
}

SignalBarsView::SignalBarsView(SignalBars bars, Appearance appearance, QWidget* parent)
    : QWidget(parent), bars_(bars), appearance_(appearance) {
    setFixedSize(sizeHint());
}

void SignalBarsView::setBars(SignalBars bars) {
    bars_ = bars;
    update();
}

QSize SignalBarsView::sizeHint() const {
    // One more point above the frame for the tallest bar's tenth of a point.
    return {viewExtent(signalBarsWidth), viewExtent(signalBarsHeight) + 1};
}

void SignalBarsView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    drawSignalBars(painter, QPointF(0, 1), bars_, appearance_);
}

} // namespace morvanex::ui
