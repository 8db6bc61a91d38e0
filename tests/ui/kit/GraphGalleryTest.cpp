#include "base/Fmt.h"
#include "history/HistoryStore.h"
#include "support/HubFixture.h"
#include "support/TestEnv.h"
#include "ui/kit/GraphPaint.h"
#include "ui/kit/HistoryGraph.h"
#include "ui/kit/LineAreaGraph.h"
#include "ui/kit/MirroredGraph.h"
#include "ui/kit/PanelDefaults.h"
#include "ui/kit/RangeSwitch.h"
#include "ui/kit/SignalBars.h"
#include "ui/kit/TimelineGraphView.h"
#include "ui/kit/UsageBars.h"

#include <QDir>
#include <QImage>
#include <QPainter>
#include <cmath>
#include <gtest/gtest.h>

using namespace morvanex;
using namespace morvanex::ui;

namespace {

const double now = 1'800'000'000;
constexpr double margin = 12;
constexpr double width = 300;

std::vector<double> wave(int count, double base, double swing, double period) {
    std::vector<double> out;
    for (int i = 0; i < count; ++i)
        out.push_back(base + swing * std::sin(i / period) + swing * 0.3 * std::sin(i * 1.7));
    return out;
}

// A series for `range`, one point per bucket over the last `points`, with a stretch missing.
HistorySeries recorded(double bucket, int points) {
    HistorySeries series;
    series.bucket = bucket;
    for (int i = 0; i < points; ++i) {
        series.times.push_back(now - bucket * (points - i));
        const bool missing = i > points / 3 && i < points / 3 + points / 10;
        series.values[HistoryMetric::cpuUser].push_back(
            missing ? std::nullopt : std::optional<double>(20 + 12 * std::sin(i / 9.0)));
        series.values[HistoryMetric::cpuSystem].push_back(
            missing ? std::nullopt : std::optional<double>(8 + 4 * std::cos(i / 5.0)));
    }
    return series;
}

QString percent(double v) {
    return Fmt::percent(v);
}

TimelineGraph timeline(std::optional<HistorySeries> series, HistoryRange range, bool stacked) {
    TimelineGraph graph;
    graph.series = std::move(series);
    graph.range = range;
    graph.stacked = stacked;
    graph.height = 70;
    graph.maxValue = stacked ? std::optional<double>(100) : std::nullopt;
    graph.format = percent;
    graph.lines = {{HistoryMetric::cpuUser, QStringLiteral("User"), Tint::blue, 0.35, true}};
    if (stacked)
        graph.lines.push_back(
            {HistoryMetric::cpuSystem, QStringLiteral("System"), Tint::red, 0.35, true});
    return graph;
}

struct Drawing {
    const char* name;
    double height;
    std::function<void(QPainter&, const QRectF&, Appearance)> paint;
};

std::vector<Drawing> drawings() {
    std::vector<Drawing> out;
    out.push_back({"usage-bars", 30, [](QPainter& p, const QRectF& r, Appearance a) {
                       drawUsageBar(p, QRectF(r.left(), r.top(), r.width(), 3),
                                    UsageBar{0.62, Tint::blue, 3}, a);
                       drawUsageBar(p, QRectF(r.left(), r.top() + 10, r.width(), 6),
                                    UsageBar{1.7, Tint::green, 6}, a);
                       drawUsageBar(p, QRectF(r.left(), r.top() + 22, r.width(), 6),
                                    UsageBar{-0.2, Tint::red, 6}, a);
                   }});
    out.push_back({"segment-bar", 10, [](QPainter& p, const QRectF& r, Appearance a) {
                       drawSegmentBar(p, QRectF(r.left(), r.top(), r.width(), 10),
                                      SegmentBar{{{0.35, Tint::blue},
                                                  {0.2, Tint::orange},
                                                  {0.15, Tint::purple},
                                                  {-0.1, Tint::red}},
                                                 10},
                                      a);
                   }});
    out.push_back({"signal-bars", 14, [](QPainter& p, const QRectF& r, Appearance a) {
                       double x = r.left();
                       for (int rssi : {-50, -60, -70, -80, -90}) {
                           drawSignalBars(p, QPointF(x, r.top() + 1), SignalBars{rssi}, a);
                           x += 40;
                       }
                   }});
    out.push_back({"line-area", 50, [](QPainter& p, const QRectF& r, Appearance a) {
                       LineAreaGraph graph;
                       graph.height = 50;
                       graph.maxValue = 100;
                       graph.series = {GraphSeries{wave(90, 40, 25, 8), Tint::blue, 0.3, true}};
                       drawLineAreaGraph(p, r, graph, a);
                   }});
    out.push_back({"line-area-stacked", 50, [](QPainter& p, const QRectF& r, Appearance a) {
                       LineAreaGraph graph;
                       graph.height = 50;
                       graph.stacked = true;
                       graph.series = {GraphSeries{wave(120, 20, 8, 6), Tint::blue, 0.5, false},
                                       GraphSeries{wave(120, 12, 5, 9), Tint::red, 0.5, false},
                                       GraphSeries{wave(100, 6, 3, 4), Tint::green, 0.5, true}};
                       drawLineAreaGraph(p, r, graph, a);
                   }});
    out.push_back({"mirrored", 50, [](QPainter& p, const QRectF& r, Appearance a) {
                       MirroredGraph graph;
                       graph.height = 50;
                       graph.up = wave(120, 40000, 30000, 7);
                       graph.down = wave(120, 90000, 60000, 11);
                       drawMirroredGraph(p, r, graph, a);
                   }});
    out.push_back({"timeline-loading", 70, [](QPainter& p, const QRectF& r, Appearance a) {
                       drawTimelineGraph(p, r, timeline(std::nullopt, HistoryRange::hour, false), a,
                                         now, 2);
                   }});
    out.push_back({"timeline-empty", 70, [](QPainter& p, const QRectF& r, Appearance a) {
                       drawTimelineGraph(
                           p, r, timeline(HistorySeries{{}, {}, 10}, HistoryRange::hour, false), a,
                           now);
                   }});
    out.push_back({"timeline-empty-narrow", 70, [](QPainter& p, const QRectF& r, Appearance a) {
                       drawTimelineGraph(
                           p, QRectF(r.left(), r.top(), 200, r.height()),
                           timeline(HistorySeries{{}, {}, 10}, HistoryRange::day, false), a, now);
                   }});
    out.push_back({"timeline-hour-hover", 70, [](QPainter& p, const QRectF& r, Appearance a) {
                       TimelineGraph graph = timeline(recorded(10, 300), HistoryRange::hour, false);
                       graph.hoverX = r.width() * 0.8;
                       drawTimelineGraph(p, r, graph, a, now);
                   }});
    out.push_back(
        {"timeline-week-stacked-hover", 70, [](QPainter& p, const QRectF& r, Appearance a) {
             TimelineGraph graph = timeline(recorded(1800, 336), HistoryRange::week, true);
             graph.hoverX = r.width() * 0.2;
             drawTimelineGraph(p, r, graph, a, now);
         }});
    return out;
}

QImage canvas(double height, Appearance appearance) {
    QImage image(QSize(int(width + 2 * margin) * 2, int(height + 2 * margin) * 2),
                 QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(2);
    image.fill(color(Tint::cardBackground, appearance));
    return image;
}

// Pixels that differ from the background: something was drawn.
int drawnPixels(const QImage& image, Appearance appearance) {
    const QRgb background = color(Tint::cardBackground, appearance).rgba();
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (image.pixel(x, y) != background)
                ++count;
        }
    }
    return count;
}

class GraphGallery : public testing::Test {
protected:
    void save(const QImage& image, const QString& name, Appearance appearance) {
        const QString file = name + (appearance == Appearance::dark ? QStringLiteral("-dark.png")
                                                                    : QStringLiteral("-light.png"));
        QStringList folders{test::scratchDir() + QStringLiteral("/gallery")};
        // Set to look at the drawings outside the test's own folder.
        const QString extra = qEnvironmentVariable("MORVANEX_TEST_GALLERY");
        if (!extra.isEmpty())
            folders << extra;
        for (const QString& folder : folders) {
            ASSERT_TRUE(QDir().mkpath(folder));
            EXPECT_TRUE(image.save(folder + QLatin1Char('/') + file)) << file.toStdString();
        }
        EXPECT_GT(drawnPixels(image, appearance), 100) << file.toStdString();
    }
};

TEST_F(GraphGallery, EachGraphDrawsInBothAppearances) {
    for (Appearance appearance : {Appearance::light, Appearance::dark}) {
        for (const Drawing& drawing : drawings()) {
            QImage image = canvas(drawing.height, appearance);
            {
                QPainter painter(&image);
                drawing.paint(painter, QRectF(margin, margin, width, drawing.height), appearance);
            }
            save(image, QString::fromLatin1(drawing.name), appearance);
        }
    }
}

TEST_F(GraphGallery, HistoryGraphsInBothAppearances) {
    test::HubFixture f;
    HistoryStore::Options options;
    options.clock.now = [&f] { return f.now; };
    options.flushInterval = std::chrono::hours(1);
    f.hub->history =
        HistoryStore::open(test::scratchDir() + QStringLiteral("/gallery.sqlite"), false, options);
    ASSERT_NE(f.hub->history, nullptr);
    for (int i = 0; i < 300; ++i) {
        const double phase = i / 15.0;
        f.hub->history->record({{HistoryMetric::cpuUser, 25 + 15 * std::sin(phase)},
                                {HistoryMetric::cpuSystem, 10 + 5 * std::cos(phase * 2)}},
                               f.now.addSecs(-3000 + i * 10));
    }
    for (int i = 0; i < 120; ++i)
        f.hub->cpu.totalHistory.add(35 + 20 * std::sin(i / 10.0));

    PanelDefaults defaults(platform::UserDefaults::inMemory());
    for (Appearance appearance : {Appearance::light, Appearance::dark}) {
        for (std::optional<HistoryRange> range :
             {std::optional<HistoryRange>(), std::optional(HistoryRange::hour)}) {
            PanelEnv env;
            env.hub = f.hub.get();
            env.appearance = appearance;
            env.previewOverrides.isPreview = true;
            env.previewOverrides.historyRange = range;
            Hub& hub = *f.hub;
            HistoryGraph graph(
                env,
                {{HistoryMetric::cpuUser, QStringLiteral("User"), Tint::blue, 0.35, true},
                 {HistoryMetric::cpuSystem, QStringLiteral("System"), Tint::red, 0.35, true}},
                100.0, true, 70, percent,
                [&hub, appearance](QWidget* parent) {
                    LineAreaGraph live;
                    live.height = 50;
                    live.maxValue = 100;
                    live.series = {GraphSeries{hub.cpu.totalHistory.values, Tint::blue, 0.3, true}};
                    return new LineAreaGraphView(live, appearance, parent);
                },
                defaults);
            graph.setFixedWidth(int(width));
            graph.show();
            graph.adjustSize();
            QImage image = canvas(graph.height(), appearance);
            {
                QPainter painter(&image);
                graph.render(&painter, QPoint(int(margin), int(margin)), QRegion(),
                             QWidget::DrawChildren);
            }
            save(image, range ? QStringLiteral("history-hour") : QStringLiteral("history-live"),
                 appearance);
        }
    }
}

} // namespace
