#include "ui/menubar/MenuBarContent.h"

#include "base/Fmt.h"
#include "base/Units.h"
#include "support/HubFixture.h"

#include <QLocale>
#include <QTimeZone>
#include <ctime>
#include <gtest/gtest.h>
#include <limits>

using namespace morvanex;
using namespace morvanex::ui;
using Parts = std::vector<MenuBarPart>;

namespace {

MenuBarText text(const char* value, const char* widthTemplate) {
    return MenuBarText{QString::fromUtf8(value), QString::fromUtf8(widthTemplate)};
}

MenuBarSymbol symbol(const char* name, bool multicolor = false) {
    return MenuBarSymbol{QString::fromUtf8(name), multicolor};
}

struct ContentTest : testing::Test {
    test::HubFixture f;
    Config config;
    const QDateTime now = QDateTime(QDate(2026, 3, 14), QTime(9, 41), QTimeZone("Europe/Paris"));

    Parts parts(ModuleKind kind, DisplayStyle style) {
        return MenuBarContent::parts(ModuleConfig{kind, true, style}, *f.hub, config, now);
    }
};

TEST_F(ContentTest, ProcessorAndGraphicsByStyle) {
    f.hub->cpu.user = 30;
    f.hub->cpu.system = 7.4;
    f.hub->cpu.totalHistory.values = {50, 100};
    const MenuBarGraph cpuGraph{{0.5, 1}, Tint::blue};
    const MenuBarGraph noGpu{{}, Tint::purple};
    struct Case {
        ModuleKind kind;
        DisplayStyle style;
        Parts expected;
    };
    const Case cases[] = {
        {ModuleKind::cpu, DisplayStyle::text, {text("37%", "100%")}},
        {ModuleKind::cpu, DisplayStyle::graph, {cpuGraph}},
        {ModuleKind::cpu, DisplayStyle::graphAndText, {cpuGraph, text("37%", "100%")}},
        {ModuleKind::cpu, DisplayStyle::icon, {symbol("cpu")}},
        {ModuleKind::cpu, DisplayStyle::iconAndText, {symbol("cpu"), text("37%", "100%")}},
        // No graphics processor: 0 % and an empty graph.
        {ModuleKind::gpu, DisplayStyle::graphAndText, {noGpu, text("0%", "100%")}},
        {ModuleKind::gpu, DisplayStyle::iconAndText, {symbol("display"), text("0%", "100%")}},
    };
    f.hub->gpu.gpus.clear();
    for (const Case& c : cases)
        EXPECT_EQ(parts(c.kind, c.style), c.expected)
            << rawValue(c.kind).toStdString() << " " << rawValue(c.style).toStdString();
}

TEST_F(ContentTest, MemoryColourFollowsPressureAndCombinedNeverTurnsRed) {
    f.hub->memory.total = 100;
    f.hub->memory.app = 40;
    f.hub->memory.wired = 10;
    f.hub->memory.compressed = 5;
    f.hub->memory.pressure = 30;
    f.hub->memory.pressureHistory.values = {20, 30};
    struct Case {
        int level;
        Tint memory;
        Tint combined;
    };
    for (const Case& c : {Case{1, Tint::green, Tint::green}, Case{2, Tint::yellow, Tint::yellow},
                          Case{3, Tint::yellow, Tint::yellow}, Case{4, Tint::red, Tint::yellow}}) {
        f.hub->memory.pressureLevel = c.level;
        EXPECT_EQ(parts(ModuleKind::memory, DisplayStyle::graphAndText),
                  (Parts{MenuBarBar{0.3, c.memory}, text("55%", "100%")}))
            << c.level;
        EXPECT_EQ(parts(ModuleKind::memory, DisplayStyle::graph),
                  (Parts{MenuBarGraph{{0.2, 0.3}, c.memory}}))
            << c.level;
        const Parts combined = parts(ModuleKind::combined, DisplayStyle::text);
        ASSERT_EQ(combined.size(), 4u);
        EXPECT_EQ(std::get<MenuBarBar>(combined[1]).tint, c.combined) << c.level;
    }
    f.hub->memory.total = 0;
    EXPECT_EQ(parts(ModuleKind::memory, DisplayStyle::text), (Parts{text("0%", "100%")}));
}

TEST_F(ContentTest, CombinedModuleStacksProcessorOverMemoryAndTemperatureOverDownload) {
    f.hub->cpu.user = 12;
    f.hub->cpu.system = 0;
    f.hub->memory.total = 0;
    f.hub->network.download = 2048;
    const Parts four = parts(ModuleKind::combined, DisplayStyle::graphAndText);
    ASSERT_EQ(four.size(), 4u);
    const auto& usage = std::get<MenuBarStacked>(four[2]);
    EXPECT_EQ(usage, (MenuBarStacked{"CPU 12%", "MEM 0%", QStringLiteral("CPU 100%")}));
    const auto& rates = std::get<MenuBarStacked>(four[3]);
    EXPECT_EQ(rates.second, QStringLiteral("↓ 2.0 KB/s"));
    EXPECT_EQ(rates.widthTemplate, QStringLiteral("↓ 1023 MB/s"));
    EXPECT_EQ(parts(ModuleKind::combined, DisplayStyle::graph), four);
    EXPECT_EQ(parts(ModuleKind::combined, DisplayStyle::icon), (Parts{MenuBarAppGlyph{}}));
    const Parts withGlyph = parts(ModuleKind::combined, DisplayStyle::iconAndText);
    ASSERT_EQ(withGlyph.size(), 5u);
    EXPECT_EQ(withGlyph[0], MenuBarPart(MenuBarAppGlyph{}));
    EXPECT_EQ(Parts(withGlyph.begin() + 1, withGlyph.end()), four);
}

TEST_F(ContentTest, DiskWithoutStartupVolumeShowsDash) {
    f.hub->disks.volumes.clear();
    EXPECT_EQ(parts(ModuleKind::disks, DisplayStyle::graphAndText),
              (Parts{symbol("internaldrive"), text("—", "100%")}));
    EXPECT_EQ(parts(ModuleKind::disks, DisplayStyle::graph), (Parts{symbol("internaldrive")}));
}

TEST_F(ContentTest, NetworkScaleOfflineIconAndTemplates) {
    std::vector<double> up(30, 100);
    up[0] = 1e9; // outside the last 20: does not count for the peak
    f.hub->network.uploadHistory.values = up;
    f.hub->network.downloadHistory.values = {512};
    const auto graph =
        std::get<MenuBarMirrored>(parts(ModuleKind::network, DisplayStyle::graph)[0]);
    ASSERT_EQ(graph.up.size(), 30u);
    EXPECT_DOUBLE_EQ(graph.up[29], 100.0 / 1024);
    EXPECT_DOUBLE_EQ(graph.down[0], 0.5);

    struct Case {
        std::optional<bool> reachable;
        DisplayStyle style;
        const char* symbol;
    };
    const Case cases[] = {
        {false, DisplayStyle::icon, "network.slash"},
        {false, DisplayStyle::iconAndText, "network"},
        {std::nullopt, DisplayStyle::icon, "network"},
        {true, DisplayStyle::icon, "network"},
    };
    for (const Case& c : cases) {
        f.hub->network.internetReachable = c.reachable;
        EXPECT_EQ(std::get<MenuBarSymbol>(parts(ModuleKind::network, c.style)[0]).name,
                  QString::fromUtf8(c.symbol));
    }

    f.hub->network.upload = 0;
    f.hub->network.download = 999.7e6 / 8; // prints as "1000 Mb/s" before the unit steps up
    config.bandwidthBits = true;
    const auto bits = std::get<MenuBarStacked>(parts(ModuleKind::network, DisplayStyle::text)[0]);
    EXPECT_EQ(bits.first, QStringLiteral("↑ 0 b/s"));
    EXPECT_EQ(bits.second, QStringLiteral("↓ 1000 Mb/s"));
    EXPECT_EQ(bits.widthTemplate, QStringLiteral("↓ 1000 Mb/s"));
    config.bandwidthBits = false;
    EXPECT_EQ(
        std::get<MenuBarStacked>(parts(ModuleKind::network, DisplayStyle::text)[0]).widthTemplate,
        QStringLiteral("↓ 1023 MB/s"));
}

TEST_F(ContentTest, SensorsWithAndWithoutFans) {
    f.hub->sensors.fans = {Fan{0, 1234.9, 0, 0}, Fan{1, 2000, 0, 0}};
    const Parts withFans = parts(ModuleKind::sensors, DisplayStyle::text);
    ASSERT_EQ(withFans.size(), 1u);
    const auto& pair = std::get<MenuBarStacked>(withFans[0]);
    EXPECT_EQ(pair.second, QStringLiteral("1234 rpm"));
    EXPECT_EQ(pair.widthTemplate, QStringLiteral("9999 rpm"));
    EXPECT_EQ(pair.first, format(TempUnit::celsius, f.hub->menubarTemperature(), 0));

    // A reading with no whole-number text leaves the fan line empty.
    for (const double rpm : {std::numeric_limits<double>::quiet_NaN(), 1e300}) {
        f.hub->sensors.fans = {Fan{0, rpm, 0, 0}};
        EXPECT_EQ(
            std::get<MenuBarStacked>(parts(ModuleKind::sensors, DisplayStyle::text)[0]).second,
            QString());
    }

    f.hub->sensors.fans.clear();
    const auto single = std::get<MenuBarText>(parts(ModuleKind::sensors, DisplayStyle::text)[0]);
    EXPECT_EQ(single.widthTemplate, QStringLiteral("100°"));
    config.temperatureUnit = TempUnit::kelvin;
    EXPECT_EQ(parts(ModuleKind::sensors, DisplayStyle::iconAndText)[0],
              MenuBarPart(symbol("thermometer.medium")));
    EXPECT_EQ(std::get<MenuBarText>(parts(ModuleKind::sensors, DisplayStyle::iconAndText)[1])
                  .widthTemplate,
              QStringLiteral("373 K"));
}

TEST_F(ContentTest, BatteryGraphStylesShowTheSymbolAndText) {
    f.hub->battery.percent = 42;
    f.hub->battery.isCharging = true;
    const Parts expected{MenuBarBattery{0.42, true}, text("42%", "100%")};
    EXPECT_EQ(parts(ModuleKind::battery, DisplayStyle::graph), expected);
    EXPECT_EQ(parts(ModuleKind::battery, DisplayStyle::graphAndText), expected);
    EXPECT_EQ(parts(ModuleKind::battery, DisplayStyle::icon), (Parts{MenuBarBattery{0.42, true}}));
    EXPECT_EQ(parts(ModuleKind::battery, DisplayStyle::text), (Parts{text("42%", "100%")}));
}

TEST_F(ContentTest, WeatherWithoutReport) {
    struct Case {
        TempUnit unit;
        const char* widthTemplate;
    };
    for (const Case& c : {Case{TempUnit::kelvin, "373 K"}, Case{TempUnit::celsius, "-10°"},
                          Case{TempUnit::fahrenheit, "100°"}}) {
        config.temperatureUnit = c.unit;
        EXPECT_EQ(parts(ModuleKind::weather, DisplayStyle::text),
                  (Parts{text("—", c.widthTemplate)}));
        EXPECT_EQ(parts(ModuleKind::weather, DisplayStyle::iconAndText),
                  (Parts{symbol("cloud"), text("—", c.widthTemplate)}));
    }
}

TEST_F(ContentTest, SunEventOrHorizon) {
    const Parts none = parts(ModuleKind::astronomy, DisplayStyle::iconAndText);
    ASSERT_EQ(none.size(), 2u);
    EXPECT_EQ(none[0], MenuBarPart(symbol("sun.horizon")));
    EXPECT_EQ(std::get<MenuBarText>(none[1]).text, QStringLiteral("—"));
    // Today's noon, in the test's pinned zone and locale.
    EXPECT_EQ(std::get<MenuBarText>(none[1]).widthTemplate, QStringLiteral("12:00"));

    f.now = now;
    f.hub->astronomy.update(WeatherLocation{QStringLiteral("Paris"), 48.85, 2.35});
    const Parts event = parts(ModuleKind::astronomy, DisplayStyle::icon);
    ASSERT_EQ(event.size(), 1u);
    const auto& sun = std::get<MenuBarSymbol>(event[0]);
    EXPECT_TRUE(sun.multicolor);
    // 09:41 in Paris in March: the sun is up, the next event is the sunset.
    EXPECT_EQ(sun.name, QStringLiteral("sunset.fill"));
}

// The sun's next event reads in the system's zone of the moment it is drawn: a zone change
// shows at the next drawing.
TEST_F(ContentTest, SunEventFollowsASystemZoneChange) {
    const QByteArray before = qgetenv("TZ");
    f.now = now;
    f.hub->astronomy.update(WeatherLocation{QStringLiteral("Paris"), 48.85, 2.35});
    const auto event = f.hub->astronomy.nextSunEvent(now);
    ASSERT_TRUE(event);
    QStringList shown;
    for (const char* zone : {"Asia/Tokyo", "America/New_York"}) {
        SCOPED_TRACE(zone);
        qputenv("TZ", zone);
        ::tzset();
        const Parts eventParts = parts(ModuleKind::astronomy, DisplayStyle::iconAndText);
        ASSERT_EQ(eventParts.size(), 2u);
        shown.append(std::get<MenuBarText>(eventParts[1]).text);
        EXPECT_EQ(shown.back(), Fmt::time(event->date, QTimeZone(zone)));
    }
    qputenv("TZ", before);
    ::tzset();
    EXPECT_NE(shown[0], shown[1]);
}

TEST(MenuBarClocks, CityLabels) {
    const std::pair<const char*, const char*> cases[] = {
        {"America/New_York", "New York"},
        {"America/Argentina/Buenos_Aires", "Buenos Aires"},
        {"UTC", "UTC"},
        {"Etc/", "Etc"},
        {"//", "//"},
    };
    for (const auto& [identifier, label] : cases)
        EXPECT_EQ(MenuBarContent::cityLabel(QString::fromUtf8(identifier)),
                  QString::fromUtf8(label));
}

TEST(MenuBarClocks, LineTemplateAndSelection) {
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    const QDateTime now(QDate(2026, 1, 15), QTime(8, 41), QTimeZone::utc());
    Config config;
    config.worldClocks = {QStringLiteral("Europe/Paris"), QStringLiteral("No/Such_Zone"),
                          QStringLiteral("Asia/Tokyo")};
    config.menubarClocks = {QStringLiteral("Asia/Tokyo")};
    EXPECT_EQ(MenuBarContent::clockLine(config, now), QStringLiteral("Tokyo 5:41 PM"));

    config.menubarClocks = {QStringLiteral("Asia/Tokyo"), QStringLiteral("No/Such_Zone"),
                            QStringLiteral("Europe/Paris")};
    const QString line = MenuBarContent::clockLine(config, now);
    // The world clocks' order, not the menu-bar list's; the unknown zone skipped.
    EXPECT_EQ(line, QStringLiteral("Paris 9:41 AM  Tokyo 5:41 PM"));
    EXPECT_EQ(MenuBarContent::clockTemplate(line), QStringLiteral("Paris 0:00 AM  Tokyo 0:00 PM"));
    // Digits of other scripts are numbers too.
    EXPECT_EQ(MenuBarContent::clockTemplate(QStringLiteral("٣:٤٥")), QStringLiteral("0:00"));

    // Abbreviations as the zone database gives them; a zone without one falls back to its city.
    config.clockLabel = ClockLabel::abbreviation;
    config.menubarClocks = {QStringLiteral("Europe/Paris")};
    EXPECT_EQ(MenuBarContent::clockLine(config, now), QStringLiteral("CET 9:41 AM"));
    QLocale::setDefault(QLocale(QLocale::C));
}

TEST_F(ContentTest, TimeModuleIsTheGlobeAloneWithoutClocks) {
    config.menubarClocks.clear();
    for (const DisplayStyle style : allCases<DisplayStyle>())
        EXPECT_EQ(parts(ModuleKind::time, style), (Parts{symbol("globe")}));
    config.menubarClocks = {QStringLiteral("America/New_York")};
    const Parts clocks = parts(ModuleKind::time, DisplayStyle::iconAndText);
    ASSERT_EQ(clocks.size(), 2u);
    EXPECT_TRUE(std::get<MenuBarText>(clocks[1]).text.startsWith(QStringLiteral("New York ")));
    EXPECT_EQ(parts(ModuleKind::time, DisplayStyle::graph), (Parts{symbol("globe")}));
}

TEST_F(ContentTest, EveryModuleAndStyleGivesParts) {
    f.hub->tick();
    for (const ModuleKind kind : allCases<ModuleKind>())
        for (const DisplayStyle style : allCases<DisplayStyle>())
            EXPECT_FALSE(parts(kind, style).empty());
}

} // namespace
