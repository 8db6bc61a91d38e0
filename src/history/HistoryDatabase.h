#pragma once

#include "history/HistoryMetric.h"
#include "history/HistoryRange.h"
#include "history/HistorySeries.h"
#include "history/HistoryTier.h"
#include "history/Sqlite.h"

#include <QString>
#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

namespace morvanex {

// One recorded sample: whole Unix seconds and a value per metric in allCases order, NaN where
// no finite value was known (written as NULL).
struct HistorySample {
    std::int64_t time = 0;
    std::array<double, historyMetricCount> values{};
};

// One connection to the history database and every statement run on it. Not thread-safe: the
// connection is opened without SQLite's mutex, so one thread at a time uses it. Result codes
// are ignored except where ignoring them would leave the connection in a bad state.
class HistoryDatabase {
public:
    struct Opened;
    // Opens or creates the database for writing: creates the folder, switches to write-ahead
    // logging, creates missing tables and columns. A file that is not a usable database is set
    // aside (its name gets `unixTime`) and a new one is started. Nothing when even that fails.
    // The database file or one of its companions (log, index, journal) being there but not a
    // regular file gives nothing too, and they are left alone: opening one could wait for good.
    static Opened openWritable(const QString& path, std::int64_t unixTime);
    // Opens an existing database for reading only; creates nothing. The same files are refused.
    static Opened openReadOnly(const QString& path);

    // Writes the samples to "raw" and recomputes the affected "m1" and "m15" rows, all in one
    // transaction. A later sample of the same second replaces the earlier row.
    void write(const std::vector<HistorySample>& batch);
    // Recomputes the `into` buckets from the one holding `since` on from the `from` rows.
    void rollUp(const HistoryTier& from, const HistoryTier& into, std::int64_t since);
    // Deletes each tier's rows older than its keep time before `now` (Unix seconds).
    void prune(double now);
    // The range's points up to `now` (whole Unix seconds) for the metrics, in their order. A
    // query that fails, or that works past a bound far above what a full table needs, yields
    // no points.
    HistorySeries query(const std::vector<HistoryMetric>& metrics, HistoryRange range,
                        std::int64_t now) const;
    // Deletes every row and gives the space back to the file system.
    void clear();
    // Copies the log back into the database once it has grown past 256 pages (1 MiB); writes
    // never do it themselves. The copy waits for the disk twice, and the write after it, which
    // starts the log over, once more: run this where that wait holds nothing up, right before
    // a write. Nothing for a read-only connection.
    void checkpointIfLong();

private:
    explicit HistoryDatabase(sqlite::Connection db, bool writable = false);

    void createTable(std::string_view table);

    // Pages in the log after the last commit on this connection; on the heap, so the log hook
    // keeps its address when the database moves. Declared first: it outlives the connection.
    std::unique_ptr<int> logPages_ = std::make_unique<int>(0);
    sqlite::Connection db_;
};

struct HistoryDatabase::Opened {
    std::optional<HistoryDatabase> database;
    bool fileMissing = false; // read-only: worth trying again once a writer has created the file
    QString failure;          // why there is no database, when that is worth telling
};

} // namespace morvanex
