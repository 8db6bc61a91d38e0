// The answer of "get_history": one metric's recorded history over one range, summarised and
// down-sampled.

#include "agents/IsoTime.h"
#include "agents/MCPServer.h"
#include "agents/McpArguments.h"
#include "agents/McpNumbers.h"

#include <QFileInfo>
#include <algorithm>
#include <optional>
#include <vector>

namespace morvanex {
namespace {

using mcp::r;

struct RangeName {
    const char* name;
    HistoryRange range;
};

constexpr RangeName rangeNames[] = {{"1h", HistoryRange::hour},
                                    {"24h", HistoryRange::day},
                                    {"7d", HistoryRange::week},
                                    {"30d", HistoryRange::month}};

QString unitText(HistoryMetric metric) {
    switch (metric) {
    case HistoryMetric::diskRead:
    case HistoryMetric::diskWrite:
    case HistoryMetric::download:
    case HistoryMetric::upload:
        return QStringLiteral("bytes/s");
    case HistoryMetric::temperature:
        return QStringLiteral("\u00b0C");
    case HistoryMetric::fan:
        return QStringLiteral("rpm");
    case HistoryMetric::power:
        return QStringLiteral("W");
    default:
        return QStringLiteral("%");
    }
}

struct Sample {
    double time = 0; // start of its bucket, Unix seconds
    double value = 0;
};

// The buckets that hold a value of the metric, in time order.
std::vector<Sample> samplesOf(const HistorySeries& series, HistoryMetric metric) {
    std::vector<Sample> samples;
    const auto values = series.values.find(metric);
    if (values == series.values.end())
        return samples;
    const std::size_t count = std::min(series.times.size(), values->second.size());
    samples.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        if (values->second[i])
            samples.push_back({series.times[i], *values->second[i]});
    }
    return samples;
}

double mean(std::vector<Sample>::const_iterator first, std::vector<Sample>::const_iterator last) {
    double sum = 0;
    for (auto it = first; it != last; ++it)
        sum += it->value;
    return sum / double(last - first);
}

QJsonObject summary(const std::vector<Sample>& samples, double pointSeconds,
                    const QTimeZone& zone) {
    // Only a strictly greater (or smaller) value replaces the extreme: the first one wins.
    const Sample* highest = &samples.front();
    const Sample* lowest = &samples.front();
    for (const Sample& sample : samples) {
        if (sample.value > highest->value)
            highest = &sample;
        if (sample.value < lowest->value)
            lowest = &sample;
    }
    return QJsonObject{{"average", r(mean(samples.begin(), samples.end()))},
                       {"max", r(highest->value)},
                       {"max_at", isoTime(highest->time, zone)},
                       {"min", r(lowest->value)},
                       {"min_at", isoTime(lowest->time, zone)},
                       {"latest", r(samples.back().value)},
                       {"from", isoTime(samples.front().time, zone)},
                       {"to", isoTime(samples.back().time, zone)},
                       {"point_seconds", qint64(mcp::wholeOrZero(pointSeconds))}};
}

// Groups of `step` consecutive samples, each point at its first sample's time with the mean of
// its values; the last group may hold fewer.
QJsonArray points(const std::vector<Sample>& samples, std::size_t step, const QTimeZone& zone) {
    QJsonArray out;
    for (std::size_t start = 0; start < samples.size(); start += step) {
        const auto first = samples.begin() + std::ptrdiff_t(start);
        const auto last = samples.begin() + std::ptrdiff_t(std::min(start + step, samples.size()));
        out.append(
            QJsonObject{{"time", isoTime(first->time, zone)}, {"value", r(mean(first, last))}});
    }
    return out;
}

} // namespace

QJsonObject MCPServer::history(const QJsonObject& arguments) const {
    const auto metricName = mcp::textArgument(arguments, QStringLiteral("metric"));
    const auto metric =
        metricName ? fromRawValue<HistoryMetric>(*metricName) : std::optional<HistoryMetric>();
    if (!metric) {
        throw ToolError{QStringLiteral("metric must be one of: ") +
                        historyMetrics().join(QStringLiteral(", ")) + QLatin1Char('.')};
    }

    const QString rangeName =
        mcp::textArgument(arguments, QStringLiteral("range")).value_or(QStringLiteral("24h"));
    const auto named = std::find_if(std::begin(rangeNames), std::end(rangeNames),
                                    [&](const RangeName& n) { return rangeName == n.name; });
    if (named == std::end(rangeNames))
        throw ToolError{QStringLiteral("range must be 1h, 24h, 7d or 30d.")};

    // A read-only store opens its file only once the tray application has created it; until
    // then there is no history at all, which is not the same as an empty range.
    if (!hub.history || !QFileInfo::exists(hub.sources.historyURL)) {
        throw ToolError{QStringLiteral("No history yet. Morvanex records history while the menu "
                                       "bar app is running.")};
    }

    const HistorySeries series = hub.history->loadNow({*metric}, named->range);
    const std::vector<Sample> samples = samplesOf(series, *metric);

    QJsonObject answer{{"metric", *metricName}, {"unit", unitText(*metric)}, {"range", rangeName}};
    if (samples.empty()) {
        answer.insert("note", QStringLiteral("No samples in this range."));
        return answer;
    }

    // Clamped as a real number first: any whole JSON number, however large, is defined here.
    const double requested = mcp::wholeArgument(arguments, QStringLiteral("points")).value_or(48);
    const bool wantsPoints = requested >= 1;
    std::size_t step = 1;
    if (wantsPoints) {
        const std::size_t n = std::size_t(mcp::clampedCount(requested, 1, 200));
        step = std::max<std::size_t>(1, (samples.size() + n - 1) / n);
    }
    const QTimeZone zone = currentTimeZone();
    // The spacing of the returned points: each one stands for `step` buckets.
    answer.insert("summary", summary(samples, series.bucket * double(step), zone));
    if (wantsPoints)
        answer.insert("points", points(samples, step, zone));
    return answer;
}

} // namespace morvanex
