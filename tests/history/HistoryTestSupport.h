#pragma once

#include "history/HistoryStore.h"
#include "platform/Clock.h"

#include <QString>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <sqlite3.h>
#include <string>
#include <vector>

namespace morvanex::test {

// A wall clock the test sets by hand; copies of clock() follow every later change.
class ManualClock {
public:
    explicit ManualClock(double seconds = 0) { set(seconds); }

    void set(double seconds) { ms_->store(static_cast<std::int64_t>(seconds * 1000)); }
    void advance(double seconds) { set(now() + seconds); }
    double now() const { return static_cast<double>(ms_->load()) / 1000; }
    platform::Clock clock() const;

private:
    std::shared_ptr<std::atomic<std::int64_t>> ms_ = std::make_shared<std::atomic<std::int64_t>>();
};

// Store options driven by `clock`, with a flush timer too slow to fire during a test.
HistoryStore::Options manualOptions(const ManualClock& clock);

// A time `seconds` after the Unix epoch.
QDateTime at(double seconds);

using Row = std::vector<std::optional<double>>;

// A connection of the test's own to a database file, beside any store using it.
class TestDatabase {
public:
    explicit TestDatabase(const QString& path);
    TestDatabase(const TestDatabase&) = delete;
    TestDatabase& operator=(const TestDatabase&) = delete;
    ~TestDatabase();

    // Runs statements; the SQLite result code.
    int exec(const std::string& sql);
    // Every row of a query, each column as a number or absent (NULL).
    std::vector<Row> rows(const std::string& sql);
    // The single text of a one-row, one-column query (empty when none).
    std::string text(const std::string& sql);
    // Column names of a table, in order.
    std::vector<std::string> columns(const std::string& table);

private:
    sqlite3* db_ = nullptr;
};

// Processes main-thread events until `condition` holds; false if it never does (a hang guard,
// not a timing check).
bool waitUntil(const std::function<bool()>& condition);

// The file's bytes; empty when it cannot be read.
QByteArray fileBytes(const QString& path);
void writeFile(const QString& path, const QByteArray& bytes);

// The thirteen column names in their fixed order.
std::vector<std::string> metricColumns();

} // namespace morvanex::test
