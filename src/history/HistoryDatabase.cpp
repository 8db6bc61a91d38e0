#include "history/HistoryDatabase.h"

#include "base/Numbers.h"
#include "history/HistoryFiles.h"
#include "history/HistorySql.h"
#include "platform/FileKind.h"
#include "platform/Log.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cmath>
#include <set>
#include <string>

namespace morvanex {
namespace {

constexpr int busyTimeoutMs = 2000;
constexpr int writableFlags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX;
constexpr int readOnlyFlags = SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX;

// The most virtual-machine steps one operation may take. Reading all thirteen metrics from a
// full table of real data, or rolling one up, takes well under a million (the month's range
// about 250 000); a schema that hides endless work behind a table's name (a view over a
// recursive query) is stopped here, within a second or so, instead of holding the connection's
// thread for good.
constexpr std::int64_t stepLimit = 50000000;

// A flush writes a few pages; the log is checkpointed into the database every 256 pages
// (1 MiB) instead of SQLite's 1000 (see checkpointIfLong), and cut back to 1 MiB after a
// checkpoint that a slow reader held up, so the database and its log together stay small.
constexpr int checkpointPages = 256;
constexpr const char* logLimits = "PRAGMA journal_size_limit=1048576";

// Counts the log's pages after each commit in place of SQLite's own checkpoint after commit,
// which would make whichever write crosses the mark wait for the disk: the last flush on the
// application's way out among them.
int countLogPages(void* pages, sqlite3*, const char*, int count) {
    *static_cast<int*>(pages) = count;
    return SQLITE_OK;
}

std::string encodedPath(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

sqlite::Connection openWithTimeout(const QString& path, int flags) {
    sqlite::Connection db = sqlite::open(encodedPath(path), flags);
    if (db)
        sqlite3_busy_timeout(db.get(), busyTimeoutMs);
    return db;
}

bool isDamage(int result) {
    const int code = sqlite::primary(result);
    return code == SQLITE_NOTADB || code == SQLITE_CORRUPT;
}

// SQLite opens any file without complaint and only fails once it reads it. A file that is not
// a database, or whose schema is damaged, would then fail every later statement without a
// word, so read the whole schema once now. Only damage counts: a database that is merely busy
// is fine.
bool isUnusable(sqlite3* db) {
    const sqlite::StepLimit limit(db, stepLimit);
    int result = SQLITE_OK;
    const sqlite::Statement probe =
        sqlite::prepare(db, "SELECT type, name, sql FROM sqlite_master", &result);
    if (!probe)
        return isDamage(result);
    while ((result = sqlite3_step(probe.get())) == SQLITE_ROW) {
    }
    return isDamage(result);
}

// Probed through a read-only connection, closed again before the file is moved: SQLite then
// neither checkpoints into a bad file nor deletes its log, so a set-aside file stays as found.
bool isUnusableFile(const QString& path) {
    const sqlite::Connection probe = openWithTimeout(path, readOnlyFlags);
    return probe && isUnusable(probe.get());
}

// SQLite opens the database's companions as well: its write-ahead log and index, and a rollback
// journal it finds beside it. The first of them all that is there but is not a regular file;
// opening that (a FIFO, say) could wait for a writer for good.
QString irregularFile(const QString& path) {
    return platform::firstIrregular({path, path + QStringLiteral("-wal"),
                                     path + QStringLiteral("-shm"),
                                     path + QStringLiteral("-journal")});
}

// Why a database whose file `irregular` is not a regular file is not opened.
QString notRegular(const QString& path, const QString& irregular) {
    return (irregular == path ? QStringLiteral("it") : irregular) +
           QStringLiteral(" is not a regular file; it is left alone");
}

QString openFailure(int result) {
    return QString::fromUtf8(sqlite3_errstr(result));
}

void warnIfStopped(const sqlite::StepLimit& limit, const char* operation) {
    if (limit.reached())
        qCWarning(log::history, "History %s stopped: it ran past its work limit", operation);
}

} // namespace

HistoryDatabase::HistoryDatabase(sqlite::Connection db, bool writable) : db_(std::move(db)) {
    if (writable)
        sqlite3_wal_hook(db_.get(), countLogPages, logPages_.get());
}

HistoryDatabase::Opened HistoryDatabase::openWritable(const QString& path, std::int64_t unixTime) {
    if (const QString irregular = irregularFile(path); !irregular.isEmpty())
        return {std::nullopt, false, notRegular(path, irregular)};
    QDir().mkpath(QFileInfo(path).absolutePath()); // a failure shows in the open below
    if (QFileInfo::exists(path) && isUnusableFile(path) && !historyfiles::setAside(path, unixTime))
        return {std::nullopt, false,
                QStringLiteral("it is not a usable database and could not be moved aside")};
    int result = SQLITE_OK;
    sqlite::Connection db = sqlite::open(encodedPath(path), writableFlags, &result);
    if (!db)
        return {std::nullopt, false, openFailure(result)};
    sqlite3_busy_timeout(db.get(), busyTimeoutMs);
    const sqlite::StepLimit limit(db.get(), stepLimit);
    sqlite::exec(db.get(), "PRAGMA journal_mode=WAL");
    sqlite::exec(db.get(), "PRAGMA synchronous=NORMAL");
    sqlite::exec(db.get(), logLimits);
    // Closing leaves the log as it is, for the next opening (or a reader) to read: the
    // checkpoint SQLite runs on the last close waits for the disk twice, and the last close
    // comes on the application's way out. Everything written is in the log already.
    sqlite3_db_config(db.get(), SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, nullptr);
    HistoryDatabase database(std::move(db), true);
    for (const HistoryTier& tier : historyTiers)
        database.createTable(tier.table);
    warnIfStopped(limit, "set-up");
    return {std::move(database), false, {}};
}

HistoryDatabase::Opened HistoryDatabase::openReadOnly(const QString& path) {
    if (const QString irregular = irregularFile(path); !irregular.isEmpty())
        return {std::nullopt, false, notRegular(path, irregular)};
    int result = SQLITE_OK;
    sqlite::Connection db = sqlite::open(encodedPath(path), readOnlyFlags, &result);
    if (!db) {
        if (!QFileInfo::exists(path))
            return {std::nullopt, true, {}};
        return {std::nullopt, false, openFailure(result)};
    }
    sqlite3_busy_timeout(db.get(), busyTimeoutMs);
    if (isUnusable(db.get()))
        return {std::nullopt, false, QStringLiteral("it is not a usable database")};
    return {HistoryDatabase(std::move(db)), false, {}};
}

void HistoryDatabase::createTable(std::string_view table) {
    sqlite::exec(db_.get(), historysql::createTable(table));
    std::set<std::string, std::less<>> existing;
    if (const sqlite::Statement info = sqlite::prepare(db_.get(), historysql::tableInfo(table))) {
        while (sqlite3_step(info.get()) == SQLITE_ROW) {
            if (const unsigned char* name = sqlite3_column_text(info.get(), 1))
                existing.emplace(reinterpret_cast<const char*>(name));
        }
    }
    for (const HistoryMetric metric : allCases<HistoryMetric>()) {
        if (!existing.contains(columnName(metric)))
            sqlite::exec(db_.get(), historysql::addColumn(table, metric));
    }
}

void HistoryDatabase::write(const std::vector<HistorySample>& batch) {
    if (batch.empty())
        return;
    sqlite3* db = db_.get();
    const sqlite::StepLimit limit(db, stepLimit);
    sqlite::exec(db, "BEGIN");
    if (const sqlite::Statement insert = sqlite::prepare(db, historysql::insertRaw())) {
        sqlite3_stmt* statement = insert.get();
        for (const HistorySample& sample : batch) {
            sqlite3_bind_int64(statement, 1, sample.time);
            for (std::size_t i = 0; i < sample.values.size(); ++i) {
                const int parameter = static_cast<int>(i) + 2;
                const double value = sample.values[i];
                if (std::isfinite(value))
                    sqlite3_bind_double(statement, parameter, value);
                else
                    sqlite3_bind_null(statement, parameter);
            }
            sqlite3_step(statement);
            sqlite3_reset(statement);
        }
    }
    const auto earliest = std::min_element(
        batch.begin(), batch.end(), [](const auto& a, const auto& b) { return a.time < b.time; });
    const std::int64_t since = earliest->time;
    rollUp(historyTiers[0], historyTiers[1], since);
    rollUp(historyTiers[1], historyTiers[2], since);
    sqlite::exec(db, "COMMIT");
    // A COMMIT that failed (say, busy past the timeout) leaves the transaction open: every later
    // BEGIN would then fail and the store would hold its write lock until it happens to commit.
    // Drop this batch instead so the next flush starts clean.
    if (sqlite3_get_autocommit(db) == 0)
        sqlite::exec(db, "ROLLBACK");
    warnIfStopped(limit, "write");
}

void HistoryDatabase::rollUp(const HistoryTier& from, const HistoryTier& into, std::int64_t since) {
    sqlite::exec(db_.get(), historysql::rollUp(from, into, since));
}

void HistoryDatabase::prune(double now) {
    const sqlite::StepLimit limit(db_.get(), stepLimit);
    for (const HistoryTier& tier : historyTiers) {
        if (const auto cutoff = numbers::truncatedInt64(now - tier.keep))
            sqlite::exec(db_.get(), historysql::prune(tier, *cutoff));
    }
    warnIfStopped(limit, "prune");
}

HistorySeries HistoryDatabase::query(const std::vector<HistoryMetric>& metrics, HistoryRange range,
                                     std::int64_t now) const {
    const HistoryRangeSource from = source(range);
    HistorySeries series;
    series.bucket = static_cast<double>(from.bucket);
    if (metrics.empty())
        return series;
    const sqlite::StepLimit limit(db_.get(), stepLimit);
    int result = SQLITE_OK;
    const sqlite::Statement statement =
        sqlite::prepare(db_.get(), historysql::query(metrics, from, now - from.span), &result);
    if (!statement) {
        qCWarning(log::history, "History query failed: %s", sqlite3_errmsg(db_.get()));
        return series;
    }
    std::vector<std::vector<std::optional<double>>> columns(metrics.size());
    sqlite3_stmt* rows = statement.get();
    while ((result = sqlite3_step(rows)) == SQLITE_ROW) {
        series.times.push_back(static_cast<double>(sqlite3_column_int64(rows, 0)));
        for (std::size_t i = 0; i < metrics.size(); ++i) {
            const int column = static_cast<int>(i) + 1;
            if (sqlite3_column_type(rows, column) == SQLITE_NULL)
                columns[i].push_back(std::nullopt);
            else
                columns[i].push_back(sqlite3_column_double(rows, column));
        }
    }
    // A range read halfway would pass for the whole of it: a query that did not finish has no
    // points.
    if (result != SQLITE_DONE) {
        if (limit.reached())
            qCWarning(log::history, "History query stopped: it ran past its work limit");
        else
            qCWarning(log::history, "History query failed: %s", sqlite3_errmsg(db_.get()));
        series.times.clear();
        return series;
    }
    for (std::size_t i = 0; i < metrics.size(); ++i)
        series.values[metrics[i]] = std::move(columns[i]);
    return series;
}

void HistoryDatabase::clear() {
    const sqlite::StepLimit limit(db_.get(), stepLimit);
    for (const HistoryTier& tier : historyTiers)
        sqlite::exec(db_.get(), "DELETE FROM " + std::string(tier.table));
    sqlite::exec(db_.get(), "VACUUM");
    warnIfStopped(limit, "clear");
    // The emptied file is in the log until it is copied back.
    checkpointIfLong();
}

void HistoryDatabase::checkpointIfLong() {
    if (*logPages_ < checkpointPages)
        return;
    // Passive: a reader in the middle of a query is not waited for; what it still needs is
    // copied at a later call.
    int logged = 0;
    int copied = 0;
    const int result =
        sqlite3_wal_checkpoint_v2(db_.get(), nullptr, SQLITE_CHECKPOINT_PASSIVE, &logged, &copied);
    if (result != SQLITE_OK && result != SQLITE_BUSY)
        qCWarning(log::history, "The history log was not copied into the database: %s",
                  sqlite3_errstr(result));
    if (result == SQLITE_OK && copied == logged)
        *logPages_ = 0;
}

} // namespace morvanex
