#include "history/HistorySql.h"

#include "history/HistoryStore.h"

#include <gtest/gtest.h>

using namespace morvanex;

namespace {

const std::string columns = "cpu_user, cpu_system, gpu, mem_pressure, mem_used, disk_read, "
                            "disk_write, net_down, net_up, temperature, fan, battery, power";

TEST(HistorySql, TiersInOrder) {
    const auto& tiers = HistoryStore::tiers();
    ASSERT_EQ(tiers.size(), 3u);
    EXPECT_EQ(tiers[0].table, "raw");
    EXPECT_EQ(tiers[0].bucket, 1);
    EXPECT_EQ(tiers[0].keep, 3900);
    EXPECT_EQ(tiers[1].table, "m1");
    EXPECT_EQ(tiers[1].bucket, 60);
    EXPECT_EQ(tiers[1].keep, 90000);
    EXPECT_EQ(tiers[2].table, "m15");
    EXPECT_EQ(tiers[2].bucket, 900);
    EXPECT_EQ(tiers[2].keep, 2678400);
}

TEST(HistorySql, SchemaStatements) {
    EXPECT_EQ(historysql::createTable("raw"),
              "CREATE TABLE IF NOT EXISTS raw (ts INTEGER PRIMARY KEY, cpu_user REAL, "
              "cpu_system REAL, gpu REAL, mem_pressure REAL, mem_used REAL, disk_read REAL, "
              "disk_write REAL, net_down REAL, net_up REAL, temperature REAL, fan REAL, "
              "battery REAL, power REAL)");
    EXPECT_EQ(historysql::tableInfo("m15"), "PRAGMA table_info(m15)");
    EXPECT_EQ(historysql::addColumn("m1", HistoryMetric::power),
              "ALTER TABLE m1 ADD COLUMN power REAL");
}

TEST(HistorySql, InsertNamesEveryColumnWithFourteenParameters) {
    EXPECT_EQ(historysql::insertRaw(), "INSERT OR REPLACE INTO raw (ts, " + columns +
                                           ") VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
}

TEST(HistorySql, RollUpFloorsSinceToTheCoarserBucket) {
    const auto& tiers = HistoryStore::tiers();
    EXPECT_EQ(historysql::rollUp(tiers[0], tiers[1], 3599),
              "INSERT OR REPLACE INTO m1 (ts, " + columns +
                  ")\nSELECT (ts / 60) * 60 AS bucket, AVG(cpu_user), AVG(cpu_system), AVG(gpu), "
                  "AVG(mem_pressure), AVG(mem_used), AVG(disk_read), AVG(disk_write), "
                  "AVG(net_down), AVG(net_up), AVG(temperature), AVG(fan), AVG(battery), "
                  "AVG(power)\nFROM raw WHERE ts >= 3540 GROUP BY bucket");
    const std::string m15 = historysql::rollUp(tiers[1], tiers[2], 3599);
    EXPECT_NE(m15.find("INSERT OR REPLACE INTO m15 (ts, "), std::string::npos);
    EXPECT_NE(m15.find("SELECT (ts / 900) * 900 AS bucket, AVG(cpu_user)"), std::string::npos);
    EXPECT_NE(m15.find("\nFROM m1 WHERE ts >= 2700 GROUP BY bucket"), std::string::npos);
}

TEST(HistorySql, PruneAndQuery) {
    EXPECT_EQ(historysql::prune(HistoryStore::tiers()[2], 1234567890123),
              "DELETE FROM m15 WHERE ts < 1234567890123");
    EXPECT_EQ(historysql::query({HistoryMetric::fan, HistoryMetric::cpuUser},
                                source(HistoryRange::day), 1700000100),
              "SELECT (ts / 300) * 300 AS bucket, AVG(fan), AVG(cpu_user)\nFROM m1 WHERE ts >= "
              "1700000100 GROUP BY bucket ORDER BY bucket");
}

} // namespace
