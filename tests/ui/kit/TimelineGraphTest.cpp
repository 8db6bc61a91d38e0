#include "ui/kit/TimelineGraph.h"

#include <QLocale>
#include <gtest/gtest.h>

using namespace morvanex;
using namespace morvanex::ui;

namespace {

const std::optional<double> none;
const double now = 1'800'000'000; // Friday 2027-01-15 08:00 UTC (tests run in UTC, C locale)

StoredLine line(HistoryMetric metric, const char* label) {
    return StoredLine{metric, QString::fromLatin1(label), Tint::blue, 0.3, true};
}

QString percent(double v) {
    return QString::number(v) + QLatin1Char('%');
}

TEST(TimelineSegments, BreakAtAbsentValuesAndWideGaps) {
    struct Case {
        const char* name;
        std::vector<double> times;
        PlottedValues values;
        Segments expected;
    };
    const Case cases[] = {
        {"exactly 2.5 buckets stays together", {0, 150}, {1, 2}, {{0, 1}}},
        {"just over 2.5 buckets breaks", {0, 151}, {1, 2}, {{0}, {1}}},
        {"an absent value splits", {0, 60, 120, 180}, {1, none, 3, 4}, {{0}, {2, 3}}},
        {"a lone sample is a run of one", {0, 60, 120}, {none, 5, none}, {{1}}},
        {"all absent", {0, 60}, {none, none}, {}},
        {"values shorter than times", {0, 60, 120}, {1, 2}, {{0, 1}}},
        {"the gap counts from the last present sample", {0, 60, 300}, {1, none, 2}, {{0}, {2}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(TimelineGraph::segments(c.times, c.values, 60), c.expected);
    }
}

TimelineGraph hovering(double hoverX) {
    TimelineGraph graph;
    graph.series = HistorySeries{{0, 100, 200}, {{HistoryMetric::cpuUser, {1, 2, 3}}}, 10};
    graph.hoverX = hoverX;
    return graph;
}

TEST(TimelineHoverIndex, NearestSampleWithinTwoAndAHalfBuckets) {
    struct Case {
        const char* name;
        double hoverX; // the view is 300 wide and shows 0...300 s
        std::optional<std::size_t> expected;
    };
    const Case cases[] = {
        {"on a sample", 100, 1},
        {"nearer the later sample", 196, 2},
        {"exactly 2.5 buckets away", 125, 1},
        {"more than 2.5 buckets away", 126, std::nullopt},
        {"after the last sample, within reach", 225, 2},
        {"after the last sample, out of reach", 260, std::nullopt},
        {"before the first sample", -20, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(hovering(c.hoverX).hoverIndex(300, 0, 300), c.expected);
    }
    // Halfway between two samples the earlier one wins.
    TimelineGraph tie = hovering(50);
    tie.series->bucket = 30;
    EXPECT_EQ(tie.hoverIndex(300, 0, 300), 0u);

    TimelineGraph away = hovering(100);
    away.hoverX.reset();
    EXPECT_EQ(away.hoverIndex(300, 0, 300), std::nullopt);
    EXPECT_EQ(hovering(100).hoverIndex(0, 0, 300), std::nullopt);
    TimelineGraph loading = hovering(100);
    loading.series.reset();
    EXPECT_EQ(loading.hoverIndex(300, 0, 300), std::nullopt);
    TimelineGraph empty = hovering(100);
    empty.series = HistorySeries{{}, {}, 10};
    EXPECT_EQ(empty.hoverIndex(300, 0, 300), std::nullopt);
}

// Texts in a chosen locale; the test's own is restored afterwards.
class LocaleGuard {
public:
    explicit LocaleGuard(const char* name) { QLocale::setDefault(QLocale(QLatin1String(name))); }
    ~LocaleGuard() { QLocale::setDefault(saved_); }

private:
    QLocale saved_;
};

TEST(TimelineHoverText, TimeThenEachLinesOwnValue) {
    const LocaleGuard guard("en_US");
    HistorySeries series{
        {now - 600, now - 300},
        {{HistoryMetric::cpuUser, {10, 12.5}}, {HistoryMetric::cpuSystem, {5, none}}},
        300};
    TimelineGraph one;
    one.range = HistoryRange::day;
    one.lines = {line(HistoryMetric::cpuUser, "User")};
    one.format = percent;
    EXPECT_EQ(one.hoverText(series, 1), QStringLiteral("7:55 AM · 12.5%"));

    TimelineGraph two = one;
    two.stacked = true; // the text shows the lines' own values, not their sums
    two.lines.push_back(line(HistoryMetric::cpuSystem, "System"));
    EXPECT_EQ(two.hoverText(series, 0), QStringLiteral("7:50 AM · User 10% · System 5%"));
    EXPECT_EQ(two.hoverText(series, 1), QStringLiteral("7:55 AM · User 12.5%"));

    two.range = HistoryRange::week;
    EXPECT_EQ(two.hoverText(series, 0), QStringLiteral("Fri 7:50 AM · User 10% · System 5%"));

    HistorySeries blank{{now}, {{HistoryMetric::cpuUser, {none}}}, 10};
    one.range = HistoryRange::hour;
    EXPECT_EQ(one.hoverText(blank, 0), QStringLiteral("8:00 AM"));
}

TEST(TimelineHoverText, TimeFollowsTheLocale) {
    const LocaleGuard guard("de_DE");
    EXPECT_EQ(hoverTimeText(now - 300, HistoryRange::day), QStringLiteral("07:55"));
}

TEST(TimelineHoverText, TimeThatIsNoDateReadsAsDash) {
    EXPECT_EQ(hoverTimeText(std::numeric_limits<double>::quiet_NaN(), HistoryRange::hour),
              QStringLiteral("—"));
    EXPECT_EQ(hoverTimeText(1e300, HistoryRange::month), QStringLiteral("—"));
}

TEST(TimelinePlotted, StackingAddsTheLinesBelowWhereTheLineHasAValue) {
    TimelineGraph graph;
    graph.lines = {line(HistoryMetric::cpuUser, "A"), line(HistoryMetric::cpuSystem, "B")};
    EXPECT_EQ(graph.plotted(), (std::vector<PlottedValues>{{}, {}})); // still loading
    graph.series = HistorySeries{
        {0, 10, 20},
        {{HistoryMetric::cpuUser, {1, none, 3}}, {HistoryMetric::cpuSystem, {10, 20, none}}},
        10};
    EXPECT_EQ(graph.plotted()[1], (PlottedValues{10, 20, none}));
    graph.stacked = true;
    EXPECT_EQ(graph.plotted()[1], (PlottedValues{11, 20, none}));
    // A metric the series lacks plots nothing.
    graph.lines.push_back(line(HistoryMetric::gpu, "C"));
    EXPECT_EQ(graph.plotted()[2], PlottedValues{});
}

TEST(TimelineScale, TopFollowsTheDataOrTheGivenMaximum) {
    TimelineGraph graph;
    EXPECT_DOUBLE_EQ(graph.scaleTop({{40, none, 12}}), 46);
    EXPECT_DOUBLE_EQ(graph.scaleTop({{none, none}}), 0.0001);
    EXPECT_DOUBLE_EQ(graph.scaleTop({{-5}}), 0.0001);
    graph.maxValue = 100;
    EXPECT_DOUBLE_EQ(graph.scaleTop({{250}}), 100);
    graph.maxValue = 0;
    EXPECT_DOUBLE_EQ(graph.scaleTop({{250}}), 0.0001); // the floor holds for a maximum too
}

TEST(TimelineGeometry, AreasBreakAndClampAtTheEdges) {
    TimelineGraph graph;
    graph.range = HistoryRange::hour;
    graph.maxValue = 100;
    graph.lines = {line(HistoryMetric::cpuUser, "A")};
    graph.series = HistorySeries{{now - 3600, now - 1800, now - 1790, now},
                                 {{HistoryMetric::cpuUser, {250, none, -3, 50}}},
                                 1000};
    const TimelineGeometry g = timelineGeometry(graph, QSizeF(360, 101), now);
    EXPECT_EQ(g.overlay, TimelineOverlay::none);
    ASSERT_EQ(g.areas.size(), 2u);
    EXPECT_EQ(g.areas[0].top, (std::vector<QPointF>{{0, 1}})); // above the top: on its line
    ASSERT_EQ(g.areas[1].top.size(), 2u);
    EXPECT_EQ(g.areas[1].top[0], QPointF(181, 101)); // negative: on the bottom edge
    EXPECT_EQ(g.areas[1].top[1], QPointF(360, 51));
    EXPECT_EQ(g.areas[1].base, (std::vector<QPointF>{{360, 101}, {181, 101}}));
}

TEST(TimelineGeometry, StackedLineClosesAlongTheLineBelow) {
    TimelineGraph graph;
    graph.range = HistoryRange::hour;
    graph.maxValue = 100;
    graph.stacked = true;
    graph.lines = {line(HistoryMetric::cpuUser, "A"), line(HistoryMetric::cpuSystem, "B")};
    graph.series = HistorySeries{
        {now - 20, now - 10, now},
        {{HistoryMetric::cpuUser, {10, 20, none}}, {HistoryMetric::cpuSystem, {5, none, 30}}},
        10};
    const TimelineGeometry g = timelineGeometry(graph, QSizeF(360, 101), now);
    // A: one run of two; B: a run at the first sample (gap in B only) and one at the last.
    ASSERT_EQ(g.areas.size(), 3u);
    EXPECT_DOUBLE_EQ(g.areas[1].top[0].y(), 101 - 15);
    EXPECT_DOUBLE_EQ(g.areas[1].base[0].y(), 101 - 10);
    // Where A has no value B stands on the bottom edge.
    EXPECT_DOUBLE_EQ(g.areas[2].top[0].y(), 101 - 30);
    EXPECT_DOUBLE_EQ(g.areas[2].base[0].y(), 101);
}

TEST(TimelineGeometry, OverlayFollowsLoadingEmptyAndHover) {
    TimelineGraph graph;
    graph.range = HistoryRange::hour;
    graph.lines = {line(HistoryMetric::cpuUser, "A")};
    graph.hoverX = 359;
    EXPECT_EQ(timelineGeometry(graph, QSizeF(360, 80), now).overlay, TimelineOverlay::loading);
    graph.series = HistorySeries{{}, {{HistoryMetric::cpuUser, {}}}, 10};
    EXPECT_EQ(timelineGeometry(graph, QSizeF(360, 80), now).overlay, TimelineOverlay::empty);

    graph.series = HistorySeries{{now - 3600, now - 10}, {{HistoryMetric::cpuUser, {1, 2}}}, 10};
    TimelineGeometry right = timelineGeometry(graph, QSizeF(360, 80), now);
    EXPECT_EQ(right.overlay, TimelineOverlay::hover);
    EXPECT_EQ(right.hoverIndex, 1u);
    EXPECT_DOUBLE_EQ(*right.markerX, 359);
    EXPECT_TRUE(right.labelAtLeading); // away from the pointer

    graph.hoverX = 180; // exactly the middle: the label goes right
    graph.series->times = {now - 1800, now - 10};
    const TimelineGeometry middle = timelineGeometry(graph, QSizeF(360, 80), now);
    EXPECT_EQ(middle.hoverIndex, 0u);
    EXPECT_FALSE(middle.labelAtLeading);

    graph.hoverX = 90; // far from every sample: neither marker nor label
    const TimelineGeometry away = timelineGeometry(graph, QSizeF(360, 80), now);
    EXPECT_EQ(away.overlay, TimelineOverlay::none);
    EXPECT_FALSE(away.markerX);
}

} // namespace
