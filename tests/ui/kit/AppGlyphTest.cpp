#include "ui/kit/AppGlyph.h"

#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>

namespace morvanex::ui {
namespace {

TEST(AppGlyph, GeometryAtMenuBarAndLargeSides) {
    const AppGlyph::Geometry small = AppGlyph::geometry(15);
    EXPECT_NEAR(small.ringWidth, 1.275, 1e-9);
    EXPECT_NEAR(small.pulseWidth, 1.65, 1e-9);
    // The ring's stroke touches the square: radius 6.8625 about the centre.
    EXPECT_NEAR(small.ring.boundingRect().width(), 2 * 6.8625, 1e-6);
    EXPECT_NEAR(small.disc.boundingRect().width(), 2 * 5.4, 1e-6);
    ASSERT_EQ(small.pulse.elementCount(), 7);
    EXPECT_NEAR(small.pulse.elementAt(0).x, 3.55, 5e-4);
    EXPECT_NEAR(small.pulse.elementAt(0).y, 7.785, 5e-4);
    EXPECT_NEAR(small.pulse.elementAt(6).x, 11.45, 5e-4);
    EXPECT_NEAR(small.pulse.elementAt(6).y, 7.785, 5e-4);
    // y points down: the third point (the first peak) lies above the centre, the fourth below.
    EXPECT_LT(small.pulse.elementAt(2).y, 7.5);
    EXPECT_GT(small.pulse.elementAt(3).y, 7.5);

    const AppGlyph::Geometry large = AppGlyph::geometry(100);
    EXPECT_NEAR(large.ringWidth, 8.5, 1e-9);
    EXPECT_NEAR(large.pulseWidth, 11, 1e-9);
    EXPECT_NEAR(large.pulse.elementAt(0).x / 100, small.pulse.elementAt(0).x / 15, 1e-9);
}

TEST(AppGlyph, LineWidthsHaveAFloorOfOnePoint) {
    struct Case {
        double side;
        double ring;
        double pulse;
    };
    for (const Case& c : {Case{11, 1, 1.21}, Case{12, 1.02, 1.32}, Case{9, 1, 1}, Case{4, 1, 1}}) {
        const AppGlyph::Geometry g = AppGlyph::geometry(c.side);
        EXPECT_NEAR(g.ringWidth, c.ring, 1e-9) << c.side;
        EXPECT_NEAR(g.pulseWidth, c.pulse, 1e-9) << c.side;
    }
}

TEST(AppGlyph, PulseShowsWhatLiesBehind) {
    QImage image(100, 100, QImage::Format_ARGB32);
    image.fill(QColor(0, 200, 0));
    QPainter painter(&image);
    AppGlyph::draw(&painter, QRectF(0, 0, 100, 100), QColor(0, 0, 255));
    painter.end();
    const AppGlyph::Geometry g = AppGlyph::geometry(100);
    // The middle of the pulse's first flat run lies inside the disc: the background shows.
    const QPointF a = QPointF(g.pulse.elementAt(0).x, g.pulse.elementAt(0).y);
    const QPointF b = QPointF(g.pulse.elementAt(1).x, g.pulse.elementAt(1).y);
    const QPoint onPulse = ((a + b) / 2).toPoint();
    EXPECT_EQ(image.pixelColor(onPulse), QColor(0, 200, 0));
    // Just off the pulse, inside the disc, the glyph's colour.
    EXPECT_EQ(image.pixelColor(onPulse + QPoint(0, 12)), QColor(0, 0, 255));
    // The ring at the top edge, and the gap between ring and disc shows the background.
    EXPECT_EQ(image.pixelColor(50, 3), QColor(0, 0, 255));
    EXPECT_EQ(image.pixelColor(50, 11), QColor(0, 200, 0));
}

TEST(AppGlyph, NonSquareRectangleDrawsACentredSquare) {
    QImage image(200, 100, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    AppGlyph::draw(&painter, QRectF(0, 0, 200, 100), Qt::black);
    painter.end();
    EXPECT_EQ(qAlpha(image.pixel(40, 50)), 0);
    EXPECT_EQ(qAlpha(image.pixel(160, 50)), 0);
    EXPECT_EQ(qAlpha(image.pixel(52, 50)), 255); // the ring's left edge
    EXPECT_EQ(qAlpha(image.pixel(148, 50)), 255);
}

TEST(AppGlyph, NullOrInactivePainterDrawsNothing) {
    AppGlyph::draw(nullptr, QRectF(0, 0, 15, 15), Qt::black);
    QPainter inactive;
    AppGlyph::draw(&inactive, QRectF(0, 0, 15, 15), Qt::black);
    EXPECT_FALSE(inactive.isActive());
}

TEST(AppGlyph, ViewDrawsInItsColour) {
    AppGlyphView view(QColor(255, 255, 255));
    view.resize(40, 30);
    QImage image(40, 30, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    view.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    EXPECT_EQ(image.pixelColor(20, 1), QColor(255, 255, 255)); // ring, top centre
    EXPECT_EQ(qAlpha(image.pixel(2, 15)), 0);                  // outside the centred square
}

} // namespace
} // namespace morvanex::ui
