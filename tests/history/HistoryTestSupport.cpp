#include "HistoryTestSupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <chrono>
#include <sqlite3.h>
#include <thread>

namespace morvanex::test {

platform::Clock ManualClock::clock() const {
    platform::Clock clock;
    clock.now = [ms = ms_] { return QDateTime::fromMSecsSinceEpoch(ms->load(), Qt::UTC); };
    return clock;
}

HistoryStore::Options manualOptions(const ManualClock& clock) {
    HistoryStore::Options options;
    options.clock = clock.clock();
    options.flushInterval = std::chrono::hours(24);
    return options;
}

QDateTime at(double seconds) {
    return QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(seconds * 1000), Qt::UTC);
}

TestDatabase::TestDatabase(const QString& path) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    sqlite3_open_v2(QFile::encodeName(path).constData(), &db_,
                    SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    sqlite3_busy_timeout(db_, 5000);
}

TestDatabase::~TestDatabase() {
    sqlite3_close_v2(db_);
}

int TestDatabase::exec(const std::string& sql) {
    return sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, nullptr);
}

std::vector<Row> TestDatabase::rows(const std::string& sql) {
    std::vector<Row> out;
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &statement, nullptr) != SQLITE_OK)
        return out;
    while (sqlite3_step(statement) == SQLITE_ROW) {
        Row row;
        for (int i = 0; i < sqlite3_column_count(statement); ++i) {
            if (sqlite3_column_type(statement, i) == SQLITE_NULL)
                row.push_back(std::nullopt);
            else
                row.push_back(sqlite3_column_double(statement, i));
        }
        out.push_back(std::move(row));
    }
    sqlite3_finalize(statement);
    return out;
}

std::string TestDatabase::text(const std::string& sql) {
    std::string out;
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &statement, nullptr) != SQLITE_OK)
        return out;
    if (sqlite3_step(statement) == SQLITE_ROW) {
        if (const unsigned char* value = sqlite3_column_text(statement, 0))
            out = reinterpret_cast<const char*>(value);
    }
    sqlite3_finalize(statement);
    return out;
}

std::vector<std::string> TestDatabase::columns(const std::string& table) {
    std::vector<std::string> out;
    sqlite3_stmt* statement = nullptr;
    const std::string sql = "PRAGMA table_info(" + table + ")";
    if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &statement, nullptr) != SQLITE_OK)
        return out;
    while (sqlite3_step(statement) == SQLITE_ROW)
        out.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(statement, 1)));
    sqlite3_finalize(statement);
    return out;
}

bool waitUntil(const std::function<bool()>& condition) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

QByteArray fileBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(bytes);
}

std::vector<std::string> metricColumns() {
    std::vector<std::string> out;
    for (const HistoryMetric metric : allCases<HistoryMetric>())
        out.emplace_back(columnName(metric));
    return out;
}

} // namespace morvanex::test
