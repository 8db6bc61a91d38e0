#include "ui/tray/TraySquare.h"

#include "support/HubFixture.h"
#include "ui/menubar/MenuBarContent.h"

#include <QDir>
#include <QPainter>
#include <gtest/gtest.h>

using namespace morvanex;
using namespace morvanex::ui;
using K = ModuleKind;
using S = DisplayStyle;

namespace {

constexpr K allKinds[] = {K::combined, K::cpu,     K::gpu,     K::memory,    K::disks, K::network,
                          K::sensors,  K::battery, K::weather, K::astronomy, K::time};
constexpr S allStyles[] = {S::text, S::graph, S::graphAndText, S::icon, S::iconAndText};

// A hub with readings to show: the processor at 23 %, the network receiving 1.2 MB/s, the
// battery at 80 %, a clock in the menu bar.
struct Readings {
    test::HubFixture f;

    Readings() {
        f.hub->cpu.user = 15.2;
        f.hub->cpu.system = 8.1;
        f.hub->network.upload = 20'000;
        f.hub->network.download = 1.2 * 1024 * 1024;
        f.hub->battery.present = true;
        f.hub->battery.percent = 80;
        f.settings.update([](Config& c) {
            c.worldClocks = {QStringLiteral("Europe/Paris")};
            c.menubarClocks = {QStringLiteral("Europe/Paris")};
        });
    }

    SquareFace face(K kind, S style) const {
        const ModuleConfig module{kind, true, style};
        const Config& config = f.settings.config();
        return squareFace(module, MenuBarContent::parts(module, *f.hub, config), *f.hub, config);
    }
};

} // namespace

TEST(TraySquare, TextStylesReadTheirFirstReadingAndIconStylesTheirSymbol) {
    const Readings r;
    struct Row {
        K kind;
        S style;
        QString text; // empty: a symbol face
    };
    const Row rows[] = {
        {K::cpu, S::graphAndText, "23%"},
        {K::cpu, S::graph, "23%"},
        {K::cpu, S::text, "23%"},
        {K::combined, S::text, "23%"},
        {K::network, S::text, "1.2M↓"},
        {K::network, S::graph, "1.2M↓"},
        {K::battery, S::iconAndText, "80%"},
        {K::cpu, S::icon, ""},
        {K::combined, S::icon, ""},
        {K::network, S::icon, ""},
        {K::battery, S::icon, ""},
        {K::disks, S::graph, ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(rawValue(row.kind).toStdString() + " " + std::to_string(int(row.style)));
        const SquareFace face = r.face(row.kind, row.style);
        EXPECT_EQ(face.text, row.text);
        EXPECT_EQ(face.symbol.empty(), !row.text.isEmpty());
    }
    // The clock's time without its city.
    const QString time = r.face(K::time, S::text).text;
    EXPECT_FALSE(time.isEmpty());
    EXPECT_TRUE(time.front().isDigit()) << time.toStdString();
}

// Without a reading the sensors, weather and sun-and-moon items show "—"; in a square each
// shows its module's symbol instead, in every style, so the three squares can be told apart.
// A reading brings the text back.
TEST(TraySquare, ModulesWithoutAReadingShowTheirSymbol) {
    Readings r; // never ticked: no temperature, no weather report, no sun event
    struct Row {
        K kind;
        QString symbol;
    };
    const Row rows[] = {
        {K::sensors, "thermometer.medium"},
        {K::weather, "cloud"},
        {K::astronomy, "sun.horizon"},
    };
    for (const Row& row : rows) {
        for (const S style : allStyles) {
            SCOPED_TRACE(rawValue(row.kind).toStdString() + " " + std::to_string(int(style)));
            const SquareFace face = r.face(row.kind, style);
            EXPECT_TRUE(face.text.isEmpty()) << face.text.toStdString();
            ASSERT_EQ(face.symbol.size(), 1u);
            const auto* symbol = std::get_if<MenuBarSymbol>(&face.symbol.front());
            ASSERT_NE(symbol, nullptr);
            EXPECT_EQ(symbol->name, row.symbol);
        }
    }
    // With SQUARE_RENDERS set to a folder, the three squares are written there, at 22 and 44
    // pixels on both appearances, to be looked at.
    if (const QString renders = qEnvironmentVariable("SQUARE_RENDERS"); !renders.isEmpty()) {
        for (const Appearance appearance : {Appearance::dark, Appearance::light}) {
            QImage sheet(3 * 52 + 8, 2 * 52 + 8, QImage::Format_ARGB32);
            sheet.fill(appearance == Appearance::dark ? QColor(0x30, 0x30, 0x30)
                                                      : QColor(0xe8, 0xe8, 0xe8));
            QPainter painter(&sheet);
            for (std::size_t i = 0; i < std::size(rows); ++i)
                for (const int side : {22, 44})
                    painter.drawImage(QPoint(4 + int(i) * 52, side == 22 ? 4 : 56),
                                      drawSquare(r.face(rows[i].kind, S::text), appearance, side));
            painter.end();
            sheet.save(QDir(renders).filePath(appearance == Appearance::dark
                                                  ? QStringLiteral("no-reading-dark.png")
                                                  : QStringLiteral("no-reading-light.png")));
        }
    }

    r.f.hub->battery.temperature = 31.4;
    EXPECT_EQ(r.face(K::sensors, S::text).text, "31°");
    EXPECT_TRUE(r.face(K::sensors, S::text).symbol.empty());
}

TEST(TraySquare, ShortRates) {
    struct Row {
        double bytes;
        bool bits;
        const char* text;
    };
    const Row rows[] = {
        {0, false, "0B"},          {512, false, "512B"},
        {1000, false, "1.0K"},     {1.2 * 1024 * 1024, false, "1.2M"},
        {87 * 1024, false, "87K"}, {1023.9 * 1024, false, "1.0M"},
        {150'000, true, "1.2Mb"},  {-5, false, "0B"},
        {1e300, false, "1e+291G"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.bytes);
        if (row.bytes > 1e200) {
            EXPECT_FALSE(shortRate(row.bytes, row.bits).isEmpty());
            continue;
        }
        EXPECT_EQ(shortRate(row.bytes, row.bits), QString::fromUtf8(row.text));
    }
    EXPECT_EQ(shortRate(std::nan(""), false), "—");
}

// Every module in every style, in 22 to 24 pixel trays at ratio 1 and 2, on both appearances:
// each square shows a reading, enough pixels that stand out from its plate, none cut off at the
// square's edge. With SQUARE_RENDERS set to a folder, the squares are also written there as
// one sheet per appearance, to be looked at.
TEST(TraySquare, EverySquareHasAVisibleReading) {
    const Readings r;
    const QString renders = qEnvironmentVariable("SQUARE_RENDERS");
    for (const Appearance appearance : {Appearance::dark, Appearance::light}) {
        const QColor plate = color(Tint::windowBackground, appearance);
        QImage sheet(11 * 6 * 52 + 8, 5 * 52 + 8, QImage::Format_ARGB32);
        sheet.fill(appearance == Appearance::dark ? QColor(0x30, 0x30, 0x30)
                                                  : QColor(0xe8, 0xe8, 0xe8));
        QPainter sheetPainter(&sheet);
        for (std::size_t k = 0; k < std::size(allKinds); ++k) {
            for (std::size_t s = 0; s < std::size(allStyles); ++s) {
                const SquareFace face = r.face(allKinds[k], allStyles[s]);
                int column = 0;
                for (const int ratio : {1, 2}) {
                    for (const int points : {22, 23, 24}) {
                        const int side = points * ratio;
                        SCOPED_TRACE(testing::Message()
                                     << rawValue(allKinds[k]).toStdString() << " style "
                                     << int(allStyles[s]) << " side " << side << " appearance "
                                     << int(appearance) << " text " << face.text.toStdString());
                        const QImage square = drawSquare(face, appearance, side);
                        ASSERT_EQ(square.size(), QSize(side, side));
                        int ink = 0;
                        bool touchesEdge = false;
                        for (int y = 0; y < side; ++y) {
                            for (int x = 0; x < side; ++x) {
                                const QColor pixel = square.pixelColor(x, y);
                                if (pixel.alpha() < 200)
                                    continue;
                                const int contrast =
                                    std::abs(pixel.lightness() - plate.lightness());
                                if (contrast < 80)
                                    continue;
                                ++ink;
                                touchesEdge = touchesEdge || x == 0 || y == 0 || x == side - 1 ||
                                              y == side - 1;
                            }
                        }
                        EXPECT_GE(ink, side * side * 3 / 100);
                        EXPECT_FALSE(touchesEdge);
                        sheetPainter.drawImage(
                            QPoint(4 + int(k) * 6 * 52 + column * 52, 4 + int(s) * 52), square);
                        ++column;
                    }
                }
            }
        }
        sheetPainter.end();
        if (!renders.isEmpty())
            sheet.save(QDir(renders).filePath(appearance == Appearance::dark
                                                  ? QStringLiteral("squares-dark.png")
                                                  : QStringLiteral("squares-light.png")));
    }
}
