#include "history/HistoryMetric.h"

#include "history/HistoryRange.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

using namespace morvanex;

namespace {

TEST(HistoryMetric, CasesInColumnOrderWithTheirColumnNames) {
    const std::vector<std::pair<HistoryMetric, std::string>> expected{
        {HistoryMetric::cpuUser, "cpu_user"},
        {HistoryMetric::cpuSystem, "cpu_system"},
        {HistoryMetric::gpu, "gpu"},
        {HistoryMetric::memoryPressure, "mem_pressure"},
        {HistoryMetric::memoryUsed, "mem_used"},
        {HistoryMetric::diskRead, "disk_read"},
        {HistoryMetric::diskWrite, "disk_write"},
        {HistoryMetric::download, "net_down"},
        {HistoryMetric::upload, "net_up"},
        {HistoryMetric::temperature, "temperature"},
        {HistoryMetric::fan, "fan"},
        {HistoryMetric::battery, "battery"},
        {HistoryMetric::power, "power"},
    };
    const auto& cases = allCases<HistoryMetric>();
    ASSERT_EQ(cases.size(), expected.size());
    ASSERT_EQ(historyMetricCount, expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(cases[i], expected[i].first);
        EXPECT_EQ(metricIndex(cases[i]), i);
        EXPECT_EQ(std::string(columnName(cases[i])), expected[i].second);
        EXPECT_EQ(rawValue(cases[i]).toStdString(), expected[i].second);
    }
}

TEST(HistoryMetric, FromRawValueAcceptsExactlyTheColumnName) {
    EXPECT_EQ(fromRawValue<HistoryMetric>(u"net_down"), HistoryMetric::download);
    EXPECT_EQ(fromRawValue<HistoryMetric>(u"mem_pressure"), HistoryMetric::memoryPressure);
    for (const auto* wrong : {u"net-down", u"NET_DOWN", u"download", u"", u"net_down "})
        EXPECT_EQ(fromRawValue<HistoryMetric>(wrong), std::nullopt);
}

TEST(HistoryRange, CasesAndRawValues) {
    const std::vector<std::pair<HistoryRange, QString>> expected{
        {HistoryRange::live, "live"}, {HistoryRange::hour, "hour"},   {HistoryRange::day, "day"},
        {HistoryRange::week, "week"}, {HistoryRange::month, "month"},
    };
    const auto& cases = allCases<HistoryRange>();
    ASSERT_EQ(cases.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(cases[i], expected[i].first);
        EXPECT_EQ(rawValue(cases[i]), expected[i].second);
        EXPECT_EQ(fromRawValue<HistoryRange>(expected[i].second), expected[i].first);
    }
    for (const auto* wrong : {u"Live", u"1h", u"months", u""})
        EXPECT_EQ(fromRawValue<HistoryRange>(wrong), std::nullopt);
}

TEST(HistoryRange, SourceTableBucketSpanAndPoints) {
    struct Case {
        HistoryRange range;
        std::string table;
        std::int64_t bucket;
        std::int64_t span;
        std::int64_t points;
    };
    for (const Case& c : std::vector<Case>{
             {HistoryRange::live, "raw", 10, 3600, 361},
             {HistoryRange::hour, "raw", 10, 3600, 361},
             {HistoryRange::day, "m1", 300, 86400, 289},
             {HistoryRange::week, "m15", 1800, 604800, 337},
             {HistoryRange::month, "m15", 3600, 2592000, 721},
         }) {
        SCOPED_TRACE(rawValue(c.range).toStdString());
        const HistoryRangeSource from = source(c.range);
        EXPECT_EQ(std::string(from.table), c.table);
        EXPECT_EQ(from.bucket, c.bucket);
        EXPECT_EQ(from.span, c.span);
        EXPECT_EQ(from.maxPoints(), c.points);
    }
}

} // namespace
