#pragma once

#include "history/HistoryMetric.h"
#include "history/HistoryRange.h"
#include "history/HistorySeries.h"
#include "ui/kit/Palette.h"

#include <QPointF>
#include <QSizeF>
#include <QString>
#include <cstddef>
#include <functional>
#include <optional>
#include <vector>

// A loaded history series drawn over a window that ends now: one area per line, broken where
// samples are missing, with a hover marker and label. The pure part lives here; the widget
// (TimelineGraphView) draws what timelineGeometry() returns.
namespace morvanex::ui {

// One plotted metric of a history graph.
struct StoredLine {
    HistoryMetric metric = HistoryMetric::cpuUser;
    QString label; // put before the value in the hover text when there are 2+ lines
    Tint color = Tint::accent;
    double fillOpacity = 0.3;
    bool line = true; // stroke the area's top edge
};

// One line's values to draw, one optional value per time of the series.
using PlottedValues = std::vector<std::optional<double>>;
// Runs of sample indices drawn as separate areas.
using Segments = std::vector<std::vector<std::size_t>>;

// Width in seconds of the window a range shows.
double timelineSpan(HistoryRange range);

// The text a series without samples shows.
QString timelineEmptyText();

// The hover label's time: the time of day for the live, hour and day ranges, the abbreviated
// weekday with the time for week and month, in the user's locale and time zone; "—" when
// `seconds` is not a time.
QString hoverTimeText(double seconds, HistoryRange range);

struct TimelineGraph {
    std::optional<HistorySeries> series; // absent while loading
    std::vector<StoredLine> lines;
    HistoryRange range = HistoryRange::hour;
    std::optional<double> maxValue;
    bool stacked = false;
    double height = 80;
    std::function<QString(double)> format;
    // Pointer position across the view, absent while the pointer is away.
    std::optional<double> hoverX;

    // One list per line, in the order of `lines`; stacked lines carry the sum of the lines
    // before them where their own value is present.
    std::vector<PlottedValues> plotted() const;

    // The value drawn one point below the top edge: maxValue, or 1.15 × the largest plotted
    // value (0 when none), never below 0.0001.
    double scaleTop(const std::vector<PlottedValues>& plotted) const;

    // Splits one line at every absent value and wherever two present samples are more than
    // 2.5 buckets apart (exactly 2.5 keeps them together).
    static Segments segments(const std::vector<double>& times, const PlottedValues& values,
                             double bucket);

    // The sample under the pointer for a view `width` wide showing start...end: the nearest
    // time (the earlier on a tie) when it is within 2.5 buckets.
    std::optional<std::size_t> hoverIndex(double width, double start, double end) const;

    // The time and each line's own (unstacked) value at `index`, joined with " · "; a line
    // without a value there is left out, and labels are shown with two lines or more.
    QString hoverText(const HistorySeries& series, std::size_t index) const;
};

// What the view shows over the drawing, in order of precedence.
enum class TimelineOverlay { none, loading, empty, hover };

// One closed area: its top edge (stroked when `line`), then back along its base.
struct TimelineArea {
    std::vector<QPointF> top;  // left to right
    std::vector<QPointF> base; // right to left, closing the area
    Tint color = Tint::accent;
    double fillOpacity = 0;
    bool line = false;
};

struct TimelineGeometry {
    double start = 0;
    double end = 0;
    double scaleTop = 0;
    std::vector<double> gridYs;
    std::vector<TimelineArea> areas; // in drawing order
    TimelineOverlay overlay = TimelineOverlay::none;
    std::optional<std::size_t> hoverIndex;
    std::optional<double> markerX;
    QString hoverText;
    bool labelAtLeading = false; // the hover label sits away from the pointer
};

// The graph drawn in a W × H area at `now` (Unix seconds).
TimelineGeometry timelineGeometry(const TimelineGraph& graph, QSizeF size, double now);

} // namespace morvanex::ui
