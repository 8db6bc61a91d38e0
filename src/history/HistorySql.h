#pragma once

#include "history/HistoryMetric.h"
#include "history/HistoryRange.h"
#include "history/HistoryTier.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The statement texts of the history database. Table and column names come only from the
// fixed tier and metric lists, never from outside, so they are written into the text directly.
namespace morvanex::historysql {

// The tier table with `ts` and every metric column, if it does not exist yet.
std::string createTable(std::string_view table);
// One row per existing column; column 1 holds its name.
std::string tableInfo(std::string_view table);
std::string addColumn(std::string_view table, HistoryMetric metric);

// Replaces the "raw" row of one second; parameter 1 is the time, 2 to 14 the metrics.
std::string insertRaw();

// Recomputes every `into` bucket from the one holding `since` onwards as the mean of the
// `from` rows in it.
std::string rollUp(const HistoryTier& from, const HistoryTier& into, std::int64_t since);

// Deletes the tier's rows older than `cutoff`.
std::string prune(const HistoryTier& tier, std::int64_t cutoff);

// One row per bucket of the range's width from `start` on: the bucket start, then the mean of
// each requested metric in the order given.
std::string query(const std::vector<HistoryMetric>& metrics, const HistoryRangeSource& source,
                  std::int64_t start);

} // namespace morvanex::historysql
