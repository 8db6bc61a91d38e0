#include "ui/tray/PanelImage.h"

#include <cstdlib>
#include <gtest/gtest.h>

using namespace morvanex;
using namespace morvanex::ui;
using Preference = platform::DesktopColorScheme::Preference;

TEST(PanelImage, DarkPanelUnlessTheDesktopSaysLight) {
    EXPECT_EQ(PanelImage::appearance(Preference::none), Appearance::dark);
    EXPECT_EQ(PanelImage::appearance(Preference::dark), Appearance::dark);
    EXPECT_EQ(PanelImage::appearance(Preference::light), Appearance::light);
}

TEST(PanelImage, DrawsAtTheItemsWidthAndTintsTemplatesWithTheForeground) {
    const std::vector<MenuBarPart> parts{
        MenuBarSymbol{QStringLiteral("cpu"), false},
        MenuBarText{QStringLiteral("23%"), QStringLiteral("100%")}};
    for (const bool monochrome : {false, true}) {
        for (const Appearance appearance : {Appearance::light, Appearance::dark}) {
            SCOPED_TRACE(testing::Message()
                         << "monochrome " << monochrome << " appearance " << int(appearance));
            const MenuBarImage image = MenuBarRenderer::image(parts, monochrome);
            for (const double ratio : {1.0, 2.0}) {
                const QImage drawn = PanelImage::draw(image, appearance, ratio);
                EXPECT_EQ(drawn.width(), int(std::ceil(image.size().width() * ratio)));
                EXPECT_EQ(drawn.height(), int(22 * ratio));
                EXPECT_EQ(drawn.format(), QImage::Format_ARGB32);
            }
            const QImage drawn = PanelImage::draw(image, appearance, 2);
            const QImage plain =
                image.toImage(appearance, 2).convertToFormat(QImage::Format_ARGB32);
            const QColor foreground = color(Tint::primaryText, appearance);
            int inked = 0;
            for (int y = 0; y < drawn.height(); ++y) {
                for (int x = 0; x < drawn.width(); ++x) {
                    const QColor pixel = drawn.pixelColor(x, y);
                    // Coverage is kept either way; a template takes the foreground's colour
                    // and opacity.
                    const int coverage = plain.pixelColor(x, y).alpha();
                    ASSERT_NEAR(pixel.alpha(),
                                monochrome ? coverage * foreground.alphaF() : coverage, 2);
                    if (pixel.alpha() < 200 * (monochrome ? foreground.alphaF() : 1))
                        continue;
                    ++inked;
                    if (monochrome) {
                        EXPECT_NEAR(pixel.red(), foreground.red(), 2);
                        EXPECT_NEAR(pixel.green(), foreground.green(), 2);
                        EXPECT_NEAR(pixel.blue(), foreground.blue(), 2);
                    } else {
                        EXPECT_EQ(pixel, plain.pixelColor(x, y));
                    }
                }
            }
            EXPECT_GT(inked, 20);
        }
    }
}

TEST(PanelImage, SquareShowsNarrowItemsWholeAndTheFirstReadingOfWideOnes) {
    const MenuBarSymbol cup{QStringLiteral("cup.and.saucer.fill"), false};
    const MenuBarText cpu{QStringLiteral("23%"), QStringLiteral("100%")};
    const MenuBarGraph graph{{0.5, 1}, Tint::blue};
    struct Row {
        const char* name;
        std::vector<MenuBarPart> parts;
        std::vector<MenuBarPart> shown;
    };
    const Row rows[] = {
        {"a symbol alone", {cup}, {cup}},
        {"the glyph alone", {MenuBarAppGlyph{}}, {MenuBarAppGlyph{}}},
        {"cup before a reading: the reading", {cup, cpu}, {cpu}},
        {"graph before text: the graph", {graph, cpu}, {graph}},
        {"two symbols, too wide: the first",
         {cup, MenuBarSymbol{QStringLiteral("cpu"), false}, cup},
         {cup}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const MenuBarImage image = MenuBarRenderer::image(row.parts, false);
        EXPECT_EQ(PanelImage::squareParts(image), row.shown);
        const QImage square = PanelImage::square(image, Appearance::dark, 22);
        EXPECT_EQ(square.size(), QSize(22, 22));
        // On its own plate: the middle is opaque, the corners are left to the panel, and the
        // foreground stands out from the plate.
        EXPECT_EQ(square.pixelColor(11, 11).alpha(), 255);
        EXPECT_EQ(square.pixelColor(0, 0).alpha(), 0);
        const QColor plate = color(Tint::windowBackground, Appearance::dark);
        int inked = 0;
        for (int y = 0; y < 22; ++y)
            for (int x = 0; x < 22; ++x) {
                const QColor c = square.pixelColor(x, y);
                inked += c.alpha() == 255 && std::abs(c.lightness() - plate.lightness()) > 40;
            }
        EXPECT_GT(inked, 4);
    }
}
