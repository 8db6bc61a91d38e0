#pragma once

#include "history/HistoryMetric.h"

#include <map>
#include <optional>
#include <vector>

namespace morvanex {

// A history query's answer: one point per bucket that holds any stored row.
struct HistorySeries {
    // Start of each bucket in Unix seconds, ascending.
    std::vector<double> times;
    // Per requested metric, one entry per element of `times`; absent where the bucket held no
    // known value of the metric.
    std::map<HistoryMetric, std::vector<std::optional<double>>> values;
    // Width of one bucket in seconds.
    double bucket = 0;

    bool operator==(const HistorySeries&) const = default;
};

} // namespace morvanex
