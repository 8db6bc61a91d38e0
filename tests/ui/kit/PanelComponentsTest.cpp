#include "ui/kit/BackRow.h"
#include "ui/kit/Card.h"
#include "ui/kit/Dot.h"
#include "ui/kit/HeroValue.h"
#include "ui/kit/IconTile.h"
#include "ui/kit/Legend.h"
#include "ui/kit/PanelFooter.h"
#include "ui/kit/PanelHeader.h"
#include "ui/kit/StatRow.h"
#include "ui/kit/TextLine.h"

#include <QBoxLayout>
#include <QEnterEvent>
#include <QTest>
#include <gtest/gtest.h>
#include <limits>

using namespace morvanex;
using namespace morvanex::ui;

TEST(HeroValue, Temperature) {
    using Content = HeroValue::Content;
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    struct Case {
        std::optional<double> celsius;
        TempUnit unit;
        Content expected;
    };
    const Case cases[] = {
        {std::nullopt, TempUnit::celsius, {"—", std::nullopt}},
        {std::nullopt, TempUnit::kelvin, {"—", std::nullopt}},
        {21.5, TempUnit::celsius, {"22", "°C"}},
        {-0.5, TempUnit::celsius, {"-1", "°C"}},
        {0.0, TempUnit::fahrenheit, {"32", "°F"}},
        {0.0, TempUnit::kelvin, {"273", " K"}},
        {-40.0, TempUnit::fahrenheit, {"-40", "°F"}},
        // Readings no number can show, and one too large for an integer.
        {nan, TempUnit::celsius, {"—", std::nullopt}},
        {inf, TempUnit::fahrenheit, {"—", std::nullopt}},
        {1e300, TempUnit::kelvin, {"—", std::nullopt}},
    };
    for (const Case& c : cases) {
        const Content got = HeroValue::temperature(c.celsius, c.unit);
        EXPECT_EQ(got.value, c.expected.value);
        EXPECT_EQ(got.unit, c.expected.unit);
    }
}

TEST(IconTile, ReservedNameDrawsTheGlyphNotASymbol) {
    EXPECT_TRUE(IconTile::showsAppGlyph("morvanex.lamp"));
    EXPECT_FALSE(IconTile::showsAppGlyph("cpu"));
    EXPECT_EQ(IconTile::glyphRect(26, 14), QRectF(4.5, 4.5, 17, 17));
    EXPECT_FALSE(IconTile::symbolRect("morvanex.lamp", 26, 14));
    EXPECT_FALSE(IconTile::symbolRect("no.such.symbol.anywhere", 26, 14));
}

TEST(PanelComponents, OptionalPartsLeaveNoGap) {
    StatRow plain("Used", std::nullopt, new StatValue("4 GB", Appearance::light),
                  Appearance::light);
    EXPECT_EQ(plain.dot(), nullptr);
    plain.resize(300, 19);
    plain.show();
    EXPECT_EQ(plain.labelLine()->geometry().left(), 0); // starts with its label
    EXPECT_GE(plain.height(), 19);

    StatRow dotted("Used", Tint::blue, nullptr, Appearance::light);
    ASSERT_NE(dotted.dot(), nullptr);
    EXPECT_EQ(dotted.dot()->size(), QSize(7, 7));

    CardHeader header("Usage", std::nullopt, nullptr, Appearance::dark);
    EXPECT_EQ(header.trailingLine(), nullptr);

    auto* trailing = new QWidget;
    trailing->setFixedSize(40, 20);
    PanelHeader panel("cpu", Tint::blue, "CPU", std::nullopt, trailing, Appearance::dark);
    EXPECT_EQ(panel.subtitleLine(), nullptr);
    panel.resize(340, panel.sizeHint().height());
    panel.show();
    EXPECT_EQ(trailing->geometry().right(), 340 - 4 - 1); // held at the trailing edge
}

TEST(PanelComponents, LongTextsShortenOnOneLine) {
    const QString address = "fe80::1c2b:3a4d:5e6f:7081%en0-with-a-long-tail";
    auto* value = new StatValue(address, Appearance::light);
    StatRow row("A rather long label that will not fit", std::nullopt, value, Appearance::light);
    row.resize(200, 19);
    row.show();
    EXPECT_TRUE(value->isElided());
    // Shortened in the middle: the beginning and the end stay.
    EXPECT_TRUE(value->text().startsWith("fe80"));
    EXPECT_TRUE(value->text().endsWith("tail"));
    EXPECT_TRUE(value->text().contains(QChar(0x2026)));
    EXPECT_EQ(value->toolTip(), address);
    EXPECT_LE(value->height(), 19);
    // A value changed in place gets its share again.
    value->setFullText("10.0.0.1");
    QCoreApplication::processEvents();
    EXPECT_FALSE(value->isElided());
    EXPECT_GT(row.labelLine()->width(), 100); // more than the half it had beside the address
    // The label at its end.
    if (row.labelLine()->isElided()) {
        EXPECT_TRUE(row.labelLine()->text().endsWith(QChar(0x2026)));
    }
}

TEST(PanelComponents, LegendKeepsEveryItemInOrder) {
    Legend legend({{"App", "3.1 GB", Tint::blue}, {"App", std::nullopt, Tint::purple}}, 10,
                  Appearance::light);
    const auto lines = legend.findChildren<TextLine*>();
    QStringList texts;
    for (TextLine* line : lines)
        texts << line->fullText();
    EXPECT_EQ(texts, (QStringList{"App", "3.1 GB", "App"}));
}

TEST(MenuRow, ShortcutAndClick) {
    int settings = 0;
    int other = 0;
    PanelFooter footer(
        {{QUuid::createUuid(), "Open System Monitor", std::nullopt, [&] { ++other; }},
         {QUuid::createUuid(), "Morvanex Settings…", QString("Ctrl+,"), [&] { ++settings; }}},
        Appearance::light);
    ASSERT_EQ(footer.rows().size(), 2u);
    EXPECT_EQ(footer.rows()[0]->shortcutLine(), nullptr);
    ASSERT_NE(footer.rows()[1]->shortcutLine(), nullptr);
    EXPECT_EQ(footer.rows()[1]->shortcutLine()->fullText(), "Ctrl+,");
    footer.resize(340, footer.sizeHint().height());
    footer.show();
    QTest::mouseClick(footer.rows()[1], Qt::LeftButton);
    EXPECT_EQ(settings, 1);
    EXPECT_EQ(other, 0);
}

TEST(BackRow, HoverLightsAndClickActs) {
    int taps = 0;
    BackRow row(
        "Overview", [&] { ++taps; }, Appearance::dark);
    row.show();
    EXPECT_FALSE(row.isHovering());
    const QColor quiet = row.titleLine()->color();
    QEnterEvent enter(QPointF(5, 10), QPointF(5, 10), QPointF(5, 10));
    QCoreApplication::sendEvent(&row, &enter);
    EXPECT_TRUE(row.isHovering());
    EXPECT_NE(row.titleLine()->color(), quiet);
    // The space above the plate is not part of the button.
    QTest::mouseClick(&row, Qt::LeftButton, {}, QPoint(5, 2));
    EXPECT_EQ(taps, 0);
    QTest::mouseClick(&row, Qt::LeftButton, {}, row.plateRect().center());
    EXPECT_EQ(taps, 1);
    EXPECT_LT(row.width(), 200); // as wide as its content
}

TEST(StatRow, NarrowerTextKeepsItsWidth) {
    struct Case {
        int available, label, value;
        std::pair<int, int> expected;
    };
    const Case cases[] = {
        {300, 80, 120, {80, 120}},   // both fit
        {200, 60, 300, {60, 140}},   // short label, long address
        {200, 300, 40, {160, 40}},   // long label, short figure
        {200, 150, 180, {100, 100}}, // both long: half each
        {-5, 10, 10, {0, 0}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(StatRow::share(c.available, c.label, c.value), c.expected)
            << c.available << " " << c.label << " " << c.value;
}
