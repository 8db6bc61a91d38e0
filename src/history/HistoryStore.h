#pragma once

#include "history/HistoryMetric.h"
#include "history/HistoryRange.h"
#include "history/HistorySeries.h"
#include "history/HistoryTier.h"
#include "platform/Clock.h"
#include "platform/SerialQueue.h"

#include <QDateTime>
#include <QString>
#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <vector>

namespace morvanex {

struct HistoryStoreOptions {
    // The wall clock that prunes and query ranges are measured from (and that names a set
    // aside file), so tests and benchmarks can drive time.
    platform::Clock clock;
    // How often a writable store writes what was recorded.
    std::chrono::milliseconds flushInterval{30000};
};

// Up to 31 days of the machine's metric history in one SQLite database, in three tiers
// (one-second, one-minute and fifteen-minute rows). The tray application opens it writable and
// records one sample per tick; agent servers open the same file read-only. Every statement
// runs on the store's own serial queue "Morvanex.history", which alone uses the connection;
// nothing on that queue ever waits for the main thread. No operation reports errors to its
// caller (a failed open and a failed query are logged); only a failed open is visible, as no
// store.
class HistoryStore {
    struct Key {};
    struct State;

public:
    using Tier = HistoryTier;
    using Values = std::map<HistoryMetric, double>;
    using Options = HistoryStoreOptions;

    // The database file: $XDG_DATA_HOME/Morvanex/history.sqlite (~/.local/share/… when unset).
    // Computed on each use; creates nothing.
    static QString defaultURL();

    // Opens the database at the path `url`. Writable: creates folder, file and tables as
    // needed, starts the flush timer and prunes once; a file that is not a usable database is
    // renamed to "history.sqlite.corrupt-<unix time>" and a new one started. Read-only:
    // creates nothing; when the file does not exist yet, the store opens it on first use, and
    // again on each later use until it exists. No store when the file cannot be used, or when it
    // or a companion file is there but is not a regular file (it is never opened: a FIFO would
    // wait for good); either is logged with its reason.
    static std::unique_ptr<HistoryStore> open(const QString& url, bool readOnly,
                                              Options options = {});

    HistoryStore(Key, bool readOnly, std::shared_ptr<State> state,
                 std::chrono::milliseconds flushInterval);
    HistoryStore(const HistoryStore&) = delete;
    HistoryStore& operator=(const HistoryStore&) = delete;
    // Stops the flush timer, writes what is still pending, lets queued work finish, closes. The
    // log is left for the next opening to read, not copied back into the database first.
    ~HistoryStore();

    static const std::array<Tier, 3>& tiers() { return historyTiers; }

    bool isReadOnly() const { return readOnly_; }

    // Queues one sample at `date` (whole seconds, fraction cut). Returns at once; the sample is
    // written by the next flush. Missing metrics and non-finite values are stored as NULL. A
    // read-only store records nothing; an invalid date records nothing.
    void record(const Values& values, const QDateTime& date);

    // Writes everything recorded so far and returns once it is written. Safe at any time, any
    // number of times, with nothing pending, and from destructors. Only the timer's own flushes
    // copy a long log back into the database: this one does not wait for that.
    void flush();

    // Writes what is pending, reads the range and hands the series to `completion` on the main
    // thread. Returns at once.
    void load(std::vector<HistoryMetric> metrics, HistoryRange range,
              std::function<void(HistorySeries)> completion);
    // The same, waiting for the result. Not from the store's own queue's work.
    HistorySeries loadNow(const std::vector<HistoryMetric>& metrics, HistoryRange range);

    // Drops what is pending, deletes every row, then calls `completion` on the main thread.
    // Recording carries on afterwards.
    void clear(std::function<void()> completion);

    // Bytes on disk of the default database file and its write-ahead log, wherever this store
    // was opened. Any thread; missing files count 0.
    static std::int64_t fileSize();

private:
    static void flushOnQueue(State& state);
    static void pruneOnQueue(State& state);
    static HistorySeries query(State& state, const std::vector<HistoryMetric>& metrics,
                               HistoryRange range);

    const bool readOnly_;
    // Touched only by work on `queue_`; shared so that queued work keeps it alive.
    std::shared_ptr<State> state_;
    std::unique_ptr<platform::SerialQueue> queue_;
    platform::TimerHandle flushTimer_;
};

} // namespace morvanex
