#include "history/HistoryDatabase.h"

#include "base/Numbers.h"
#include "history/HistoryFiles.h"
#include "history/HistorySql.h"

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

// A flush writes a few pages; the log is checkpointed into the database every 256 pages
// (1 MiB) instead of SQLite's 1000, and cut back to 1 MiB after a checkpoint that a slow
// reader held up, so the database and its log together stay small.
constexpr const char* logLimits =
    "PRAGMA wal_autocheckpoint=256; PRAGMA journal_size_limit=1048576";

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

} // namespace

std::optional<HistoryDatabase> HistoryDatabase::openWritable(const QString& path,
                                                             std::int64_t unixTime) {
    QDir().mkpath(QFileInfo(path).absolutePath()); // a failure shows in the open below
    if (QFileInfo::exists(path) && isUnusableFile(path) && !historyfiles::setAside(path, unixTime))
        return std::nullopt;
    sqlite::Connection db = openWithTimeout(path, writableFlags);
    if (!db)
        return std::nullopt;
    sqlite::exec(db.get(), "PRAGMA journal_mode=WAL");
    sqlite::exec(db.get(), "PRAGMA synchronous=NORMAL");
    sqlite::exec(db.get(), logLimits);
    HistoryDatabase database(std::move(db));
    for (const HistoryTier& tier : historyTiers)
        database.createTable(tier.table);
    return database;
}

HistoryDatabase::ReadOnlyOpen HistoryDatabase::openReadOnly(const QString& path) {
    sqlite::Connection db = openWithTimeout(path, readOnlyFlags);
    if (!db)
        return {std::nullopt, !QFileInfo::exists(path)};
    if (isUnusable(db.get()))
        return {};
    return {HistoryDatabase(std::move(db)), false};
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
}

void HistoryDatabase::rollUp(const HistoryTier& from, const HistoryTier& into, std::int64_t since) {
    sqlite::exec(db_.get(), historysql::rollUp(from, into, since));
}

void HistoryDatabase::prune(double now) {
    for (const HistoryTier& tier : historyTiers) {
        if (const auto cutoff = numbers::truncatedInt64(now - tier.keep))
            sqlite::exec(db_.get(), historysql::prune(tier, *cutoff));
    }
}

HistorySeries HistoryDatabase::query(const std::vector<HistoryMetric>& metrics, HistoryRange range,
                                     std::int64_t now) const {
    const HistoryRangeSource from = source(range);
    HistorySeries series;
    series.bucket = static_cast<double>(from.bucket);
    if (metrics.empty())
        return series;
    const sqlite::Statement statement =
        sqlite::prepare(db_.get(), historysql::query(metrics, from, now - from.span));
    if (!statement)
        return series;
    std::vector<std::vector<std::optional<double>>> columns(metrics.size());
    sqlite3_stmt* rows = statement.get();
    while (sqlite3_step(rows) == SQLITE_ROW) {
        series.times.push_back(static_cast<double>(sqlite3_column_int64(rows, 0)));
        for (std::size_t i = 0; i < metrics.size(); ++i) {
            const int column = static_cast<int>(i) + 1;
            if (sqlite3_column_type(rows, column) == SQLITE_NULL)
                columns[i].push_back(std::nullopt);
            else
                columns[i].push_back(sqlite3_column_double(rows, column));
        }
    }
    for (std::size_t i = 0; i < metrics.size(); ++i)
        series.values[metrics[i]] = std::move(columns[i]);
    return series;
}

void HistoryDatabase::clear() {
    for (const HistoryTier& tier : historyTiers)
        sqlite::exec(db_.get(), "DELETE FROM " + std::string(tier.table));
    sqlite::exec(db_.get(), "VACUUM");
}

} // namespace morvanex
