#include "HistoryTestSupport.h"
#include "base/Numbers.h"
#include "history/HistoryStore.h"
#include "support/TestEnv.h"

#include <QCoreApplication>
#include <QFile>
#include <QThread>
#include <gtest/gtest.h>

using namespace morvanex;
using namespace morvanex::test;

namespace {

using Values = std::vector<std::optional<double>>;
const std::optional<double> null;

std::string number(double value) {
    return numbers::realText(value);
}

class HistoryQuery : public testing::Test {
protected:
    std::unique_ptr<HistoryStore> open(double now) {
        clock.set(now);
        auto store = HistoryStore::open(path, false, manualOptions(clock));
        if (store)
            store->flush(); // the opening prune is done before rows are planted
        return store;
    }

    void plant(const std::string& table, double ts, const std::string& column, double value) {
        TestDatabase db(path);
        db.exec("INSERT OR REPLACE INTO " + table + " (ts, " + column + ") VALUES (" + number(ts) +
                ", " + number(value) + ")");
    }

    const QString path = HistoryStore::defaultURL();
    ManualClock clock;
};

TEST_F(HistoryQuery, EachRangeReadsItsTableInItsBucketsOverItsSpan) {
    struct Case {
        HistoryRange range;
        std::string table;
        double bucket;
        double span;
    };
    const double now = 1800000000; // a multiple of every bucket
    for (const Case& c : std::vector<Case>{
             {HistoryRange::live, "raw", 10, 3600},
             {HistoryRange::hour, "raw", 10, 3600},
             {HistoryRange::day, "m1", 300, 86400},
             {HistoryRange::week, "m15", 1800, 604800},
             {HistoryRange::month, "m15", 3600, 2592000},
         }) {
        SCOPED_TRACE(rawValue(c.range).toStdString());
        QFile::remove(path);
        QFile::remove(path + "-wal");
        QFile::remove(path + "-shm");
        auto store = open(now);
        ASSERT_NE(store, nullptr);
        // A decoy in every other table, then the range's own rows: one just before the span
        // (a point too many if read), one at its start, and a recent pair sharing a bucket.
        for (const char* table : {"raw", "m1", "m15"}) {
            if (table != c.table)
                plant(table, now - 1, "cpu_user", -1000);
        }
        const double start = now - c.span;
        plant(c.table, start - 1, "cpu_user", 1000);
        plant(c.table, start, "cpu_user", 100);
        plant(c.table, now - c.bucket + 1, "cpu_user", 7);
        plant(c.table, now - 1, "cpu_user", 9);

        const HistorySeries series = store->loadNow({HistoryMetric::cpuUser}, c.range);
        EXPECT_EQ(series.bucket, c.bucket);
        EXPECT_EQ(series.times, (std::vector<double>{start, now - c.bucket}));
        EXPECT_EQ(series.values.at(HistoryMetric::cpuUser), (Values{100, 8}));
        store.reset();
    }
}

TEST_F(HistoryQuery, AFirstBucketBeforeTheRangeStartAveragesOnlyRowsFromTheStart) {
    const double bucket = 1700000100;        // a five-minute boundary
    const double now = bucket + 100 + 86400; // the range starts 100 s into that bucket
    auto store = open(now);
    for (int minute = 0; minute < 5; ++minute)
        plant("m1", bucket + 60 * minute, "cpu_user", minute + 1);
    const HistorySeries series = store->loadNow({HistoryMetric::cpuUser}, HistoryRange::day);
    ASSERT_FALSE(series.times.empty());
    EXPECT_EQ(series.times.front(), bucket);
    EXPECT_EQ(series.values.at(HistoryMetric::cpuUser).front(), 4); // mean of 3, 4, 5
}

TEST_F(HistoryQuery, AbsentValuesAndEqualLengthLists) {
    const double now = 1700000400;
    auto store = open(now);
    // Bucket now-60: processor and temperature, no fan. Bucket now-30: all three.
    store->record({{HistoryMetric::cpuUser, 10}, {HistoryMetric::temperature, 50}}, at(now - 60));
    store->record({{HistoryMetric::cpuUser, 20},
                   {HistoryMetric::temperature, 60},
                   {HistoryMetric::fan, 1800}},
                  at(now - 30));
    const HistorySeries series =
        store->loadNow({HistoryMetric::temperature, HistoryMetric::fan, HistoryMetric::cpuUser},
                       HistoryRange::live);
    EXPECT_EQ(series.times, (std::vector<double>{now - 60, now - 30}));
    EXPECT_EQ(series.values.size(), 3u);
    EXPECT_EQ(series.values.at(HistoryMetric::temperature), (Values{50, 60}));
    EXPECT_EQ(series.values.at(HistoryMetric::fan), (Values{null, 1800}));
    EXPECT_EQ(series.values.at(HistoryMetric::cpuUser), (Values{10, 20}));
    EXPECT_EQ(series, store->loadNow(
                          {HistoryMetric::temperature, HistoryMetric::fan, HistoryMetric::cpuUser},
                          HistoryRange::hour));
}

TEST_F(HistoryQuery, AMetricAskedTwiceHasOneList) {
    const double now = 1700000400;
    auto store = open(now);
    store->record({{HistoryMetric::power, 12}}, at(now - 5));
    const HistorySeries series =
        store->loadNow({HistoryMetric::power, HistoryMetric::power}, HistoryRange::hour);
    EXPECT_EQ(series.values.size(), 1u);
    EXPECT_EQ(series.values.at(HistoryMetric::power), (Values{12}));
}

TEST_F(HistoryQuery, NoRowsGiveEmptyListsAndNoTablesGiveNoLists) {
    auto store = open(1700000000);
    const HistorySeries empty = store->loadNow({HistoryMetric::fan}, HistoryRange::week);
    EXPECT_TRUE(empty.times.empty());
    EXPECT_EQ(empty.values, (std::map<HistoryMetric, Values>{{HistoryMetric::fan, {}}}));
    EXPECT_EQ(empty.bucket, 1800);
    store.reset();

    const QString bare = scratchDir() + "/bare.sqlite";
    TestDatabase(bare).exec("CREATE TABLE unrelated (x)");
    auto reader = HistoryStore::open(bare, true, manualOptions(clock));
    ASSERT_NE(reader, nullptr);
    const HistorySeries none = reader->loadNow({HistoryMetric::fan}, HistoryRange::month);
    EXPECT_TRUE(none.times.empty());
    EXPECT_TRUE(none.values.empty());
    EXPECT_EQ(none.bucket, 3600);
}

TEST_F(HistoryQuery, LoadCompletesOnTheMainThreadWithWhatWasJustRecorded) {
    const double now = 1700000400;
    auto store = open(now);
    store->record({{HistoryMetric::download, 2048}}, at(now - 1));
    std::optional<HistorySeries> received;
    QThread* thread = nullptr;
    int calls = 0;
    store->load({HistoryMetric::download}, HistoryRange::live, [&](HistorySeries series) {
        received = std::move(series);
        thread = QThread::currentThread();
        ++calls;
    });
    ASSERT_TRUE(waitUntil([&] { return received.has_value(); }));
    EXPECT_EQ(thread, QCoreApplication::instance()->thread());
    EXPECT_EQ(received->times, (std::vector<double>{now - 10}));
    EXPECT_EQ(received->values.at(HistoryMetric::download), (Values{2048}));
    QCoreApplication::processEvents();
    EXPECT_EQ(calls, 1);
}

TEST_F(HistoryQuery, LoadWithoutMetricsStillFlushes) {
    const double now = 1700000400;
    auto store = open(now);
    store->record({{HistoryMetric::upload, 1}}, at(now - 1));
    std::optional<HistorySeries> received;
    store->load({}, HistoryRange::live, [&](HistorySeries series) { received = series; });
    ASSERT_TRUE(waitUntil([&] { return received.has_value(); }));
    EXPECT_EQ(*received, (HistorySeries{{}, {}, 10}));
    TestDatabase db(path);
    EXPECT_EQ(db.rows("SELECT net_up FROM raw"), (std::vector<Row>{{1}}));
}

TEST_F(HistoryQuery, ClearDeletesEverythingAndDropsWhatIsPending) {
    const double now = 1700000400;
    auto store = open(now);
    store->record({{HistoryMetric::cpuUser, 1}}, at(now - 100));
    store->flush();
    store->record({{HistoryMetric::cpuUser, 2}}, at(now - 50)); // pending when clearing
    bool cleared = false;
    store->clear([&] { cleared = true; });
    ASSERT_TRUE(waitUntil([&] { return cleared; }));
    for (const HistoryRange range : allCases<HistoryRange>())
        EXPECT_TRUE(store->loadNow({HistoryMetric::cpuUser}, range).times.empty());
    TestDatabase db(path);
    EXPECT_EQ(db.rows("SELECT (SELECT count(*) FROM raw) + (SELECT count(*) FROM m1) + "
                      "(SELECT count(*) FROM m15)"),
              (std::vector<Row>{{0}}));

    store->record({{HistoryMetric::cpuUser, 3}}, at(now - 5));
    EXPECT_EQ(store->loadNow({HistoryMetric::cpuUser}, HistoryRange::hour).values,
              (std::map<HistoryMetric, Values>{{HistoryMetric::cpuUser, {3}}}));
}

TEST_F(HistoryQuery, ClearOnAReadOnlyStoreRemovesNothingButCompletes) {
    const double now = 1700000400;
    auto writer = open(now);
    writer->record({{HistoryMetric::cpuUser, 1}}, at(now - 5));
    writer->flush();
    auto reader = HistoryStore::open(path, true, manualOptions(clock));
    ASSERT_NE(reader, nullptr);
    bool cleared = false;
    reader->clear([&] { cleared = true; });
    ASSERT_TRUE(waitUntil([&] { return cleared; }));
    EXPECT_EQ(reader->loadNow({HistoryMetric::cpuUser}, HistoryRange::hour).times.size(), 1u);
}

} // namespace
