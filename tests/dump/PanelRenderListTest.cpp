#include "dump/PanelRenderList.h"

#include <QSet>
#include <gtest/gtest.h>

using namespace morvanex;
using namespace morvanex::dump;
using ui::PreviewOverrides;

namespace {

using K = ModuleKind;
using O = OverviewItem;

struct Row {
    const char* name;
    ModuleKind kind;
    std::function<void(PreviewOverrides&)> overrides;
    SampleState install = SampleState::none;
};

const auto none = [](PreviewOverrides&) {};

PreviewOverrides expected(const Row& row) {
    PreviewOverrides o;
    row.overrides(o);
    return o;
}

TEST(PanelRenderList, FollowsTheTableInOrder) {
    const std::int32_t pid = 4242;
    const Row rows[] = {
        {"combined", K::combined, none},
        {"cpu", K::cpu, none},
        {"gpu", K::gpu, none},
        {"memory", K::memory, none},
        {"disks", K::disks, none},
        {"network", K::network, none},
        {"sensors", K::sensors, none},
        {"battery", K::battery, none},
        {"weather", K::weather, none},
        {"astronomy", K::astronomy, none},
        {"time", K::time, none},
        {"sensors-detailed", K::sensors, [](auto& o) { o.sensorMode = SensorMode::detailed; }},
        {"sensors-simple", K::sensors, [](auto& o) { o.sensorMode = SensorMode::simple; }},
        {"battery-apps", K::battery, [](auto& o) { o.batteryTab = 1; }},
        {"battery-expanded", K::battery, [](auto& o) { o.expandDisclosures = true; }},
        {"network-expanded", K::network, [](auto& o) { o.expandDisclosures = true; }},
        {"combined-detail-cpu", K::combined, [](auto& o) { o.overviewDetail = K::cpu; }},
        {"combined-devices", K::combined, none, SampleState::devices},
        {"combined-device-detail", K::combined, [](auto& o) { o.overviewDevice = "preview-1"; }},
        {"combined-keepawake", K::combined, none, SampleState::keepAwake},
        {"network-speedtest", K::network,
         [](auto& o) {
             o.expandDisclosures = true;
             o.speedTestCard = true;
         },
         SampleState::speedTest},
        {"cpu-history-hour", K::cpu, [](auto& o) { o.historyRange = HistoryRange::hour; }},
        {"cpu-history-day", K::cpu, [](auto& o) { o.historyRange = HistoryRange::day; }},
        {"cpu-history-week", K::cpu, [](auto& o) { o.historyRange = HistoryRange::week; }},
        {"cpu-history-month", K::cpu, [](auto& o) { o.historyRange = HistoryRange::month; }},
        {"network-history-day", K::network, [](auto& o) { o.historyRange = HistoryRange::day; }},
        {"sensors-history-day", K::sensors,
         [](auto& o) {
             o.historyRange = HistoryRange::day;
             o.sensorMode = SensorMode::simple;
         }},
        {"combined-insight", K::combined, none, SampleState::insight},
        {"combined-reordered", K::combined,
         [](auto& o) {
             o.overviewHidden = std::vector{O::devices, O::keepAwake, O::gpu};
             o.overviewOrder =
                 std::vector{O::weather, O::worldClocks, O::sensors, O::battery, O::insight,
                             O::cpu,     O::memory,      O::network, O::disk};
         }},
        {"time-noaccess", K::time, none},
        {"time-events", K::time, none, SampleState::events},
        {"combined-nextevent", K::combined,
         [](auto& o) {
             o.overviewHidden =
                 std::vector{O::devices, O::keepAwake, O::gpu, O::weather, O::worldClocks};
             o.overviewOrder = std::vector{O::nextEvent, O::insight, O::cpu,     O::memory,
                                           O::network,   O::disk,    O::sensors, O::battery};
         }},
        {"combined-trimmed", K::combined,
         [](auto& o) {
             o.overviewHidden = std::vector{O::gpu, O::keepAwake, O::devices};
         }},
        {"combined-insight-cpu", K::combined,
         [pid](auto& o) {
             o.overviewDetail = K::cpu;
             o.highlightedProcess = pid;
         }},
    };

    const std::vector<PanelRenderEntry> list = panelRenderList(pid);
    ASSERT_EQ(list.size(), std::size(rows));
    QSet<QString> names;
    for (std::size_t i = 0; i < list.size(); ++i) {
        const Row& row = rows[i];
        SCOPED_TRACE(row.name);
        EXPECT_EQ(list[i].name, QString::fromLatin1(row.name));
        EXPECT_EQ(list[i].kind, row.kind);
        EXPECT_TRUE(list[i].overrides == expected(row));
        EXPECT_EQ(list[i].install, row.install);
        // The render marks each panel as a preview itself; the list leaves the flag alone.
        EXPECT_FALSE(list[i].overrides.isPreview);
        names.insert(list[i].name);
    }
    EXPECT_EQ(names.size(), 34) << "every file name is its own";
}

TEST(PanelRenderList, WithoutAnInsightProcessNothingIsMarked) {
    const std::vector<PanelRenderEntry> list = panelRenderList(std::nullopt);
    ASSERT_EQ(list.size(), 34u);
    EXPECT_EQ(list.back().name, "combined-insight-cpu");
    EXPECT_EQ(list.back().overrides.overviewDetail, K::cpu);
    EXPECT_FALSE(list.back().overrides.highlightedProcess.has_value());
}

} // namespace
