#include "HistoryTestSupport.h"
#include "base/Numbers.h"
#include "history/HistoryStore.h"
#include "support/TestEnv.h"

#include <QTimeZone>
#include <gtest/gtest.h>
#include <limits>

using namespace morvanex;
using namespace morvanex::test;

namespace {

constexpr double nan = std::numeric_limits<double>::quiet_NaN();
constexpr double inf = std::numeric_limits<double>::infinity();
const std::optional<double> null;

class HistoryRecording : public testing::Test {
protected:
    std::unique_ptr<HistoryStore> open(double now) {
        clock.set(now);
        return HistoryStore::open(path, false, manualOptions(clock));
    }

    const QString path = HistoryStore::defaultURL();
    ManualClock clock;
};

TEST_F(HistoryRecording, TimeIsCutToTheWholeSecond) {
    auto store = open(1704110400);
    const QDateTime noonThirty(QDate(2024, 1, 1), QTime(12, 0, 30, 900), Qt::UTC);
    store->record({{HistoryMetric::cpuUser, 5}}, noonThirty);
    store->flush();
    TestDatabase db(path);
    EXPECT_EQ(db.rows("SELECT ts FROM raw"), (std::vector<Row>{{1704110430}}));
}

TEST_F(HistoryRecording, EveryMetricGoesToItsOwnColumn) {
    auto store = open(1000000);
    HistoryStore::Values values;
    Row expected{999990};
    for (const HistoryMetric metric : allCases<HistoryMetric>()) {
        values[metric] = 1.5 * double(metricIndex(metric) + 1);
        expected.push_back(values[metric]);
    }
    store->record(values, at(999990));
    store->flush();
    TestDatabase db(path);
    std::string columns = "ts";
    for (const auto& column : metricColumns())
        columns += ", " + column;
    EXPECT_EQ(db.rows("SELECT " + columns + " FROM raw"), (std::vector<Row>{expected}));
}

TEST_F(HistoryRecording, ALaterSampleOfTheSameSecondReplacesTheWholeRow) {
    auto store = open(1000000);
    store->record({{HistoryMetric::cpuUser, 10}, {HistoryMetric::fan, 1200}}, at(999990.1));
    store->record({{HistoryMetric::cpuUser, 20}}, at(999990.8));
    store->flush();
    TestDatabase db(path);
    EXPECT_EQ(db.rows("SELECT ts, cpu_user, fan FROM raw"), (std::vector<Row>{{999990, 20, null}}));
}

TEST_F(HistoryRecording, MissingAndNonFiniteValuesAreNullAndLeftOutOfAverages) {
    auto store = open(1000000);
    // Minute 999900: only empty samples. Minute 999960: 10, 30 and three non-finite values.
    store->record({}, at(999901));
    store->record({}, at(999902));
    int second = 999960;
    for (const double value : {10.0, nan, inf, -inf, 30.0})
        store->record({{HistoryMetric::cpuUser, value}}, at(second++));
    store->flush();

    TestDatabase db(path);
    const auto allNull = [&](const std::string& table, int ts) {
        std::string nulls;
        for (const auto& column : metricColumns())
            nulls += " AND " + column + " IS NULL";
        return db.rows("SELECT count(*) FROM " + table + " WHERE ts = " + numbers::integerText(ts) +
                       nulls)
                   .at(0)
                   .at(0) == 1;
    };
    EXPECT_TRUE(allNull("raw", 999901));
    EXPECT_TRUE(allNull("raw", 999902));
    EXPECT_TRUE(allNull("m1", 999900));
    EXPECT_EQ(db.rows("SELECT ts, cpu_user FROM raw WHERE ts >= 999960 ORDER BY ts"),
              (std::vector<Row>{
                  {999960, 10}, {999961, null}, {999962, null}, {999963, null}, {999964, 30}}));
    EXPECT_EQ(db.rows("SELECT cpu_user FROM m1 WHERE ts = 999960"), (std::vector<Row>{{20}}));
    EXPECT_EQ(db.rows("SELECT ts, cpu_user FROM m15"), (std::vector<Row>{{999900, 20}}));
}

TEST_F(HistoryRecording, ABatchRecomputesTheBucketsFromItsEarliestSecondOn) {
    auto store = open(3700);
    {
        TestDatabase db(path);
        // Raw rows written earlier: one before the batch's minute, one inside it.
        db.exec("INSERT INTO raw (ts, cpu_user) VALUES (3430, 50), (3545, 10)");
        // Minute rows of earlier flushes, in and before the batch's quarter hour.
        db.exec("INSERT INTO m1 (ts, cpu_user) VALUES (1800, 7), (2760, 1), (3480, 99)");
    }
    store->record({{HistoryMetric::cpuUser, 20}}, at(3599));
    store->record({{HistoryMetric::cpuUser, 40}}, at(3605));
    store->flush();

    TestDatabase db(path);
    // m1 3540 = mean(10, 20); 3600 = 40; minute 3420 (before 3540) is not recomputed.
    EXPECT_EQ(db.rows("SELECT ts, cpu_user FROM m1 ORDER BY ts"),
              (std::vector<Row>{{1800, 7}, {2760, 1}, {3480, 99}, {3540, 15}, {3600, 40}}));
    // m15 2700 = mean of the minute rows 2760, 3480, 3540; 3600 = 40; 1800 is not recomputed.
    const auto m15 = db.rows("SELECT ts, cpu_user FROM m15 ORDER BY ts");
    ASSERT_EQ(m15.size(), 2u);
    EXPECT_EQ(m15[0][0], 2700);
    EXPECT_NEAR(m15[0][1].value_or(0), (1 + 99 + 15) / 3.0, 1e-9);
    EXPECT_EQ(m15[1], (Row{3600, 40}));
}

TEST_F(HistoryRecording, AQuarterHourIsTheMeanOfItsMinuteMeans) {
    auto store = open(1000000);
    store->record({{HistoryMetric::temperature, 10}}, at(900000));
    for (int i = 0; i < 3; ++i)
        store->record({{HistoryMetric::temperature, 40}}, at(900060 + i));
    store->flush();
    TestDatabase db(path);
    EXPECT_EQ(db.rows("SELECT ts, temperature FROM m15"), (std::vector<Row>{{900000, 25}}));
}

TEST_F(HistoryRecording, AMinuteWhoseTickStoppedKeepsItsAverage) {
    auto store = open(1000000);
    store->record({{HistoryMetric::fan, 1000}}, at(999960));
    store->record({{HistoryMetric::fan, 2000}}, at(999962));
    store->flush();
    store->record({{HistoryMetric::fan, 5000}}, at(999960 + 400));
    store->flush();
    TestDatabase db(path);
    EXPECT_EQ(db.rows("SELECT ts, fan FROM m1 ORDER BY ts"),
              (std::vector<Row>{{999960, 1500}, {1000320, 5000}}));
}

TEST_F(HistoryRecording, PastSamplesStayUntilAPruneMoreThanAnHourAfterTheLast) {
    const double now = 2000000000;
    auto store = open(now); // prunes at `now`
    const double twoDaysAgo = now - 2 * 86400;
    store->record({{HistoryMetric::cpuUser, 1}}, at(twoDaysAgo));
    store->flush();
    TestDatabase db(path);
    const auto counts = [&] {
        return db
            .rows("SELECT (SELECT count(*) FROM raw WHERE ts < 1999900000), "
                  "(SELECT count(*) FROM m1 WHERE ts < 1999900000), "
                  "(SELECT count(*) FROM m15 WHERE ts < 1999900000)")
            .at(0);
    };
    EXPECT_EQ(counts(), (Row{1, 1, 1}));

    clock.set(now + 3600); // not more than an hour since the last prune
    store->record({{HistoryMetric::cpuUser, 2}}, at(now + 3600));
    store->flush();
    EXPECT_EQ(counts(), (Row{1, 1, 1}));

    clock.set(now + 3600.001);
    store->record({{HistoryMetric::cpuUser, 3}}, at(now + 3600));
    store->flush();
    EXPECT_EQ(counts(), (Row{0, 0, 1})); // the quarter hours are kept 31 days
}

TEST_F(HistoryRecording, WithNothingPendingAFlushNeverPrunes) {
    const double now = 2000000000;
    auto store = open(now);
    store->flush();
    TestDatabase db(path);
    db.exec("INSERT INTO raw (ts, cpu_user) VALUES (1000, 1)");
    clock.set(now + 7200);
    store->flush();
    store->flush();
    EXPECT_EQ(db.rows("SELECT count(*) FROM raw").at(0), (Row{1}));
}

TEST_F(HistoryRecording, OpeningPrunesEachTierAtItsKeepTime) {
    // The cutoffs are the current time minus each keep, the fraction cut off.
    const double now = 1700000000.9;
    struct Case {
        std::string table;
        std::int64_t cutoff;
    };
    const std::vector<Case> cases{
        {"raw", 1700000000 - 3900}, {"m1", 1700000000 - 90000}, {"m15", 1700000000 - 2678400}};
    open(now - 3 * 2678400).reset();
    {
        TestDatabase db(path);
        for (const Case& c : cases) {
            for (const std::int64_t ts : {c.cutoff - 1, c.cutoff, c.cutoff + 1})
                db.exec("INSERT INTO " + c.table + " (ts, cpu_user) VALUES (" +
                        numbers::integerText(ts) + ", 1)");
        }
    }
    auto store = open(now);
    store->flush(); // waits for the prune queued by the open
    TestDatabase db(path);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.table);
        EXPECT_EQ(db.rows("SELECT ts FROM " + c.table + " ORDER BY ts"),
                  (std::vector<Row>{{double(c.cutoff)}, {double(c.cutoff + 1)}}));
    }
}

TEST_F(HistoryRecording, TheFlushTimerWritesOnItsOwn) {
    clock.set(1000000);
    HistoryStore::Options options = manualOptions(clock);
    options.flushInterval = std::chrono::milliseconds(20);
    auto store = HistoryStore::open(path, false, options);
    ASSERT_NE(store, nullptr);
    store->record({{HistoryMetric::gpu, 33}}, at(999999));
    TestDatabase db(path);
    EXPECT_TRUE(
        waitUntil([&] { return db.rows("SELECT gpu FROM raw") == std::vector<Row>{{33}}; }));
}

TEST_F(HistoryRecording, FlushIsSafeAtAnyTimeAndDestructionWritesWhatIsPending) {
    auto store = open(1000000);
    store->flush();
    store->flush();
    store->record({{HistoryMetric::battery, 80}}, at(999990));
    store->flush();
    store->flush();
    store->record({{HistoryMetric::battery, 79}}, at(999992));
    store.reset();
    TestDatabase db(path);
    EXPECT_EQ(db.rows("SELECT ts, battery FROM raw ORDER BY ts"),
              (std::vector<Row>{{999990, 80}, {999992, 79}}));
}

TEST_F(HistoryRecording, InvalidDatesAreNotRecorded) {
    auto store = open(1000000);
    store->record({{HistoryMetric::battery, 80}}, QDateTime());
    store->flush();
    TestDatabase db(path);
    EXPECT_EQ(db.rows("SELECT count(*) FROM raw").at(0), (Row{0}));
}

// Another connection holding a read lock on a database in rollback-journal mode makes COMMIT
// fail as busy (after the store's two-second wait); SQLite then keeps the transaction open.
TEST_F(HistoryRecording, AFailedCommitLeavesNoTransactionOpen) {
    open(1000000).reset();
    TestDatabase reader(path);
    ASSERT_EQ(reader.exec("PRAGMA journal_mode=DELETE"), SQLITE_OK);
    ASSERT_EQ(reader.exec("BEGIN; SELECT count(*) FROM raw"), SQLITE_OK);

    auto store = open(1000000); // cannot switch to write-ahead logging while the read lasts
    ASSERT_EQ(reader.exec("COMMIT"), SQLITE_OK);
    store->flush(); // the opening prune has run
    ASSERT_EQ(reader.exec("BEGIN; SELECT count(*) FROM raw"), SQLITE_OK);
    store->record({{HistoryMetric::cpuUser, 1}}, at(999990));
    store->flush(); // COMMIT fails: busy
    ASSERT_EQ(reader.exec("COMMIT"), SQLITE_OK);

    // The store holds no write lock: another writer gets in at once.
    TestDatabase other(path);
    other.exec("PRAGMA busy_timeout=0");
    ASSERT_EQ(other.exec("BEGIN IMMEDIATE"), SQLITE_OK);
    other.exec("COMMIT");

    store->record({{HistoryMetric::cpuUser, 2}}, at(999991));
    store->flush();
    EXPECT_EQ(other.rows("SELECT ts, cpu_user FROM raw"), (std::vector<Row>{{999991, 2}}));
    EXPECT_EQ(other.rows("SELECT ts, cpu_user FROM m1"), (std::vector<Row>{{999960, 2}}));
}

} // namespace
