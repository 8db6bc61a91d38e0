#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace morvanex {

// One resolution tier of the history database: a table of rows each covering `bucket`
// seconds, whose rows are deleted once older than `keep` seconds.
struct HistoryTier {
    std::string_view table;
    std::int64_t bucket = 1;
    double keep = 0;
};

// Finest first: the order in which the tables are created, rolled up and pruned. Each keep
// time exceeds the longest span read from the table (one hour, one day, 30 days), and each
// finer tier keeps its rows longer than the next tier's bucket, so a roll-up always finds the
// finer rows of the buckets it recomputes.
inline constexpr std::array<HistoryTier, 3> historyTiers{{
    {"raw", 1, 3900},      // 65 minutes
    {"m1", 60, 90000},     // 25 hours
    {"m15", 900, 2678400}, // 31 days
}};

} // namespace morvanex
