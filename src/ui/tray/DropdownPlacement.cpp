#include "ui/tray/DropdownPlacement.h"

#include <QGuiApplication>
#include <QScreen>
#include <algorithm>
#include <cmath>

namespace morvanex::ui {

QRect dropdownFrame(QRect anchor, QRect visibleFrame, double contentHeight) {
    using M = DropdownMetrics;
    const int frameLeft = visibleFrame.x();
    const int frameRight = visibleFrame.x() + visibleFrame.width();
    const int frameTop = visibleFrame.y();
    const int frameBottom = visibleFrame.y() + visibleFrame.height();

    // Rounded up, so a fractional content height is never clipped by a pixel.
    const double wanted = std::isfinite(contentHeight) ? std::ceil(contentHeight) : 0.0;
    const int cap = visibleFrame.height() - M::heightReserve;
    const int height = std::max(1, int(std::min(double(cap), wanted)));

    const double anchorMidX = anchor.x() + anchor.width() / 2.0;
    int x = int(std::lround(anchorMidX - M::width / 2.0));
    x = std::max(x, frameLeft + M::edgeMargin);
    x = std::min(x, frameRight - M::width - M::edgeMargin);

    const double anchorMidY = anchor.y() + anchor.height() / 2.0;
    const bool bottomBar = anchorMidY > frameTop + visibleFrame.height() / 2.0;
    int y = 0;
    if (bottomBar) {
        const int bottom = std::min(anchor.y(), frameBottom) - M::gap;
        y = bottom - height;
    } else {
        y = std::max(anchor.y() + anchor.height(), frameTop) + M::gap;
    }
    return {x, y, M::width, height};
}

QRect visibleFrameFor(QRect anchor) {
    QScreen* screen = QGuiApplication::screenAt(anchor.center());
    if (screen == nullptr)
        screen = QGuiApplication::primaryScreen();
    return screen != nullptr ? screen->availableGeometry() : QRect();
}

} // namespace morvanex::ui
