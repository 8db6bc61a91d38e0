#include "ui/kit/LineAreaGraph.h"
#include "ui/kit/MirroredGraph.h"
#include "ui/kit/SignalBars.h"
#include "ui/kit/UsageBars.h"

#include <gtest/gtest.h>
#include <limits>

using namespace morvanex::ui;

namespace {

const QSizeF area(119, 61); // capacity 120 gives one point per step; usable height 60

GraphSeries constant(double value, std::size_t count) {
    return GraphSeries{std::vector<double>(count, value), Tint::blue, 0.3, true};
}

std::vector<double> ys(const std::vector<QPointF>& points) {
    std::vector<double> out;
    for (const QPointF& p : points)
        out.push_back(p.y());
    return out;
}

TEST(LineAreaGraphGeometry, StackedSeriesDrawBandsOnEachOtherUnderOneScale) {
    LineAreaGraph graph;
    graph.stacked = true;
    graph.series = {constant(10, 5), constant(20, 5), constant(30, 5)};
    const LineAreaGeometry g = lineAreaGeometry(graph, area);

    EXPECT_DOUBLE_EQ(g.scaleTop, 60 * 1.15);
    ASSERT_EQ(g.series.size(), 3u);
    struct Band {
        double bottom;
        double top;
    };
    const Band bands[] = {{0, 10}, {10, 30}, {30, 60}};
    for (std::size_t s = 0; s < 3; ++s) {
        SCOPED_TRACE(s);
        for (std::size_t i = 0; i < 5; ++i) {
            EXPECT_NEAR(g.series[s].top[i].y(), 61 - 60 * bands[s].top / 69, 1e-9);
            EXPECT_NEAR(g.series[s].base[i].y(), 61 - 60 * bands[s].bottom / 69, 1e-9);
        }
    }
}

TEST(LineAreaGraphGeometry, VerticalPlacementOfTheScale) {
    struct Case {
        const char* name;
        std::optional<double> maxValue;
        std::vector<double> values;
        double expectedY; // of the last value
    };
    const Case cases[] = {
        // Above a fixed top: cut one point below the top edge.
        {"above the maximum", 100, {50, 130}, 1},
        // Without a maximum the largest value sits 15 % under the scale top.
        {"largest value", std::nullopt, {50, 130}, 61 - 60 / 1.15},
        {"negative on the bottom", 100, {50, -20}, 61},
        {"all zero on the bottom", std::nullopt, {0, 0, 0}, 61},
        {"not a number as zero", 100, {50, std::numeric_limits<double>::quiet_NaN()}, 61},
        {"infinity as zero", std::nullopt, {50, std::numeric_limits<double>::infinity()}, 61},
        // A NaN maximum is no maximum.
        {"NaN maximum", std::numeric_limits<double>::quiet_NaN(), {50, 130}, 61 - 60 / 1.15},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LineAreaGraph graph;
        graph.maxValue = c.maxValue;
        graph.series = {GraphSeries{c.values, Tint::blue, 0.3, true}};
        const LineAreaGeometry g = lineAreaGeometry(graph, area);
        ASSERT_EQ(g.series.size(), 1u);
        EXPECT_NEAR(g.series[0].top.back().y(), c.expectedY, 1e-9);
        for (const QPointF& p : g.series[0].top) {
            EXPECT_GE(p.y(), 0);
            EXPECT_LE(p.y(), 61);
        }
    }
}

TEST(LineAreaGraphGeometry, SeriesAlignAtTheRightEdgeAndGrowLeftwards) {
    LineAreaGraph graph;
    graph.capacity = 5;
    graph.maxValue = 100;
    graph.series = {GraphSeries{{10, 20, 30}, Tint::blue, 0.3, true},
                    GraphSeries{{1, 2, 3, 4, 5, 6, 7}, Tint::red, 0.3, true}};
    const LineAreaGeometry g = lineAreaGeometry(graph, QSizeF(100, 101));
    // n = min(7, 5): the shorter series gets two zeros in front, the longer its last five.
    ASSERT_EQ(g.series[0].top.size(), 5u);
    EXPECT_EQ(ys(g.series[0].top), (std::vector<double>{101, 101, 91, 81, 71}));
    EXPECT_EQ(ys(g.series[1].top), (std::vector<double>{98, 97, 96, 95, 94}));
    EXPECT_DOUBLE_EQ(g.series[0].top.front().x(), 0);
    EXPECT_DOUBLE_EQ(g.series[0].top.back().x(), 100);

    // Fewer values than slots: the curve starts part-way across, the last point on the edge.
    graph.capacity = 11;
    const LineAreaGeometry partial = lineAreaGeometry(graph, QSizeF(100, 101));
    EXPECT_DOUBLE_EQ(partial.series[1].top.front().x(), 40);
    EXPECT_DOUBLE_EQ(partial.series[1].top.back().x(), 100);
}

TEST(LineAreaGraphGeometry, NothingToPlotLeavesOnlyTheGrid) {
    LineAreaGraph graph;
    EXPECT_TRUE(lineAreaGeometry(graph, area).series.empty());
    graph.series = {GraphSeries{}, GraphSeries{}};
    LineAreaGeometry g = lineAreaGeometry(graph, area);
    EXPECT_TRUE(g.series.empty());
    EXPECT_EQ(g.gridYs, (std::vector<double>{61 * 0.25, 61 * 0.5, 61 * 0.75}));
    graph.gridlines = false;
    graph.capacity = 0;
    graph.series = {constant(5, 3)};
    g = lineAreaGeometry(graph, area);
    EXPECT_TRUE(g.series.empty());
    EXPECT_TRUE(g.gridYs.empty());
}

TEST(LineAreaGraphGeometry, SingleValueCollapsesOntoTheRightEdge) {
    LineAreaGraph graph;
    graph.series = {constant(42, 1)};
    const LineAreaGeometry g = lineAreaGeometry(graph, area);
    ASSERT_EQ(g.series[0].top.size(), 1u);
    EXPECT_DOUBLE_EQ(g.series[0].top[0].x(), 119);
}

TEST(MirroredGraphGeometry, HalvesShareOneScaleAboutTheCentre) {
    MirroredGraph graph;
    graph.capacity = 3;
    graph.up = {0, 2048, 4096};
    graph.down = {1000, 0};
    const MirroredGeometry g = mirroredGeometry(graph, QSizeF(100, 82));
    EXPECT_DOUBLE_EQ(g.mid, 41);
    EXPECT_DOUBLE_EQ(g.scaleTop, 4096 * 1.15);
    EXPECT_EQ(g.gridYs, (std::vector<double>{20.5, 61.5}));
    ASSERT_EQ(g.upLine.size(), 3u);
    ASSERT_EQ(g.downLine.size(), 3u);
    EXPECT_DOUBLE_EQ(g.x0, 0);
    // Upload rises above the centre line, download falls below it, zeros stay on it.
    EXPECT_DOUBLE_EQ(g.upLine[0].y(), 41);
    EXPECT_DOUBLE_EQ(g.upLine[2].y(), 41 - 40 / 1.15);
    EXPECT_DOUBLE_EQ(g.downLine[0].y(), 41); // the shorter list gets a zero in front
    EXPECT_DOUBLE_EQ(g.downLine[1].y(), 41 + 40 * 1000 / (4096 * 1.15));
    EXPECT_DOUBLE_EQ(g.downLine[2].y(), 41);
    for (const QPointF& p : g.upLine)
        EXPECT_LE(p.y(), 41);
    for (const QPointF& p : g.downLine)
        EXPECT_GE(p.y(), 41);
}

TEST(MirroredGraphGeometry, QuietRatesScaleAsIfThePeakWere1024) {
    MirroredGraph graph;
    graph.up = {512};
    graph.down = {512, 100};
    const MirroredGeometry g = mirroredGeometry(graph, QSizeF(119, 82));
    EXPECT_DOUBLE_EQ(g.scaleTop, 1177.6);
    EXPECT_NEAR(41 - g.upLine[1].y(), 40 * 512 / 1177.6, 1e-9); // about 43 % of the half
    EXPECT_DOUBLE_EQ(g.x0, 118);

    graph.up.clear();
    graph.down.clear();
    const MirroredGeometry empty = mirroredGeometry(graph, QSizeF(119, 82));
    EXPECT_TRUE(empty.upLine.empty());
    EXPECT_TRUE(empty.downLine.empty());
    EXPECT_EQ(empty.gridYs.size(), 2u); // the grid is always drawn
}

TEST(UsageBars, FillAndSegmentWidths) {
    EXPECT_DOUBLE_EQ(usageBarFillWidth(-0.2, 200), 0);
    EXPECT_DOUBLE_EQ(usageBarFillWidth(0.25, 200), 50);
    EXPECT_DOUBLE_EQ(usageBarFillWidth(1.7, 200), 200);
    EXPECT_DOUBLE_EQ(usageBarFillWidth(std::numeric_limits<double>::quiet_NaN(), 200), 0);

    const std::vector<QRectF> rects =
        segmentBarRects({{0.5, Tint::blue}, {0.25, Tint::orange}, {-0.1, Tint::red}}, 200, 8);
    ASSERT_EQ(rects.size(), 3u);
    EXPECT_EQ(rects[0], QRectF(0, 0, 98.5, 8));
    EXPECT_EQ(rects[1], QRectF(100, 0, 48.5, 8));
    EXPECT_EQ(rects[2], QRectF(150, 0, 0, 8)); // a negative share gets no width
    // Shares adding up to one leave only the last gap free.
    const std::vector<QRectF> full =
        segmentBarRects({{0.5, Tint::blue}, {0.5, Tint::orange}}, 200, 8);
    EXPECT_DOUBLE_EQ(full[1].right() + segmentBarGap, 200);
}

TEST(SignalBarsTable, LitBarsAndColourFollowTheSignal) {
    struct Case {
        int rssi;
        int lit;
        Tint color;
    };
    const Case cases[] = {
        {0, 4, Tint::green},   {-55, 4, Tint::green},  {-56, 3, Tint::green},
        {-67, 3, Tint::green}, {-68, 2, Tint::yellow}, {-75, 2, Tint::yellow},
        {-76, 1, Tint::red},   {-85, 1, Tint::red},    {-86, 0, Tint::red},
        {5, 0, Tint::red},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.rssi);
        EXPECT_EQ(SignalBars::litBars(c.rssi), c.lit);
        EXPECT_EQ(SignalBars::color(c.rssi), c.color);
    }
    const auto rects = signalBarRects();
    EXPECT_EQ(rects[0], QRectF(0, 8, 3, 4));
    EXPECT_NEAR(rects[3].height(), 12.1, 1e-9);
    EXPECT_DOUBLE_EQ(rects[3].left(), 15);
    EXPECT_DOUBLE_EQ(rects[3].bottom(), 12);
}

} // namespace
