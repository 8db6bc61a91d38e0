#include "history/HistorySql.h"

#include "base/Numbers.h"

namespace morvanex::historysql {
namespace {

using numbers::integerText;

std::string text(std::string_view view) {
    return std::string(view);
}

// The metric columns in their fixed order, each passed through `decorate`, joined by ", ".
template <typename Decorate> std::string allColumns(Decorate decorate) {
    std::string out;
    for (const HistoryMetric metric : allCases<HistoryMetric>()) {
        if (!out.empty())
            out += ", ";
        out += decorate(columnName(metric));
    }
    return out;
}

std::string averageOf(std::string_view column) {
    return "AVG(" + text(column) + ")";
}

// Bucket starts by integer division; every stored time is positive, so this floors.
std::string bucketExpression(std::int64_t bucket) {
    return "(ts / " + integerText(bucket) + ") * " + integerText(bucket) + " AS bucket";
}

} // namespace

std::string createTable(std::string_view table) {
    return "CREATE TABLE IF NOT EXISTS " + text(table) + " (ts INTEGER PRIMARY KEY, " +
           allColumns([](std::string_view column) { return text(column) + " REAL"; }) + ")";
}

std::string tableInfo(std::string_view table) {
    return "PRAGMA table_info(" + text(table) + ")";
}

std::string addColumn(std::string_view table, HistoryMetric metric) {
    return "ALTER TABLE " + text(table) + " ADD COLUMN " + text(columnName(metric)) + " REAL";
}

std::string insertRaw() {
    std::string parameters = "?";
    for (std::size_t i = 0; i < historyMetricCount; ++i)
        parameters += ", ?";
    return "INSERT OR REPLACE INTO raw (ts, " + allColumns(text) + ") VALUES (" + parameters + ")";
}

std::string rollUp(const HistoryTier& from, const HistoryTier& into, std::int64_t since) {
    const std::int64_t bucket = into.bucket;
    const std::int64_t flooredSince = since / bucket * bucket;
    return "INSERT OR REPLACE INTO " + text(into.table) + " (ts, " + allColumns(text) + ")\n" +
           "SELECT " + bucketExpression(bucket) + ", " + allColumns(averageOf) + "\n" + "FROM " +
           text(from.table) + " WHERE ts >= " + integerText(flooredSince) + " GROUP BY bucket";
}

std::string prune(const HistoryTier& tier, std::int64_t cutoff) {
    return "DELETE FROM " + text(tier.table) + " WHERE ts < " + integerText(cutoff);
}

std::string query(const std::vector<HistoryMetric>& metrics, const HistoryRangeSource& source,
                  std::int64_t start) {
    std::string averages;
    for (const HistoryMetric metric : metrics)
        averages += ", " + averageOf(columnName(metric));
    return "SELECT " + bucketExpression(source.bucket) + averages + "\n" + "FROM " +
           text(source.table) + " WHERE ts >= " + integerText(start) +
           " GROUP BY bucket ORDER BY bucket";
}

} // namespace morvanex::historysql
