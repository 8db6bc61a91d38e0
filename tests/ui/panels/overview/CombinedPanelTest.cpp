#include "ui/panels/overview/CombinedPanel.h"

#include "app/InsightEngine.h"
#include "support/HubFixture.h"
#include "ui/kit/PanelHeader.h"
#include "ui/kit/SymbolIcon.h"
#include "ui/kit/TextLine.h"
#include "ui/kit/TileBackground.h"
#include "ui/panels/KeepAwakeCard.h"
#include "ui/panels/overview/OverviewRows.h"
#include "ui/panels/overview/OverviewTiles.h"

#include <QEnterEvent>
#include <QFontMetricsF>
#include <QGridLayout>
#include <QLabel>
#include <QTest>
#include <cmath>
#include <gtest/gtest.h>

using namespace morvanex;
using namespace morvanex::ui;
using namespace morvanex::ui::overview;
using Item = OverviewItem;

namespace {

struct Opened {
    ModuleKind module;
    std::optional<std::int32_t> pid;
    bool operator==(const Opened&) const = default;
};

// A hub whose machine has a battery, a startup volume, a GPU, a device and an event coming.
struct OverviewFixture {
    test::HubFixture f;
    std::vector<Opened> opened;
    std::vector<QString> openedDevices;

    OverviewFixture() {
        Hub& hub = *f.hub;
        hub.battery.present = true;
        hub.battery.percent = 80;
        DiskMonitor::Volume root;
        root.isRoot = true;
        root.total = 500e9;
        root.availableImportant = 200e9;
        hub.disks.volumes = {root};
        hub.gpu.gpus = {GPUMonitor::GPU{}};
        hub.cpu.uptime = 200000;
        ConnectedDevice phone;
        phone.id = "phone-1";
        phone.name = "Phone";
        phone.trusted = true;
        phone.batteryLevel = 85;
        hub.devices.setDevices({phone});
        CalendarEvent event;
        event.id = "e1";
        event.title = "Stand-up";
        event.start = f.now.addSecs(600);
        event.end = f.now.addSecs(1800);
        hub.calendar.setEvents(CalendarEvents::Access::granted, {event});
    }

    PanelEnv env(Appearance appearance = Appearance::light) {
        PanelEnv env;
        env.hub = f.hub.get();
        env.settings = &f.settings;
        env.appearance = appearance;
        env.openModule.action = [this](ModuleKind kind, std::optional<std::int32_t> pid) {
            opened.push_back({kind, pid});
        };
        env.openDevice.action = [this](const QString& id) { openedDevices.push_back(id); };
        return env;
    }
};

OverviewRowMakers labelMakers() {
    OverviewRowMakers makers;
    makers.keepAwakeCard = [](const PanelEnv&) { return new QLabel("keep awake"); };
    makers.nextEventRow = [](const CalendarEvent& event, std::function<void()> open,
                             const PanelEnv& env) -> QWidget* {
        return new TileBackground(new QLabel(event.title), std::move(open), env.appearance);
    };
    return makers;
}

std::vector<QString> names(const std::vector<QWidget*>& views) {
    std::vector<QString> result;
    for (QWidget* view : views)
        result.push_back(view->objectName());
    return result;
}

void click(QWidget* widget) {
    QTest::mouseClick(widget, Qt::LeftButton, {}, QPoint(widget->width() / 2, 4));
}

} // namespace

TEST(CombinedPanel, DrawsTheDefaultOverviewInOrder) {
    OverviewFixture o;
    CombinedPanel panel(o.env(), labelMakers());
    panel.resize(340, 900);
    EXPECT_EQ(panel.header()->titleLine()->fullText(), "Overview");
    EXPECT_EQ(panel.header()->subtitleLine()->fullText(), "Up 2 days, 7 hours");
    EXPECT_EQ(names(panel.sectionViews()),
              (std::vector<QString>{"insight", "cpu", "disk", "devices", "keepAwake", "weather",
                                    "worldClocks", "nextEvent"}));
    EXPECT_EQ(panel.emptyCard(), nullptr);

    // The big tiles in two rows of two.
    auto* grid = qobject_cast<QGridLayout*>(panel.sectionViews()[1]->layout());
    ASSERT_NE(grid, nullptr);
    EXPECT_EQ(grid->rowCount(), 2);
    EXPECT_EQ(grid->itemAtPosition(1, 1)->widget()->objectName(), "network");
    EXPECT_EQ(panel.sectionViews()[2]->findChildren<SmallTile*>().size(), 3);
    EXPECT_EQ(panel.sectionViews()[3]->findChildren<DeviceRow*>().size(), 1);
    EXPECT_EQ(panel.findChildren<WorldClocksRow*>().front()->columns().size(), 3u);
}

TEST(CombinedPanel, OddBigTileSpansTheRow) {
    OverviewFixture o;
    o.f.settings.update([](Config& c) {
        c.overviewOrder = {Item::cpu, Item::gpu, Item::memory};
        c.overviewHidden = {Item::network};
    });
    CombinedPanel panel(o.env());
    auto* grid = qobject_cast<QGridLayout*>(panel.sectionViews()[0]->layout());
    ASSERT_NE(grid, nullptr);
    int row = 0, column = 0, rowSpan = 0, columnSpan = 0;
    grid->getItemPosition(grid->indexOf(panel.findChild<OverviewTile*>("memory")), &row, &column,
                          &rowSpan, &columnSpan);
    EXPECT_EQ(row, 1);
    EXPECT_EQ(columnSpan, 2);
}

TEST(CombinedPanel, TapsOpenModulesDevicesAndTheTimePanel) {
    OverviewFixture o;
    o.f.hub->insights().current = {Insight::Kind::memory, "Memory is tight",
                                   Insight::Severity::warning, ModuleKind::memory, 4242};
    CombinedPanel panel(o.env(), labelMakers());
    panel.resize(340, 900);
    panel.show();

    const std::vector<std::pair<const char*, ModuleKind>> tiles = {
        {"cpu", ModuleKind::cpu},
        {"gpu", ModuleKind::gpu},
        {"memory", ModuleKind::memory},
        {"network", ModuleKind::network},
    };
    for (const auto& [name, module] : tiles) {
        o.opened.clear();
        click(panel.findChild<OverviewTile*>(name)->background());
        EXPECT_EQ(o.opened, (std::vector<Opened>{{module, std::nullopt}})) << name;
    }
    const std::vector<std::pair<const char*, ModuleKind>> small = {
        {"disk", ModuleKind::disks},
        {"sensors", ModuleKind::sensors},
        {"battery", ModuleKind::battery}};
    for (const auto& [name, module] : small) {
        o.opened.clear();
        click(panel.findChild<SmallTile*>(name)->background());
        EXPECT_EQ(o.opened, (std::vector<Opened>{{module, std::nullopt}})) << name;
    }

    o.opened.clear();
    click(panel.findChildren<InsightRow*>().front()->background());
    click(panel.findChildren<WeatherRow*>().front()->background());
    click(panel.findChildren<WorldClocksRow*>().front()->background());
    click(panel.findChild<QWidget*>("nextEvent"));
    EXPECT_EQ(o.opened, (std::vector<Opened>{{ModuleKind::memory, 4242},
                                             {ModuleKind::weather, std::nullopt},
                                             {ModuleKind::time, std::nullopt},
                                             {ModuleKind::time, std::nullopt}}));

    click(panel.findChild<DeviceRow*>("phone-1")->background());
    EXPECT_EQ(o.openedDevices, std::vector<QString>{"phone-1"});
}

TEST(CombinedPanel, InsightWithoutModuleIsInert) {
    OverviewFixture o;
    o.f.hub->insights().current = Insight{};
    CombinedPanel panel(o.env());
    panel.resize(340, 900);
    panel.show();
    auto* row = panel.findChildren<InsightRow*>().front();
    EXPECT_EQ(row->chevron(), nullptr);
    EXPECT_FALSE(row->background()->hasAction());
    EXPECT_EQ(row->symbol()->name(), "checkmark.circle");
    EXPECT_EQ(row->symbol()->color(), color(Tint::green, Appearance::light));
    click(row->background());
    EXPECT_TRUE(o.opened.empty());
}

TEST(CombinedPanel, DeviceRowWithoutShellActionDoesNothing) {
    OverviewFixture o;
    PanelEnv env = o.env();
    env.openDevice.action = nullptr;
    CombinedPanel panel(env);
    panel.resize(340, 900);
    panel.show();
    auto* row = panel.findChild<DeviceRow*>("phone-1");
    ASSERT_NE(row, nullptr);
    EXPECT_TRUE(row->background()->hasAction());
    click(row->background()); // must not crash
    EXPECT_EQ(row->batteryLine()->fullText(), "85%");
    EXPECT_EQ(row->batterySymbol()->name(), "battery.75percent");
}

TEST(CombinedPanel, EmptyStateAndHeaderAlone) {
    OverviewFixture o;
    std::vector<Item> allButDevices;
    for (Item item : allOverviewItems())
        if (item != Item::devices)
            allButDevices.push_back(item);
    o.f.settings.update([&](Config& c) {
        c.overviewHidden = allButDevices;
        c.showDevices = false;
    });
    {
        CombinedPanel panel(o.env());
        EXPECT_TRUE(panel.sectionViews().empty());
        ASSERT_NE(panel.emptyCard(), nullptr);
        EXPECT_EQ(panel.emptyCard()->findChild<QLabel*>()->text(),
                  "Everything is hidden. Choose what to show in Settings › Overview.");
    }
    o.f.settings.update([](Config& c) { c.showDevices = true; });
    o.f.hub->devices.setDevices({});
    CombinedPanel panel(o.env());
    EXPECT_TRUE(panel.sectionViews().empty());
    EXPECT_EQ(panel.emptyCard(), nullptr);
}

TEST(CombinedPanel, PreviewForcesHiddenSetAndOrderWithoutSaving) {
    OverviewFixture o;
    o.f.settings.update([](Config& c) { c.showDevices = false; });
    const Config stored = o.f.settings.config();
    PanelEnv env = o.env();
    env.previewOverrides.overviewHidden = std::vector<Item>{Item::insight, Item::weather};
    env.previewOverrides.overviewOrder = std::vector<Item>{Item::devices, Item::cpu};
    CombinedPanel panel(env, labelMakers());
    EXPECT_TRUE(panel.shownConfig().showDevices);
    ASSERT_GE(panel.sectionViews().size(), 2u);
    EXPECT_EQ(panel.sectionViews()[0]->objectName(), "devices");
    EXPECT_EQ(panel.sectionViews()[1]->objectName(), "cpu");
    EXPECT_EQ(panel.findChildren<WeatherRow*>().size(), 0);
    EXPECT_EQ(o.f.settings.config(), stored);
}

TEST(CombinedPanel, FollowsTheHubAndTheSettings) {
    OverviewFixture o;
    CombinedPanel panel(o.env());
    o.f.hub->cpu.uptime = 3700;
    emit o.f.hub->changed();
    EXPECT_EQ(panel.header()->subtitleLine()->fullText(), "Up 1 hour, 1 min");

    o.f.settings.update([](Config& c) { c.overviewHidden = {Item::cpu, Item::gpu}; });
    int shown = 0;
    for (const Section& section : panel.shownSections())
        if (section.kind == SectionKind::bigTiles)
            shown += int(section.items.size());
    EXPECT_EQ(shown, 2);

    // Without makers of its caller's the panel shows its own keep-awake card.
    int cards = 0;
    for (QWidget* view : panel.sectionViews())
        if (view->objectName() == "keepAwake")
            cards += int(view->findChildren<KeepAwakeCard*>().size()) +
                     (qobject_cast<KeepAwakeCard*>(view) ? 1 : 0);
    EXPECT_EQ(cards, 1);
}

TEST(TileBackground, HoverBrightensOnlyTilesThatAct) {
    int taps = 0;
    TileBackground acting(
        new QLabel("x"), [&] { ++taps; }, Appearance::dark);
    TileBackground inert(new QLabel("y"), nullptr, Appearance::dark);
    for (TileBackground* tile : {&acting, &inert}) {
        QEnterEvent enter(QPointF(4, 4), QPointF(4, 4), QPointF(4, 4));
        QCoreApplication::sendEvent(tile, &enter);
        EXPECT_TRUE(tile->isHovering());
    }
    EXPECT_EQ(TileBackground::fillOpacity(acting.isHovering(), acting.hasAction()), 0.1);
    EXPECT_EQ(TileBackground::fillOpacity(inert.isHovering(), inert.hasAction()), 0.05);
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(&acting, &leave);
    EXPECT_FALSE(acting.isHovering());
    acting.resize(100, 40);
    inert.resize(100, 40);
    click(&acting);
    click(&inert);
    EXPECT_EQ(taps, 1);
}

TEST(InsightRow, LongTextWrapsOntoAtMostThreeLines) {
    const QString text = "A very long insight that goes on and on about what the processor, "
                         "the memory and the disks have been doing for the last several minutes "
                         "while the fans spin and the battery drains.";
    InsightRow row(
        {Insight::Kind::cpu, text, Insight::Severity::info, std::nullopt, std::nullopt}, [] {},
        Appearance::light);
    const double line = QFontMetricsF(row.text()->font()).lineSpacing();
    EXPECT_EQ(row.text()->heightForWidth(150), int(std::ceil(3 * line)));
    EXPECT_EQ(row.text()->heightForWidth(4000), int(std::ceil(line)));
    // Without a module the row takes no tap, even with an action handed in.
    EXPECT_FALSE(row.background()->hasAction());
    EXPECT_EQ(row.symbol()->color(), color(Tint::blue, Appearance::light));
}
