#include "ui/menubar/MenuBarRenderer.h"

#include "ui/kit/Palette.h"
#include "ui/menubar/MenuBarGeometry.h"

#include <QFontMetricsF>
#include <QImage>
#include <cmath>
#include <gtest/gtest.h>

using namespace morvanex::ui;

namespace {

double advance(const QFont& font, const QString& text) {
    return std::ceil(QFontMetricsF(font).horizontalAdvance(text));
}

const QString unknownSymbol = QStringLiteral("no.such.symbol");

TEST(MenuBarRenderer, EmptyListIsOnePointWide) {
    const MenuBarImage image = MenuBarRenderer::image({}, false);
    EXPECT_EQ(image.size(), QSizeF(1, 22));
    EXPECT_FALSE(image.isTemplate());
}

TEST(MenuBarRenderer, PartWidths) {
    const QFont& font = MenuBarRenderer::font();
    const QFont& small = MenuBarRenderer::stackedFont();
    struct Case {
        const char* what;
        MenuBarPart part;
        double width;
    };
    const Case cases[] = {
        {"text narrower than its template", MenuBarText{"5%", QStringLiteral("100%")},
         advance(font, "100%")},
        {"text wider than its template", MenuBarText{"10000%", QStringLiteral("100%")},
         advance(font, "10000%")},
        {"text without template", MenuBarText{"42%", std::nullopt}, advance(font, "42%")},
        {"stacked, template widest",
         MenuBarStacked{"↑ 0 B/s", "↓ 5.2 KB/s", QStringLiteral("↓ 1023 MB/s")},
         advance(small, "↓ 1023 MB/s")},
        {"stacked, lower line widest", MenuBarStacked{"48°", "1234 rpm", std::nullopt},
         advance(small, "1234 rpm")},
        {"graph", MenuBarGraph{{0.5}, Tint::blue}, 26},
        {"mirrored", MenuBarMirrored{{0.1}, {0.2}}, 26},
        {"bar", MenuBarBar{0.4, Tint::green}, 4},
        {"battery", MenuBarBattery{0.5, true}, 25},
        {"glyph", MenuBarAppGlyph{}, 15},
        {"unknown symbol", MenuBarSymbol{unknownSymbol, false}, 16},
    };
    for (const Case& c : cases)
        EXPECT_DOUBLE_EQ(MenuBarRenderer::width(c.part), c.width) << c.what;
    // The templates hold the widest readings of the pinned font, so items keep their width
    // whatever they read, though the readings themselves differ in width.
    for (const char* reading : {"0%", "5%", "42%", "99%", "100%"}) {
        EXPECT_DOUBLE_EQ(MenuBarRenderer::width(MenuBarText{reading, QStringLiteral("100%")}),
                         advance(font, "100%"))
            << reading;
    }
    EXPECT_LT(advance(font, "5%"), advance(font, "100%"));
}

// Widths are kept per font between ticks: a text measured again, one measured in the other font,
// and one measured after the table started afresh all still measure as the font does.
TEST(MenuBarRenderer, RemeasuredTextsKeepTheirFontsWidths) {
    const QFont& font = MenuBarRenderer::font();
    const QFont& small = MenuBarRenderer::stackedFont();
    const QString wide = QStringLiteral("↓ 1023 MB/s");
    ASSERT_NE(advance(font, wide), advance(small, wide));
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        EXPECT_DOUBLE_EQ(MenuBarRenderer::width(MenuBarText{wide, std::nullopt}),
                         advance(font, wide));
        EXPECT_DOUBLE_EQ(MenuBarRenderer::width(MenuBarStacked{wide, wide, std::nullopt}),
                         advance(small, wide));
    }
    // Many more different texts than the table holds, then the first ones again.
    for (int i = 0; i < 3000; ++i) {
        const QString reading = QString::number(i) + QLatin1Char('%');
        ASSERT_DOUBLE_EQ(MenuBarRenderer::width(MenuBarText{reading, std::nullopt}),
                         advance(font, reading))
            << i;
    }
    EXPECT_DOUBLE_EQ(MenuBarRenderer::width(MenuBarText{wide, std::nullopt}), advance(font, wide));
    EXPECT_DOUBLE_EQ(MenuBarRenderer::width(MenuBarStacked{wide, wide, std::nullopt}),
                     advance(small, wide));
}

// One canvas drawn on again and again, as a status item does on every tick, shows each image
// exactly as a fresh one would: nothing of the image before stays, whatever the size, ratio,
// tint or appearance.
TEST(MenuBarRenderer, AKeptCanvasDrawsAsAFreshImage) {
    const MenuBarImage wide = MenuBarRenderer::image(
        {MenuBarText{"57%", QStringLiteral("100%")}, MenuBarGraph{{0.2, 0.9, 0.4}, Tint::blue}},
        false);
    const MenuBarImage later = MenuBarRenderer::image(
        {MenuBarText{"9%", QStringLiteral("100%")}, MenuBarGraph{{0.9, 0.1}, Tint::blue}}, false);
    ASSERT_EQ(later.size(), wide.size());
    const MenuBarImage narrow = MenuBarRenderer::image({MenuBarText{"3%", std::nullopt}}, false);
    const MenuBarImage tinted =
        MenuBarRenderer::image({MenuBarText{"57%", QStringLiteral("100%")}}, true);
    struct Step {
        const char* what;
        const MenuBarImage* image;
        Appearance appearance;
        double ratio;
    };
    const Step steps[] = {
        {"wide", &wide, Appearance::dark, 2},
        {"narrower over it", &narrow, Appearance::dark, 2},
        {"template of another width", &tinted, Appearance::light, 2},
        {"coloured again, same size", &tinted, Appearance::dark, 2},
        {"wide at ratio one", &wide, Appearance::light, 1},
        {"later readings of the same size", &later, Appearance::light, 1},
        {"wide again", &wide, Appearance::light, 1},
    };
    QImage canvas;
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        step.image->drawTinted(canvas, step.appearance, step.ratio);
        const QImage fresh = step.image->toTintedImage(step.appearance, step.ratio);
        EXPECT_EQ(canvas.devicePixelRatio(), fresh.devicePixelRatio());
        EXPECT_EQ(canvas, fresh);
    }
}

TEST(MenuBarRenderer, ImageWidthIsSumOfSlotsPlusGaps) {
    const std::vector<MenuBarPart> parts = {MenuBarGraph{{}, Tint::blue}, MenuBarBar{0, Tint::red},
                                            MenuBarBattery{1, false}, MenuBarAppGlyph{},
                                            MenuBarSymbol{unknownSymbol, true}};
    const MenuBarImage image = MenuBarRenderer::image(parts, false);
    EXPECT_EQ(image.size().width(), 26 + 4 + 25 + 15 + 16 + 16);
    EXPECT_EQ(image.size().height(), 22);
    EXPECT_EQ(image.widths(), (std::vector<double>{26, 4, 25, 15, 16}));
    // A fractional text width rounds the whole image up.
    const MenuBarImage text = MenuBarRenderer::image({MenuBarText{"42%", std::nullopt}}, false);
    EXPECT_EQ(text.size().width(), std::ceil(text.size().width()));
}

TEST(MenuBarGeometry, BarsKeepTheNewestTwentyRightAligned) {
    const QRectF box(0, 4, 26, 14);
    const double slot = 26.0 / 20;

    const std::vector<double> thirty(30, 0.5);
    const auto full = MenuBarGeometry::barRects(thirty, box, true);
    ASSERT_EQ(full.size(), 20u);
    EXPECT_DOUBLE_EQ(full.front().left(), 0);
    EXPECT_DOUBLE_EQ(full.back().left(), slot * 19);
    EXPECT_DOUBLE_EQ(full.front().width(), slot - 0.3);

    const auto five = MenuBarGeometry::barRects({0.1, 0.2, 0.3, 0.4, 0.5}, box, true);
    ASSERT_EQ(five.size(), 5u);
    EXPECT_DOUBLE_EQ(five.front().left(), slot * 15);
    EXPECT_DOUBLE_EQ(five.back().left(), slot * 19);

    // The newest of thirty decides the last bar: only the later twenty are drawn.
    std::vector<double> rising(30);
    for (int i = 0; i < 30; ++i)
        rising[std::size_t(i)] = i / 30.0;
    const auto later = MenuBarGeometry::barRects(rising, box, true);
    EXPECT_DOUBLE_EQ(later.front().height(), 14 * 10 / 30.0);
}

TEST(MenuBarGeometry, BarHeightsClampAndSkipTinyBars) {
    const QRectF box(0, 4, 26, 14);
    struct Case {
        double value;
        std::optional<double> height; // nothing: no bar
    };
    const Case cases[] = {
        {0.01, std::nullopt},         {0.02, 14 * 0.02}, {1.7, 14.0}, {-0.5, std::nullopt},
        {std::nan(""), std::nullopt}, {0.5, 7.0},
    };
    for (const Case& c : cases) {
        const auto bars = MenuBarGeometry::barRects({c.value}, box, true);
        if (!c.height) {
            EXPECT_TRUE(bars.empty()) << c.value;
            continue;
        }
        ASSERT_EQ(bars.size(), 1u) << c.value;
        EXPECT_NEAR(bars[0].height(), *c.height, 1e-9) << c.value;
        EXPECT_NEAR(bars[0].bottom(), box.bottom(), 1e-9) << "rises from the bottom";
        const auto hanging = MenuBarGeometry::barRects({c.value}, box, false);
        EXPECT_NEAR(hanging[0].top(), box.top(), 1e-9) << "hangs from the top";
    }
}

TEST(MenuBarGeometry, SymbolsShrinkToSixteenNeverGrow) {
    struct Case {
        std::optional<QSizeF> natural;
        QSizeF fitted;
    };
    const Case cases[] = {
        {QSizeF(20, 14), QSizeF(16, 11.2)}, {QSizeF(14, 20), QSizeF(std::ceil(14 * 0.8), 16)},
        {QSizeF(10, 10), QSizeF(10, 10)},   {QSizeF(15.2, 8.5), QSizeF(16, 8.5)},
        {std::nullopt, QSizeF(16, 16)},
    };
    for (const Case& c : cases) {
        const QSizeF fitted = MenuBarGeometry::fittedSymbolSize(c.natural);
        EXPECT_DOUBLE_EQ(fitted.width(), c.fitted.width());
        EXPECT_NEAR(fitted.height(), c.fitted.height(), 1e-9);
    }
}

TEST(MenuBarGeometry, BatteryFillKeepsAPointAtEmpty) {
    const QRectF body(0.5, 5.5, 21, 11);
    EXPECT_DOUBLE_EQ(MenuBarGeometry::batteryFill(body, 0).width(), 1);
    EXPECT_DOUBLE_EQ(MenuBarGeometry::batteryFill(body, std::nan("")).width(), 1);
    EXPECT_DOUBLE_EQ(MenuBarGeometry::batteryFill(body, 0.5).width(), 8.5);
    EXPECT_DOUBLE_EQ(MenuBarGeometry::batteryFill(body, 3).width(), 17);
    EXPECT_EQ(MenuBarGeometry::batteryFill(body, 1).height(), 7);
}

// Pixels in device pixels (ratio 2) of a point rectangle.
std::vector<QRgb> pixelsIn(const QImage& image, const QRectF& points) {
    std::vector<QRgb> out;
    const QRect area = QRectF(points.topLeft() * 2, points.size() * 2).toAlignedRect();
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (image.rect().contains(x, y))
                out.push_back(image.pixel(x, y));
    return out;
}

bool anyNear(const std::vector<QRgb>& pixels, const QColor& colour) {
    for (QRgb p : pixels) {
        const QColor c = QColor::fromRgba(p);
        if (c.alpha() > 200 && std::abs(c.red() - colour.red()) < 12 &&
            std::abs(c.green() - colour.green()) < 12 && std::abs(c.blue() - colour.blue()) < 12)
            return true;
    }
    return false;
}

TEST(MenuBarRenderer, MonochromeIsBlackOnlyAndATemplate) {
    const std::vector<MenuBarPart> parts = {
        MenuBarGraph{{0.2, 0.9, 0.5}, Tint::blue},
        MenuBarMirrored{{0.5, 1}, {1, 0.4}},
        MenuBarBar{0.7, Tint::red},
        MenuBarStacked{"↑ 1 KB/s", "↓ 2 KB/s", std::nullopt},
        MenuBarBattery{0.05, true},
        MenuBarText{"42%", QStringLiteral("100%")},
        MenuBarAppGlyph{},
    };
    const MenuBarImage image = MenuBarRenderer::image(parts, true);
    EXPECT_TRUE(image.isTemplate());
    for (const Appearance appearance : {Appearance::light, Appearance::dark}) {
        const QImage pixels = image.toImage(appearance).convertToFormat(QImage::Format_ARGB32);
        int drawn = 0;
        for (int y = 0; y < pixels.height(); ++y) {
            for (int x = 0; x < pixels.width(); ++x) {
                const QRgb p = pixels.pixel(x, y);
                if (qAlpha(p) == 0)
                    continue;
                ++drawn;
                ASSERT_EQ(qRed(p) | qGreen(p) | qBlue(p), 0) << x << "," << y;
            }
        }
        EXPECT_GT(drawn, 200);
    }
}

TEST(MenuBarRenderer, BatteryFillIsRedOnlyBelowFifteenPercent) {
    // The fill's left end (body inset 2) is inside the fill at every level.
    const QRectF fillStart(3, 8, 1, 5);
    const QColor red = color(Tint::red, Appearance::light);
    const QColor green = color(Tint::green, Appearance::light);
    const auto at = [&](double level, bool charging) {
        return pixelsIn(MenuBarRenderer::image({MenuBarBattery{level, charging}}, false)
                            .toImage(Appearance::light)
                            .convertToFormat(QImage::Format_ARGB32),
                        fillStart);
    };
    EXPECT_TRUE(anyNear(at(0.14, false), red));
    EXPECT_TRUE(anyNear(at(0.0, true), red)) << "low wins over charging";
    EXPECT_FALSE(anyNear(at(0.15, false), red));
    EXPECT_TRUE(anyNear(at(0.5, true), green));
    const auto monochrome = pixelsIn(MenuBarRenderer::image({MenuBarBattery{0.05, false}}, true)
                                         .toImage(Appearance::light)
                                         .convertToFormat(QImage::Format_ARGB32),
                                     fillStart);
    EXPECT_FALSE(anyNear(monochrome, red));
}

TEST(MenuBarRenderer, StackedArrowsTakeTheirDirectionsColour) {
    const QFontMetricsF metrics(MenuBarRenderer::stackedFont());
    const double arrow = metrics.horizontalAdvance(QStringLiteral("↑"));
    for (const Appearance appearance : {Appearance::light, Appearance::dark}) {
        const QImage image =
            MenuBarRenderer::image({MenuBarStacked{"↑ 12 KB/s", "↓ 3 MB/s", std::nullopt}}, false)
                .toImage(appearance)
                .convertToFormat(QImage::Format_ARGB32);
        const auto upper = pixelsIn(image, QRectF(0, 0, arrow, 11));
        const auto lower = pixelsIn(image, QRectF(0, 11, arrow, 11));
        EXPECT_TRUE(anyNear(upper, color(Tint::orange, appearance)));
        EXPECT_FALSE(anyNear(upper, color(Tint::blue, appearance)));
        EXPECT_TRUE(anyNear(lower, color(Tint::blue, appearance)));
        // Past the arrow the line is in the text colour, neither orange nor blue.
        const auto rest = pixelsIn(image, QRectF(arrow + 2, 0, 30, 22));
        EXPECT_FALSE(anyNear(rest, color(Tint::orange, appearance)));
        EXPECT_FALSE(anyNear(rest, color(Tint::blue, appearance)));
    }
    // A line that starts with a digit is not tinted.
    const QImage plain =
        MenuBarRenderer::image({MenuBarStacked{"48°", "1234 rpm", std::nullopt}}, false)
            .toImage(Appearance::light)
            .convertToFormat(QImage::Format_ARGB32);
    const auto all = pixelsIn(plain, QRectF(0, 0, 40, 22));
    EXPECT_FALSE(anyNear(all, color(Tint::orange, Appearance::light)));
    EXPECT_FALSE(anyNear(all, color(Tint::blue, Appearance::light)));
}

} // namespace
