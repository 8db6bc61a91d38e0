#include "HistoryTestSupport.h"
#include "history/HistoryStore.h"
#include "support/TestEnv.h"

#include <QFile>
#include <gtest/gtest.h>

using namespace morvanex;
using namespace morvanex::test;

namespace {

constexpr double now = 1700000400;
// One sample a flush, each its own commit: several pages of log apiece, so this many make a
// log well past the length at which it is copied back into the database.
constexpr int longLogFlushes = 120;

// Rows of "raw" in a copy of the database file, with or without its log. Without it: what has
// been copied back into the file (no table yet counts as none).
std::optional<double> rawRows(const QString& path, bool withLog) {
    const QString copy = scratchDir() + "/copy.sqlite";
    for (const char* suffix : {"", "-wal", "-shm"})
        QFile::remove(copy + suffix);
    if (!QFile::copy(path, copy) || (withLog && !QFile::copy(path + "-wal", copy + "-wal")))
        return std::nullopt;
    TestDatabase db(copy);
    const std::vector<Row> tables =
        db.rows("SELECT COUNT(*) FROM sqlite_master WHERE type = 'table' AND name = 'raw'");
    if (tables.size() != 1 || tables.front().empty())
        return std::nullopt;
    if (tables.front().front() == 0.0)
        return 0.0;
    const std::vector<Row> rows = db.rows("SELECT COUNT(*) FROM raw");
    return rows.size() == 1 && !rows.front().empty() ? rows.front().front() : std::nullopt;
}

void recordFlushingEach(HistoryStore& store, int count) {
    for (int i = 0; i < count; ++i) {
        store.record({{HistoryMetric::cpuUser, double(i)}}, at(now - count + i));
        store.flush();
    }
}

// The application's last flush and its closing of the database come on its way out: neither
// may wait for the disk to copy the log back into the database. The log keeps every row for
// the next opening.
TEST(HistoryLog, FlushesAndClosingLeaveTheLogForTheNextOpening) {
    const QString path = HistoryStore::defaultURL();
    ManualClock clock(now);
    {
        auto store = HistoryStore::open(path, false, manualOptions(clock));
        ASSERT_NE(store, nullptr);
        recordFlushingEach(*store, longLogFlushes);
        store->record({{HistoryMetric::cpuUser, 99}}, at(now));
    } // closed with one sample still pending
    EXPECT_EQ(rawRows(path, false), 0.0);
    EXPECT_EQ(rawRows(path, true), double(longLogFlushes + 1));
}

// The timed flush copies a long log back, so the log does not grow for as long as the
// application runs: here one that earlier runs left, once this run has written.
TEST(HistoryLog, TheTimedFlushCopiesALongLogBack) {
    const QString path = HistoryStore::defaultURL();
    ManualClock clock(now);
    {
        auto earlier = HistoryStore::open(path, false, manualOptions(clock));
        ASSERT_NE(earlier, nullptr);
        recordFlushingEach(*earlier, longLogFlushes);
    }
    ASSERT_EQ(rawRows(path, false), 0.0);

    HistoryStore::Options options = manualOptions(clock);
    options.flushInterval = std::chrono::milliseconds(20);
    auto store = HistoryStore::open(path, false, options);
    ASSERT_NE(store, nullptr);
    store->record({{HistoryMetric::cpuUser, 99}}, at(now));
    EXPECT_TRUE(waitUntil([&] { return rawRows(path, false) == double(longLogFlushes + 1); }));
}

} // namespace
