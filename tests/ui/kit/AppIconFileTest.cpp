#include "ui/kit/IconTile.h"

#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <cmath>
#include <cstdlib>
#include <gtest/gtest.h>

using namespace morvanex::ui;

namespace {

const QString iconFile = QStringLiteral(MORVANEX_FIXTURES "/../../data/morvanex.svg");

double channelDistance(QRgb a, QRgb b) {
    return (std::abs(qRed(a) - qRed(b)) + std::abs(qGreen(a) - qGreen(b)) +
            std::abs(qBlue(a) - qBlue(b)) + std::abs(qAlpha(a) - qAlpha(b))) /
           4.0;
}

} // namespace

// The icon the desktop shows for the installed application is the About pane's tile: the same
// glyph on the same indigo, with a small margin around the tile.
TEST(AppIconFile, DrawsTheAboutPanesTile) {
    QSvgRenderer renderer(iconFile);
    ASSERT_TRUE(renderer.isValid()) << iconFile.toStdString();
    EXPECT_EQ(renderer.defaultSize(), QSize(256, 256));
    QImage file(256, 256, QImage::Format_ARGB32_Premultiplied);
    file.fill(Qt::transparent);
    {
        QPainter painter(&file);
        renderer.render(&painter);
    }

    // The pane's tile of 96 points drawn at 2.5 pixels a point: 240 pixels, the file's tile.
    IconTile tile(IconTile::appGlyphName, Tint::indigo, 96, 22, 56, Appearance::light);
    QImage drawn(240, 240, QImage::Format_ARGB32_Premultiplied);
    drawn.setDevicePixelRatio(2.5);
    drawn.fill(Qt::transparent);
    tile.render(&drawn, QPoint(), QRegion(), QWidget::DrawChildren); // no window background

    const QImage inner = file.copy(8, 8, 240, 240);
    double total = 0;
    int far = 0;
    for (int y = 0; y < 240; ++y) {
        for (int x = 0; x < 240; ++x) {
            const double d = channelDistance(inner.pixel(x, y), drawn.pixel(x, y));
            total += d;
            far += d > 48 ? 1 : 0;
        }
    }
    // Antialiased edges differ a little between the two painters; shapes and colours may not.
    EXPECT_LT(total / (240 * 240), 2.0);
    EXPECT_LT(far, 240 * 240 / 200);
    // The margin is empty, the centre of the disc white, the pulse shows the tile's indigo.
    EXPECT_EQ(qAlpha(file.pixel(2, 128)), 0);
    EXPECT_EQ(file.pixel(128, 100), qRgb(255, 255, 255));
    const QRgb pulse = file.pixel(98, 131);
    EXPECT_GT(qBlue(pulse), 200);
    EXPECT_LT(qRed(pulse), 120);
}
