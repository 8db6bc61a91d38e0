// An open panel follows the hub's ticks without making its widgets anew: nothing changes when
// nothing shown changed, and a changed reading reaches only the card that shows it.

#include "support/HubFixture.h"
#include "support/TestEnv.h"
#include "support/Wait.h"
#include "ui/kit/HeroValue.h"
#include "ui/kit/PanelDefaults.h"
#include "ui/kit/PanelHeader.h"
#include "ui/kit/ProcessRow.h"
#include "ui/kit/StatRow.h"
#include "ui/kit/TextLine.h"
#include "ui/panels/AstronomyPanel.h"
#include "ui/panels/BatteryPanel.h"
#include "ui/panels/DisksPanel.h"
#include "ui/panels/GPUPanel.h"
#include "ui/panels/MemoryPanel.h"
#include "ui/panels/ProcessorPanel.h"
#include "ui/panels/SensorsPanel.h"
#include "ui/panels/TimePanel.h"
#include "ui/panels/WeatherPanel.h"
#include "ui/panels/overview/CombinedPanel.h"
#include "ui/panels/overview/OverviewTiles.h"

#include <QCoreApplication>
#include <QSet>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

using namespace morvanex;
using namespace morvanex::ui;

namespace {

void settle() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
}

// Every widget under `root`: the same set after a tick means nothing was made anew.
QSet<QWidget*> widgets(const QWidget& root) {
    const QList<QWidget*> all = root.findChildren<QWidget*>();
    return QSet<QWidget*>(all.begin(), all.end());
}

// A hub whose machine shows something in every panel: processes, a GPU, a battery, sensors,
// a startup volume, a weather report and a place for the sun and moon.
struct Machine {
    test::HubFixture f;
    PanelDefaults defaults{platform::UserDefaults::inMemory()};

    Machine() {
        Hub& hub = *f.hub;
        hub.tick();
        hub.processes.processes = {{11, "busy", 40, 0, 0, 0}, {12, "idle", 1, 0, 0, 0}};
        hub.gpu.gpus = {GPUMonitor::GPU{}};
        hub.battery.present = true;
        hub.battery.percent = 80;
        hub.sensors.isReady = true;
        hub.sensors.sensors = {
            {"TC0P", "CPU Proximity", SensorGroup::cpu, SensorKind::temperature, 52, 60},
            {"PSTR", "System Total", SensorGroup::power, SensorKind::power, 14.2, 30}};
        hub.sensors.fans = {{0, 2400, 1200, 6000}};
        DiskMonitor::Volume root;
        root.isRoot = true;
        root.total = 500e9;
        root.availableImportant = 200e9;
        hub.disks.volumes = {root};
        hub.astronomy.update(WeatherLocation{"Berlin, Berlin, Germany", 52.52, 13.405});
        f.settings.update([](Config& c) { c.worldClocks = {"Asia/Tokyo"}; });
    }

    PanelEnv env() {
        PanelEnv e;
        e.hub = f.hub.get();
        e.settings = &f.settings;
        e.processActions.hasLocation = [](std::int32_t) { return false; };
        e.openLink = [](platform::SystemLink) {};
        e.openURL = [](const QUrl&) {};
        return e;
    }
};

struct Open {
    std::unique_ptr<QWidget> panel;
    const SectionStack* sections = nullptr;
};

struct PanelCase {
    const char* name;
    std::function<Open(Machine&)> open;
};

template <typename Panel> Open opened(std::unique_ptr<Panel> panel) {
    const SectionStack* sections = &panel->sections();
    return {std::move(panel), sections};
}

const std::vector<PanelCase>& panelCases() {
    static const std::vector<PanelCase> cases = {
        {"cpu",
         [](Machine& m) { return opened(std::make_unique<CPUPanel>(m.env(), &m.defaults)); }},
        {"memory",
         [](Machine& m) { return opened(std::make_unique<MemoryPanel>(m.env(), &m.defaults)); }},
        {"disks",
         [](Machine& m) { return opened(std::make_unique<DisksPanel>(m.env(), &m.defaults)); }},
        {"gpu",
         [](Machine& m) { return opened(std::make_unique<GPUPanel>(m.env(), &m.defaults)); }},
        {"battery",
         [](Machine& m) {
             return opened(std::make_unique<BatteryPanel>(m.env(), &m.defaults,
                                                          [](platform::PowerProfileDone) {}));
         }},
        {"sensors",
         [](Machine& m) { return opened(std::make_unique<SensorsPanel>(m.env(), &m.defaults)); }},
        {"time", [](Machine& m) { return opened(std::make_unique<TimePanel>(m.env())); }},
        {"weather", [](Machine& m) { return opened(std::make_unique<WeatherPanel>(m.env())); }},
        {"astronomy", [](Machine& m) { return opened(std::make_unique<AstronomyPanel>(m.env())); }},
        {"overview",
         [](Machine& m) {
             auto panel = std::make_unique<CombinedPanel>(m.env());
             const SectionStack* sections = &panel->stack();
             return Open{std::move(panel), sections};
         }},
    };
    return cases;
}

} // namespace

TEST(PanelTicks, NothingIsMadeAnewWhenNothingShownChanged) {
    for (const PanelCase& c : panelCases()) {
        SCOPED_TRACE(c.name);
        Machine m;
        const Open open = c.open(m);
        // The weather request to a closed local port ends in an error a moment later, which is
        // a change shown; the panel is measured once it has.
        ASSERT_TRUE(test::waitUntil([&] { return !m.f.hub->weather.isLoading(); }));
        settle();
        const QSet<QWidget*> before = widgets(*open.panel);
        const std::vector<QWidget*> sections = open.sections->sections();
        const int builds = open.sections->builds();
        const int updates = open.sections->updates();
        ASSERT_FALSE(sections.empty());
        for (int tick = 0; tick < 3; ++tick)
            emit m.f.hub->changed();
        settle();
        EXPECT_EQ(open.sections->builds(), builds);
        EXPECT_EQ(open.sections->updates(), updates);
        EXPECT_EQ(open.sections->sections(), sections);
        EXPECT_EQ(widgets(*open.panel), before);
    }
}

TEST(PanelTicks, AChangedReadingUpdatesOnlyItsCardInPlace) {
    struct Case {
        const char* name;
        std::size_t panel; // in panelCases()
        std::function<void(Hub&)> change;
        std::function<void(const QWidget&)> check;
        int updated = 1; // cards showing the reading
    };
    const std::vector<Case> cases = {
        {"processor load average", 0,
         [](Hub& hub) {
             hub.cpu.loadAverage = {1.5, 1.25, 1};
         },
         [](const QWidget& panel) {
             bool found = false;
             for (const StatRow* row : panel.findChildren<StatRow*>())
                 found = found || (row->labelLine()->fullText() == "Load average" &&
                                   row->findChild<StatValue*>()->fullText() ==
                                       CPUPanel::loadAverageText({1.5, 1.25, 1}));
             EXPECT_TRUE(found);
         }},
        {"memory swap", 1, [](Hub& hub) { hub.memory.swapUsed += 1024.0 * 1024 * 1024; },
         [](const QWidget&) {}},
        {"battery charge in the header", 4, [](Hub& hub) { hub.battery.percent = 42; },
         [](const QWidget& panel) {
             EXPECT_EQ(panel.findChild<HeroValue*>()->content().value, "42");
         }},
        {"sensors temperature in the header and the processor group", 5,
         [](Hub& hub) { hub.sensors.sensors[0].value = 71; },
         [](const QWidget& panel) {
             EXPECT_EQ(panel.findChild<HeroValue*>()->content().value, "71");
         },
         2},
        {"time panel uptime", 6, [](Hub& hub) { hub.cpu.uptime += 3600; }, [](const QWidget&) {}},
        {"overview processor tile", 9,
         [](Hub& hub) {
             hub.cpu.user = 37;
             hub.cpu.system = 0;
         },
         [](const QWidget& panel) {
             auto* tile = panel.findChild<overview::OverviewTile*>("cpu");
             ASSERT_NE(tile, nullptr);
             EXPECT_EQ(tile->hero()->content().value, "37");
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Machine m;
        const Open open = panelCases()[c.panel].open(m);
        settle();
        const QSet<QWidget*> before = widgets(*open.panel);
        const std::vector<QWidget*> sections = open.sections->sections();
        const int builds = open.sections->builds();
        const int updates = open.sections->updates();
        c.change(*m.f.hub);
        emit m.f.hub->changed();
        settle();
        // The cards showing it took the new value in place; no widget was made or lost.
        EXPECT_EQ(open.sections->builds(), builds);
        EXPECT_EQ(open.sections->updates(), updates + c.updated);
        EXPECT_EQ(open.sections->sections(), sections);
        EXPECT_EQ(widgets(*open.panel), before);
        c.check(*open.panel);
    }
}

TEST(PanelTicks, ProcessFiguresChangeInPlaceAndANewListRemakesOnlyItsCard) {
    Machine m;
    const Open open = panelCases()[0].open(m);
    settle();
    const std::vector<QWidget*> sections = open.sections->sections();
    const std::vector<ProcessRow*> rows = open.panel->findChild<ProcessCard*>()->rows();
    ASSERT_EQ(rows.size(), 2u);
    const int builds = open.sections->builds();
    const int updates = open.sections->updates();

    // The same processes with new figures: the rows stay, with their hover and menus.
    m.f.hub->processes.processes[0].cpu = 55;
    emit m.f.hub->changed();
    settle();
    EXPECT_EQ(open.sections->builds(), builds);
    EXPECT_EQ(open.sections->updates(), updates + 1);
    EXPECT_EQ(open.panel->findChild<ProcessCard*>()->rows(), rows);
    EXPECT_EQ(rows[0]->process().cpu, 55);

    // Another process among the busiest: only the process card is made anew.
    m.f.hub->processes.processes.push_back({13, "newcomer", 90, 0, 0, 0});
    emit m.f.hub->changed();
    settle();
    EXPECT_EQ(open.sections->builds(), builds + 1);
    const std::vector<QWidget*> now = open.sections->sections();
    ASSERT_EQ(now.size(), sections.size());
    int replaced = 0;
    for (std::size_t i = 0; i < now.size(); ++i)
        replaced += now[i] != sections[i];
    EXPECT_EQ(replaced, 1);
    EXPECT_EQ(now.back(), open.panel->findChild<ProcessCard*>());
    EXPECT_EQ(open.panel->findChild<ProcessCard*>()->rows().front()->process().name, "newcomer");
}
