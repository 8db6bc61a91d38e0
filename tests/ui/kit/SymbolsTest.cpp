#include "ui/kit/Symbols.h"

#include "ui/kit/SymbolShapes.h"

#include <QImage>
#include <QPainter>
#include <QSet>
#include <gtest/gtest.h>

namespace morvanex::ui {
namespace {

constexpr int kSide = 64;

QImage blank(int width = kSide, int height = kSide) {
    QImage image(width, height, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    return image;
}

QImage drawn(const QString& name, const Symbols::Paint& paint) {
    const QSizeF size = Symbols::size(name, kSide).value_or(QSizeF(kSide, kSide));
    QImage image = blank(qCeil(size.width()), qCeil(size.height()));
    QPainter painter(&image);
    Symbols::draw(painter, name, QRectF(QPointF(0, 0), size), paint);
    return image;
}

int opaquePixels(const QImage& image, int minAlpha = 1) {
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            count += qAlpha(image.pixel(x, y)) >= minAlpha ? 1 : 0;
    return count;
}

bool near(QRgb pixel, const QColor& colour, int tolerance) {
    return std::abs(qRed(pixel) - colour.red()) <= tolerance &&
           std::abs(qGreen(pixel) - colour.green()) <= tolerance &&
           std::abs(qBlue(pixel) - colour.blue()) <= tolerance;
}

// Pixels of (nearly) that colour, counted only where they are clearly covered.
int pixelsOf(const QImage& image, const QColor& colour, const QRect& area = {}) {
    const QRect box = area.isNull() ? image.rect() : area;
    int count = 0;
    for (int y = box.top(); y <= box.bottom(); ++y)
        for (int x = box.left(); x <= box.right(); ++x) {
            const QRgb pixel = image.pixel(x, y);
            count += qAlpha(pixel) > 160 && near(pixel, colour, 24) ? 1 : 0;
        }
    return count;
}

Symbols::Paint twoColours(const QColor& first, const QColor& second) {
    Symbols::Paint paint;
    paint.palette = {first, second};
    return paint;
}

TEST(Symbols, EveryCatalogNameExistsAndDraws) {
    const std::vector<QString> names = Symbols::names();
    ASSERT_GT(names.size(), 80u);
    for (const QString& name : names) {
        SCOPED_TRACE(name.toStdString());
        EXPECT_TRUE(Symbols::exists(name));
        const auto size = Symbols::size(name, 13);
        ASSERT_TRUE(size.has_value());
        EXPECT_DOUBLE_EQ(size->height(), 13);
        EXPECT_GE(size->width(), 13);
        EXPECT_GT(opaquePixels(drawn(name, Symbols::Paint::monochrome(Qt::black)), 128), 20);
    }
}

TEST(Symbols, NamesTheViewsUseAreInTheCatalog) {
    // The names the module, overview, pane, weather, device and moon tables hand out.
    const char* const used[] = {"square.grid.2x2",
                                "cpu",
                                "display",
                                "memorychip",
                                "internaldrive",
                                "network",
                                "network.slash",
                                "thermometer.medium",
                                "battery.75percent",
                                "cloud.sun",
                                "moon.stars",
                                "globe",
                                "text.bubble.fill",
                                "iphone",
                                "cup.and.saucer.fill",
                                "cloud.sun.fill",
                                "calendar",
                                "sun.max.fill",
                                "moon.stars.fill",
                                "cloud.moon.fill",
                                "cloud.fog.fill",
                                "cloud.drizzle.fill",
                                "cloud.sleet.fill",
                                "cloud.rain.fill",
                                "cloud.heavyrain.fill",
                                "cloud.snow.fill",
                                "cloud.sun.rain.fill",
                                "cloud.moon.rain.fill",
                                "cloud.bolt.rain.fill",
                                "cloud.fill",
                                "cloud",
                                "sunrise.fill",
                                "sunset.fill",
                                "sun.horizon",
                                "ipad",
                                "ipodtouch",
                                "keyboard",
                                "computermouse",
                                "rectangle.and.hand.point.up.left",
                                "airpods",
                                "dot.radiowaves.left.and.right",
                                "battery.0percent",
                                "battery.25percent",
                                "battery.50percent",
                                "battery.100percent",
                                "battery.100percent.bolt",
                                "gearshape.fill",
                                "menubar.rectangle",
                                "square.grid.2x2.fill",
                                "command",
                                "bell.badge.fill",
                                "sparkles",
                                "info.circle.fill",
                                "morvanex.lamp",
                                "moonphase.new.moon",
                                "moonphase.waxing.crescent",
                                "moonphase.first.quarter",
                                "moonphase.waxing.gibbous",
                                "moonphase.full.moon",
                                "moonphase.waning.gibbous",
                                "moonphase.last.quarter",
                                "moonphase.waning.crescent"};
    for (const char* name : used)
        EXPECT_TRUE(Symbols::exists(QString::fromLatin1(name))) << name;
}

TEST(Symbols, UnknownNamesAreAbsentAndDrawNothing) {
    for (const char* name : {"", "no.such.symbol", "CPU", "cpu ", "battery.100"}) {
        SCOPED_TRACE(name);
        const QString symbol = QString::fromLatin1(name);
        EXPECT_FALSE(Symbols::exists(symbol));
        EXPECT_FALSE(Symbols::size(symbol, 13).has_value());
        QImage image = blank();
        QPainter painter(&image);
        EXPECT_FALSE(Symbols::draw(painter, symbol, QRectF(0, 0, kSide, kSide),
                                   Symbols::Paint::monochrome(Qt::black)));
        painter.end();
        EXPECT_EQ(opaquePixels(image), 0);
    }
}

TEST(Symbols, SizeKeepsTheGridAspect) {
    EXPECT_EQ(Symbols::size("cpu", 20), QSizeF(20, 20));
    const QSizeF battery = *Symbols::size("battery.50percent", 16);
    EXPECT_DOUBLE_EQ(battery.height(), 16);
    EXPECT_DOUBLE_EQ(battery.width(), 28);
}

TEST(Symbols, MonochromeUsesOnlyTheGivenColour) {
    const QColor colour(200, 40, 90);
    for (const QString& name : Symbols::names()) {
        SCOPED_TRACE(name.toStdString());
        const QImage image = drawn(name, Symbols::Paint::monochrome(colour));
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) {
                const QRgb pixel = image.pixel(x, y);
                // Faint edge pixels lose precision when un-premultiplied.
                if (qAlpha(pixel) >= 64 && !near(pixel, colour, 6))
                    FAIL() << "pixel " << x << "," << y << " is " << std::hex << pixel;
            }
    }
}

TEST(Symbols, MoonPhasesLightTheRightPart) {
    const QColor lit(255, 220, 0);
    const QColor rim(0, 90, 255);
    struct Case {
        const char* name;
        double litShareMin; // of the disc's bounding square
        double litShareMax;
        double rightShare; // lit pixels in the right half, of all lit pixels
    };
    // A disc fills π/4 ≈ 0.785 of its square (less the margin round it).
    const Case cases[] = {
        {"moonphase.new.moon", 0, 0, -1},          {"moonphase.waxing.crescent", 0.05, 0.2, 1},
        {"moonphase.first.quarter", 0.3, 0.42, 1}, {"moonphase.waxing.gibbous", 0.5, 0.7, 0.6},
        {"moonphase.full.moon", 0.6, 0.8, 0.5},    {"moonphase.waning.gibbous", 0.5, 0.7, 0.4},
        {"moonphase.last.quarter", 0.3, 0.42, 0},  {"moonphase.waning.crescent", 0.05, 0.2, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QImage image = drawn(QString::fromLatin1(c.name), twoColours(lit, rim));
        const int all = pixelsOf(image, lit);
        const double share = double(all) / (kSide * kSide);
        EXPECT_GE(share, c.litShareMin);
        EXPECT_LE(share, c.litShareMax);
        if (c.rightShare < 0)
            continue;
        const int right = pixelsOf(image, lit, QRect(kSide / 2, 0, kSide / 2, kSide));
        EXPECT_NEAR(double(right) / all, c.rightShare, 0.12);
    }
    // The unlit part still shows its outline.
    EXPECT_GT(pixelsOf(drawn("moonphase.new.moon", twoColours(lit, rim)), rim), 50);
}

TEST(Symbols, MulticolourLayersTakeTheirOwnColours) {
    for (const char* name : {"cloud.sun.fill", "cloud.rain.fill", "cloud.bolt.rain.fill",
                             "moon.stars.fill", "sunrise.fill", "sunset.fill", "bell.badge.fill"}) {
        SCOPED_TRACE(name);
        for (const Appearance appearance : {Appearance::dark, Appearance::light}) {
            Symbols::Paint paint;
            paint.mode = Symbols::Paint::Mode::multicolor;
            paint.appearance = appearance;
            const QImage image = drawn(QString::fromLatin1(name), paint);
            QSet<QRgb> colours;
            for (int y = 0; y < image.height(); ++y)
                for (int x = 0; x < image.width(); ++x)
                    if (qAlpha(image.pixel(x, y)) >= 200)
                        colours.insert(image.pixel(x, y) & RGB_MASK);
            EXPECT_GE(colours.size(), 2);
        }
    }
}

TEST(Symbols, PaletteLayersTakeColoursInOrderAndRepeatTheLast) {
    const QColor first(250, 0, 0);
    const QColor second(0, 0, 250);
    // The cloud is the first layer, the sun the second.
    const QImage image = drawn("cloud.sun.fill", twoColours(first, second));
    EXPECT_GT(pixelsOf(image, first), 300);
    EXPECT_GT(pixelsOf(image, second), 60);
    // Rain is a third layer: with two colours it repeats the second.
    Symbols::Paint paint = twoColours(first, second);
    const QImage rain = drawn("cloud.sun.rain.fill", paint);
    EXPECT_GT(pixelsOf(rain, second, QRect(0, kSide * 3 / 4, kSide, kSide / 4)), 30);
}

TEST(Symbols, DrawsAtTheDevicePixelRatio) {
    QImage image(32, 32, QImage::Format_ARGB32);
    image.setDevicePixelRatio(2);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    EXPECT_TRUE(
        Symbols::draw(painter, "cpu", QRectF(0, 0, 16, 16), Symbols::Paint::monochrome(Qt::black)));
    painter.end();
    // Covers the whole 32-pixel image, not only its top-left quarter.
    EXPECT_GT(opaquePixels(image.copy(16, 16, 16, 16), 128), 20);
}

} // namespace
} // namespace morvanex::ui

namespace morvanex::ui {
namespace {

TEST(SymbolShapes, CupKeepsItsHandleFilledAndOutlined) {
    for (const bool filled : {true, false}) {
        const QPainterPath cup = SymbolShapes::cupAndSaucer(filled);
        EXPECT_TRUE(cup.contains(QPointF(14.2, 6.4))) << filled; // the handle's outer side
        EXPECT_EQ(cup.contains(QPointF(6.75, 7.5)), filled);     // the cup's inside
        EXPECT_TRUE(cup.contains(QPointF(8, 14.3)));             // the saucer
    }
}

TEST(SymbolShapes, MoonLitRegionFollowsThePhase) {
    EXPECT_TRUE(SymbolShapes::moonLit(0).isEmpty());
    EXPECT_TRUE(SymbolShapes::moonLit(1).isEmpty());
    EXPECT_TRUE(SymbolShapes::moonLit(qQNaN()).isEmpty());
    const QPainterPath full = SymbolShapes::moonLit(0.5);
    EXPECT_TRUE(full.contains(QPointF(2, 8)));
    EXPECT_TRUE(full.contains(QPointF(14, 8)));
    const QPainterPath first = SymbolShapes::moonLit(0.25);
    EXPECT_TRUE(first.contains(QPointF(12, 8)));
    EXPECT_FALSE(first.contains(QPointF(4, 8)));
    const QPainterPath last = SymbolShapes::moonLit(0.75);
    EXPECT_FALSE(last.contains(QPointF(12, 8)));
    EXPECT_TRUE(last.contains(QPointF(4, 8)));
}

} // namespace
} // namespace morvanex::ui
