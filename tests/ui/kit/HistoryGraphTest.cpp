#include "ui/kit/HistoryGraph.h"

#include "history/HistoryStore.h"
#include "support/HubFixture.h"
#include "support/TestEnv.h"
#include "support/Wait.h"
#include "ui/kit/HistoryRangeText.h"
#include "ui/kit/LiveGraphs.h"
#include "ui/kit/PanelDefaults.h"
#include "ui/kit/RangeSwitch.h"
#include "ui/kit/TimelineGraphView.h"

#include <QCoreApplication>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>

using namespace morvanex;
using namespace morvanex::ui;

namespace {

class HistoryGraphTest : public testing::Test {
protected:
    // A history file of the test's own, on the fixture's clock, with half an hour of samples.
    void openStore() {
        HistoryStore::Options options;
        options.clock.now = [this] { return f.now; };
        options.flushInterval = std::chrono::hours(1); // the loads write what is pending
        f.hub->history = HistoryStore::open(test::scratchDir() + QStringLiteral("/graphs.sqlite"),
                                            false, options);
        ASSERT_NE(f.hub->history, nullptr);
        for (int i = 0; i < 180; ++i)
            f.hub->history->record({{HistoryMetric::cpuUser, 10.0 + i % 30}},
                                   f.now.addSecs(-1800 + i * 10));
    }

    PanelEnv env() const {
        PanelEnv e;
        e.hub = f.hub.get();
        e.appearance = Appearance::dark;
        return e;
    }

    std::unique_ptr<HistoryGraph> graph(PanelEnv e) {
        Hub& hub = *f.hub;
        auto g = std::make_unique<HistoryGraph>(
            std::move(e),
            std::vector<StoredLine>{{HistoryMetric::cpuUser, "User", Tint::blue, 0.3, true}}, 100.0,
            false, 60, [](double v) { return QString::number(v); },
            [&hub](QWidget* parent) {
                return liveLineAreaGraph(
                    hub,
                    [](const Hub& h) {
                        LineAreaGraph live;
                        live.series = {
                            GraphSeries{h.cpu.totalHistory.values, Tint::blue, 0.3, true}};
                        live.maxValue = 100;
                        return live;
                    },
                    Appearance::dark, parent);
            },
            defaults);
        g->resize(320, g->sizeHint().height());
        return g;
    }

    // Every series a graph shows, in order; absent ones as a bucket of -1.
    static std::shared_ptr<std::vector<double>> shownBuckets(HistoryGraph& g) {
        auto buckets = std::make_shared<std::vector<double>>();
        QObject::connect(&g, &HistoryGraph::seriesChanged, &g, [&g, buckets] {
            buckets->push_back(g.series() ? g.series()->bucket : -1);
        });
        return buckets;
    }

    test::HubFixture f;
    PanelDefaults defaults{platform::UserDefaults::inMemory()};
};

TEST_F(HistoryGraphTest, ChipClickStoresTheRangeAndEveryGraphFollows) {
    auto first = graph(env());
    auto second = graph(env());
    first->show();
    second->show();
    ASSERT_EQ(first->range(), HistoryRange::live);

    QTest::mouseClick(first->rangeSwitch()->chip(HistoryRange::week), Qt::LeftButton);

    EXPECT_EQ(defaults.stringValue(historyRangeKey), QStringLiteral("week"));
    for (HistoryGraph* g : {first.get(), second.get()}) {
        EXPECT_EQ(g->range(), HistoryRange::week);
        EXPECT_TRUE(g->rangeSwitch()->chip(HistoryRange::week)->isChecked());
        EXPECT_FALSE(g->rangeSwitch()->chip(HistoryRange::live)->isChecked());
        // Without a history store every range shows the live view.
        EXPECT_TRUE(g->showsLive());
        EXPECT_TRUE(g->liveView()->isVisible());
    }
}

TEST_F(HistoryGraphTest, LiveViewFollowsTheMonitorsRecentValues) {
    auto g = graph(env());
    g->show();
    auto* live = dynamic_cast<LineAreaGraphView*>(g->liveView());
    ASSERT_NE(live, nullptr);
    f.hub->cpu.totalHistory.add(42);
    emit f.hub->changed();
    EXPECT_EQ(live->graph().series.at(0).values, std::vector<double>{42});
    EXPECT_FALSE(g->timeline()->isVisible());
}

TEST_F(HistoryGraphTest, SwitchingToARecordedRangeLoadsThenKeepsReloading) {
    openStore();
    auto g = graph(env());
    g->show();
    auto buckets = shownBuckets(*g);
    EXPECT_TRUE(g->showsLive());
    EXPECT_FALSE(g->reloadScheduled()); // the live range asks no load

    storeHistoryRange(defaults, HistoryRange::hour);
    EXPECT_FALSE(g->series()); // loading
    EXPECT_TRUE(g->timeline()->isVisible());
    EXPECT_FALSE(g->liveView()->isVisible());
    ASSERT_TRUE(test::waitUntil([&] { return g->series().has_value(); }));
    EXPECT_EQ(g->series()->bucket, 10);
    EXPECT_EQ(g->series()->times.size(), 180u);
    EXPECT_TRUE(g->reloadScheduled());

    // Between two recorded ranges the series is cleared first, so the indicator shows again.
    storeHistoryRange(defaults, HistoryRange::day);
    EXPECT_FALSE(g->series());
    ASSERT_TRUE(test::waitUntil([&] { return g->series().has_value(); }));
    EXPECT_EQ(*buckets, (std::vector<double>{-1, 10, -1, 300}));

    // Hidden, the graph stops reloading.
    g->hide();
    EXPECT_FALSE(g->reloadScheduled());
}

TEST_F(HistoryGraphTest, LateAnswerForARangeNoLongerShownIsDropped) {
    openStore();
    storeHistoryRange(defaults, HistoryRange::hour);
    auto g = graph(env());
    auto buckets = shownBuckets(*g);
    g->show(); // asks for the hour; its answer cannot arrive before the events run
    storeHistoryRange(defaults, HistoryRange::week);

    ASSERT_TRUE(test::waitUntil([&] { return g->series().has_value(); }));
    // The store answers in order, so the hour's answer came first and was not shown.
    QCoreApplication::processEvents();
    EXPECT_EQ(*buckets, (std::vector<double>{-1, -1, 1800}));
    EXPECT_EQ(g->series()->bucket, 1800);
}

TEST_F(HistoryGraphTest, AnswerArrivingAfterTheGraphWasHiddenIsDropped) {
    openStore();
    storeHistoryRange(defaults, HistoryRange::hour);
    auto g = graph(env());
    g->show();
    g->hide();
    // A load of our own queued behind the graph's: once it is answered, so is the graph's.
    bool answered = false;
    f.hub->history->load({HistoryMetric::cpuUser}, HistoryRange::hour,
                         [&answered](const HistorySeries&) { answered = true; });
    ASSERT_TRUE(test::waitUntil([&] { return answered; }));
    EXPECT_FALSE(g->series());
    EXPECT_FALSE(g->reloadScheduled());
}

TEST_F(HistoryGraphTest, RenderReadsItsForcedRangeAtOnce) {
    openStore();
    PanelEnv e = env();
    e.previewOverrides.isPreview = true;
    e.previewOverrides.historyRange = HistoryRange::day;
    auto g = graph(e);
    // Already at the first build, without being shown.
    ASSERT_TRUE(g->series());
    EXPECT_EQ(g->series()->bucket, 300);
    EXPECT_EQ(g->range(), HistoryRange::day);
    EXPECT_TRUE(g->rangeSwitch()->chip(HistoryRange::day)->isChecked());
    EXPECT_FALSE(g->showsLive());

    // A click still stores the choice, but the forced range stays.
    g->show();
    QTest::mouseClick(g->rangeSwitch()->chip(HistoryRange::week), Qt::LeftButton);
    EXPECT_EQ(storedHistoryRange(defaults), HistoryRange::week);
    EXPECT_EQ(g->range(), HistoryRange::day);
    EXPECT_TRUE(g->rangeSwitch()->chip(HistoryRange::day)->isChecked());
    EXPECT_FALSE(g->rangeSwitch()->chip(HistoryRange::week)->isChecked());
}

TEST_F(HistoryGraphTest, DefaultOverridesChangeNothing) {
    openStore();
    storeHistoryRange(defaults, HistoryRange::hour);
    PanelEnv e = env();
    e.previewOverrides = PreviewOverrides{};
    auto g = graph(e);
    EXPECT_EQ(g->range(), HistoryRange::hour);
    EXPECT_FALSE(g->series()); // nothing read before it is shown
    g->show();
    ASSERT_TRUE(test::waitUntil([&] { return g->series().has_value(); }));
}

TEST_F(HistoryGraphTest, PointerOverTheTimelineMarksTheNearestSample) {
    openStore();
    storeHistoryRange(defaults, HistoryRange::hour);
    auto g = graph(env());
    g->show();
    ASSERT_TRUE(test::waitUntil([&] { return g->series().has_value(); }));
    TimelineGraphView* timeline = g->timeline();
    const int x = timeline->width() - 2;
    QTest::mouseMove(timeline, QPoint(x, 10));
    const TimelineGeometry hovered = timeline->geometry();
    EXPECT_EQ(hovered.overlay, TimelineOverlay::hover);
    EXPECT_TRUE(hovered.labelAtLeading);
    // The sample 20 seconds before now is nearest to two points left of the edge.
    const double now = double(f.now.toSecsSinceEpoch());
    EXPECT_EQ(hovered.hoverText,
              hoverTimeText(now - 20, HistoryRange::hour) + QStringLiteral(" · 38"));

    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(timeline, &leave);
    EXPECT_EQ(timeline->geometry().overlay, TimelineOverlay::none);
}

} // namespace
