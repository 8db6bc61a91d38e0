#include "ui/kit/TimelineGraph.h"

#include "base/Fmt.h"
#include "base/Numbers.h"

#include <QDateTime>
#include <QLocale>
#include <QStringList>
#include <QTimeZone>
#include <algorithm>
#include <cmath>
#include <limits>

namespace morvanex::ui {

namespace {

constexpr double largest = std::numeric_limits<double>::max();
constexpr double minimumTop = 0.0001;

// A sample's height on the scale: absent, NaN and non-positive values lie on the bottom edge,
// values above the top on it.
double clampedToScale(std::optional<double> value, double top) {
    if (!value || std::isnan(*value) || *value <= 0)
        return 0;
    return std::min(*value, top);
}

} // namespace

double timelineSpan(HistoryRange range) {
    switch (range) {
    case HistoryRange::live:
    case HistoryRange::hour:
        return 3600;
    case HistoryRange::day:
        return 86400;
    case HistoryRange::week:
        return 604800;
    case HistoryRange::month:
        return 2592000;
    }
    return 3600;
}

QString timelineEmptyText() {
    return QStringLiteral("No history yet. It builds up while Morvanex is running.");
}

QString hoverTimeText(double seconds, HistoryRange range) {
    const std::optional<std::int64_t> ms = numbers::roundedInt64(seconds * 1000);
    const QDateTime date = ms ? QDateTime::fromMSecsSinceEpoch(*ms, Qt::LocalTime) : QDateTime();
    if (!date.isValid())
        return QStringLiteral("—");
    const QString time = Fmt::time(date, QTimeZone::systemTimeZone());
    switch (range) {
    case HistoryRange::live:
    case HistoryRange::hour:
    case HistoryRange::day:
        return time;
    case HistoryRange::week:
    case HistoryRange::month:
        break;
    }
    return QLocale().dayName(date.date().dayOfWeek(), QLocale::ShortFormat) + QLatin1Char(' ') +
           time;
}

std::vector<PlottedValues> TimelineGraph::plotted() const {
    std::vector<PlottedValues> result;
    if (!series) {
        result.resize(lines.size());
        return result;
    }
    result.reserve(lines.size());
    for (const StoredLine& line : lines) {
        const auto found = series->values.find(line.metric);
        PlottedValues taken = found != series->values.end() ? found->second : PlottedValues{};
        if (stacked && !result.empty()) {
            const PlottedValues& below = result.back();
            const std::size_t common = std::min(taken.size(), below.size());
            PlottedValues combined(common);
            for (std::size_t i = 0; i < common; ++i) {
                if (taken[i])
                    combined[i] = *taken[i] + below[i].value_or(0);
            }
            taken = std::move(combined);
        }
        result.push_back(std::move(taken));
    }
    return result;
}

double TimelineGraph::scaleTop(const std::vector<PlottedValues>& plotted) const {
    double top = 0;
    if (maxValue && !std::isnan(*maxValue)) {
        top = *maxValue;
    } else {
        double peak = 0;
        bool any = false;
        for (const PlottedValues& values : plotted) {
            for (const std::optional<double>& v : values) {
                if (!v || std::isnan(*v))
                    continue;
                peak = any ? std::max(peak, *v) : *v;
                any = true;
            }
        }
        top = any ? 1.15 * peak : 0;
    }
    if (!(top > minimumTop))
        top = minimumTop;
    return std::min(top, largest);
}

Segments TimelineGraph::segments(const std::vector<double>& times, const PlottedValues& values,
                                 double bucket) {
    Segments result;
    std::vector<std::size_t> current;
    const std::size_t count = std::min(times.size(), values.size());
    for (std::size_t i = 0; i < count; ++i) {
        if (!values[i]) {
            if (!current.empty()) {
                result.push_back(std::move(current));
                current.clear();
            }
            continue;
        }
        if (!current.empty() && times[i] - times[current.back()] > 2.5 * bucket) {
            result.push_back(std::move(current));
            current.clear();
        }
        current.push_back(i);
    }
    if (!current.empty())
        result.push_back(std::move(current));
    return result;
}

std::optional<std::size_t> TimelineGraph::hoverIndex(double width, double start, double end) const {
    if (!hoverX || !series || series->times.empty() || !(width > 0))
        return std::nullopt;
    const std::vector<double>& times = series->times;
    const double t = start + (end - start) * *hoverX / width;
    if (std::isnan(t))
        return std::nullopt;
    const auto after = std::lower_bound(times.begin(), times.end(), t);
    std::size_t index = std::size_t(after - times.begin());
    if (index == times.size()) {
        index = times.size() - 1;
    } else if (index > 0 && t - times[index - 1] <= times[index] - t) {
        index -= 1; // a tie goes to the earlier sample
    }
    if (!(std::abs(times[index] - t) <= 2.5 * series->bucket))
        return std::nullopt;
    return index;
}

QString TimelineGraph::hoverText(const HistorySeries& shown, std::size_t index) const {
    QStringList parts;
    if (index < shown.times.size())
        parts << hoverTimeText(shown.times[index], range);
    for (const StoredLine& line : lines) {
        const auto found = shown.values.find(line.metric);
        if (found == shown.values.end() || index >= found->second.size() || !found->second[index])
            continue;
        const double value = *found->second[index];
        const QString text =
            format ? format(value) : QString::fromStdString(numbers::realText(value));
        parts << (lines.size() >= 2 ? line.label + QLatin1Char(' ') + text : text);
    }
    return parts.join(QStringLiteral(" · "));
}

TimelineGeometry timelineGeometry(const TimelineGraph& graph, QSizeF size, double now) {
    const double W = size.width();
    const double H = size.height();
    TimelineGeometry geometry;
    geometry.end = now;
    geometry.start = now - timelineSpan(graph.range);
    geometry.gridYs = {0.25 * H, 0.5 * H, 0.75 * H};

    const std::vector<PlottedValues> plotted = graph.plotted();
    const double top = graph.scaleTop(plotted);
    geometry.scaleTop = top;
    const double span = geometry.end - geometry.start;
    auto x = [&](double t) { return W * (t - geometry.start) / span; };
    auto y = [&](std::optional<double> v) { return H - (H - 1) * clampedToScale(v, top) / top; };

    if (graph.series && !graph.series->times.empty()) {
        const HistorySeries& series = *graph.series;
        const std::vector<double>& times = series.times;
        for (std::size_t i = 0; i < graph.lines.size(); ++i) {
            const PlottedValues& values = plotted[i];
            const PlottedValues* base = graph.stacked && i > 0 ? &plotted[i - 1] : nullptr;
            for (const std::vector<std::size_t>& run :
                 TimelineGraph::segments(times, values, series.bucket)) {
                TimelineArea area;
                area.color = graph.lines[i].color;
                area.fillOpacity = graph.lines[i].fillOpacity;
                area.line = graph.lines[i].line;
                for (std::size_t k : run)
                    area.top.emplace_back(x(times[k]), y(values[k]));
                for (auto it = run.rbegin(); it != run.rend(); ++it) {
                    const std::optional<double> below =
                        base && *it < base->size() ? (*base)[*it] : std::nullopt;
                    area.base.emplace_back(x(times[*it]), y(below));
                }
                geometry.areas.push_back(std::move(area));
            }
        }
    }

    geometry.hoverIndex = graph.hoverIndex(W, geometry.start, geometry.end);
    if (!graph.series) {
        geometry.overlay = TimelineOverlay::loading;
    } else if (graph.series->times.empty()) {
        geometry.overlay = TimelineOverlay::empty;
    } else if (geometry.hoverIndex) {
        geometry.overlay = TimelineOverlay::hover;
    }
    if (geometry.hoverIndex) {
        geometry.markerX = x(graph.series->times[*geometry.hoverIndex]);
        geometry.hoverText = graph.hoverText(*graph.series, *geometry.hoverIndex);
        geometry.labelAtLeading = *graph.hoverX > W / 2;
    }
    return geometry;
}

} // namespace morvanex::ui
