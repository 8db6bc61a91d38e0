#include "dump/SyntheticHistory.h"

#include "history/Sqlite.h"
#include "support/TestEnv.h"

#include <QDir>
#include <QFile>
#include <QTimeZone>
#include <cmath>
#include <cstdlib>
#include <ctime>
#include <gtest/gtest.h>
#include <map>
#include <optional>
#include <string>
#include <vector>

using namespace morvanex;

namespace {

// Sets an environment variable for the test's length and puts the old value back afterwards.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const QByteArray& value) : name_(name) {
        if (const char* old = std::getenv(name))
            old_ = QByteArray(old);
        ::setenv(name, value.constData(), 1);
        ::tzset();
    }
    ~ScopedEnv() {
        if (old_)
            ::setenv(name_, old_->constData(), 1);
        else
            ::unsetenv(name_);
        ::tzset();
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    const char* name_;
    std::optional<QByteArray> old_;
};

platform::Clock fixedClock(const QDateTime& now) {
    platform::Clock clock;
    clock.now = [now] { return now; };
    return clock;
}

// A connection of the test's own to the database file, beside the store.
class Database {
public:
    explicit Database(const QString& path)
        : db_(sqlite::open(QFile::encodeName(path).toStdString(), SQLITE_OPEN_READONLY)) {}

    bool isOpen() const { return db_ != nullptr; }

    // The first column of every row, as integers.
    std::vector<std::int64_t> integers(const std::string& sql) const {
        std::vector<std::int64_t> values;
        const sqlite::Statement statement = sqlite::prepare(db_.get(), sql);
        EXPECT_TRUE(statement) << sql;
        while (statement && sqlite3_step(statement.get()) == SQLITE_ROW)
            values.push_back(sqlite3_column_int64(statement.get(), 0));
        return values;
    }
    std::int64_t integer(const std::string& sql) const {
        const auto values = integers(sql);
        return values.empty() ? -1 : values.front();
    }
    double real(const std::string& sql) const {
        const sqlite::Statement statement = sqlite::prepare(db_.get(), sql);
        EXPECT_TRUE(statement) << sql;
        if (!statement || sqlite3_step(statement.get()) != SQLITE_ROW)
            return std::nan("");
        return sqlite3_column_double(statement.get(), 0);
    }

private:
    sqlite::Connection db_;
};

// Each test gets a temporary folder of its own (TMPDIR), so no run touches the machine's.
class DumpSyntheticHistory : public testing::Test {
protected:
    QString tmp = test::scratchDir() + QStringLiteral("/tmp");
    bool made = QDir().mkpath(tmp);
    ScopedEnv tmpdir{"TMPDIR", QFile::encodeName(tmp)};

    QString databasePath() const { return tmp + QStringLiteral("/morvanex-dump-history.sqlite"); }
};

constexpr const char* sevenMetrics[] = {"cpu_user",    "cpu_system", "net_down", "net_up",
                                        "temperature", "fan",        "power"};
constexpr const char* otherMetrics[] = {"gpu",       "mem_pressure", "mem_used",
                                        "disk_read", "disk_write",   "battery"};

TEST_F(DumpSyntheticHistory, LivesInTheTemporaryFolderNamedByTmpdir) {
    ASSERT_TRUE(made);
    EXPECT_EQ(DebugDump::syntheticHistoryPath(), databasePath());
    const auto store = DebugDump::syntheticHistory(
        fixedClock(QDateTime::fromSecsSinceEpoch(1'800'000'000, Qt::UTC)));
    ASSERT_NE(store, nullptr);
    EXPECT_FALSE(store->isReadOnly());
    EXPECT_TRUE(QFile::exists(databasePath()));
}

TEST_F(DumpSyntheticHistory, NoStoreWhenTmpdirNamesNoFolder) {
    const QString missing = tmp + QStringLiteral("/missing");
    ScopedEnv nowhere("TMPDIR", QFile::encodeName(missing));
    EXPECT_EQ(DebugDump::syntheticHistoryPath(), QString());
    EXPECT_EQ(DebugDump::syntheticHistory(), nullptr);
    EXPECT_FALSE(QFile::exists(QStringLiteral("morvanex-dump-history.sqlite")));
    EXPECT_FALSE(QFile::exists(missing));
}

TEST_F(DumpSyntheticHistory, HoldsTheSevenMetricsInEveryTier) {
    const auto store = DebugDump::syntheticHistory(
        fixedClock(QDateTime::fromSecsSinceEpoch(1'800'000'000, Qt::UTC)));
    ASSERT_NE(store, nullptr);
    const Database db(databasePath());
    ASSERT_TRUE(db.isOpen());
    for (const std::string table : {"raw", "m1", "m15"}) {
        SCOPED_TRACE(table);
        const std::int64_t rows = db.integer("SELECT COUNT(*) FROM " + table);
        EXPECT_GT(rows, 0);
        for (const char* column : sevenMetrics)
            EXPECT_EQ(db.integer("SELECT COUNT(" + std::string(column) + ") FROM " + table), rows)
                << column;
        for (const char* column : otherMetrics)
            EXPECT_EQ(db.integer("SELECT COUNT(" + std::string(column) + ") FROM " + table), 0)
                << column;
    }
    EXPECT_GE(db.real("SELECT MIN(fan) FROM raw"), 2400);
    EXPECT_GE(db.real("SELECT MIN(net_down) FROM raw"), 0);
    EXPECT_GE(db.real("SELECT MIN(net_up) FROM raw"), 0);
}

// A run at 04:30 local time in a zone away from UTC: earlier days lose 02:00-06:59 local, while
// the last hour (03:30-04:30) is recorded every two seconds.
TEST_F(DumpSyntheticHistory, LeavesTheNightGapButRecordsTheWholeLastHour) {
    ScopedEnv zone("TZ", "Asia/Kolkata");
    const QTimeZone kolkata("Asia/Kolkata");
    const QDateTime now(QDate(2027, 3, 10), QTime(4, 30, 0, 700), kolkata);
    const auto store = DebugDump::syntheticHistory(fixedClock(now));
    ASSERT_NE(store, nullptr);
    const Database db(databasePath());
    ASSERT_TRUE(db.isOpen());

    const std::int64_t nowSeconds = now.toSecsSinceEpoch();
    const std::int64_t hourAgo = nowSeconds - 3600;
    const std::string before = std::to_string(hourAgo);

    const std::vector<std::int64_t> earlier =
        db.integers("SELECT ts FROM raw WHERE ts < " + before + " ORDER BY ts");
    ASSERT_FALSE(earlier.empty());
    std::map<QDate, int> perDay;
    for (const std::int64_t ts : earlier) {
        const QDateTime local = QDateTime::fromSecsSinceEpoch(ts, kolkata);
        const int hour = local.time().hour();
        EXPECT_FALSE(hour >= 2 && hour <= 6) << local.toString(Qt::ISODate).toStdString();
        ++perDay[local.date()];
    }
    // A whole day in the middle: 19 hours of one row a minute.
    EXPECT_EQ(perDay[QDate(2027, 3, 1)], 19 * 60);
    EXPECT_GE(earlier.front(), nowSeconds - 30 * 86'400);

    const std::vector<std::int64_t> lastHour =
        db.integers("SELECT ts FROM raw WHERE ts >= " + before + " ORDER BY ts");
    ASSERT_EQ(lastHour.size(), 1800u);
    EXPECT_EQ(lastHour.front(), hourAgo);
    EXPECT_EQ(lastHour.back(), nowSeconds - 2);
    for (std::size_t i = 1; i < lastHour.size(); ++i)
        ASSERT_EQ(lastHour[i] - lastHour[i - 1], 2) << i;
}

// A run that stopped without closing its database leaves the file, an unmerged log and the
// index behind; the next run must not see a row of it.
TEST_F(DumpSyntheticHistory, EachRunStartsFromAnEmptyDatabase) {
    const QDateTime first = QDateTime::fromSecsSinceEpoch(1'800'000'000, Qt::UTC);
    const QString aside = tmp + QStringLiteral("/aside");
    ASSERT_TRUE(QDir().mkpath(aside));
    const QStringList suffixes{QString(), QStringLiteral("-wal"), QStringLiteral("-shm")};
    {
        const auto store = DebugDump::syntheticHistory(fixedClock(first));
        ASSERT_NE(store, nullptr);
        ASSERT_TRUE(QFile::exists(databasePath() + QStringLiteral("-wal")));
        for (const QString& suffix : suffixes)
            QFile::copy(databasePath() + suffix, aside + QStringLiteral("/db") + suffix);
    }
    for (const QString& suffix : suffixes) {
        QFile::remove(databasePath() + suffix);
        const QString kept = aside + QStringLiteral("/db") + suffix;
        if (QFile::exists(kept)) {
            ASSERT_TRUE(QFile::copy(kept, databasePath() + suffix));
        }
    }

    // Forty days earlier: nothing of the first run's month can belong to the second.
    const QDateTime second = first.addDays(-40);
    const auto store = DebugDump::syntheticHistory(fixedClock(second));
    ASSERT_NE(store, nullptr);
    const Database db(databasePath());
    ASSERT_TRUE(db.isOpen());
    for (const std::string table : {"raw", "m1", "m15"}) {
        SCOPED_TRACE(table);
        EXPECT_GT(db.integer("SELECT COUNT(*) FROM " + table), 0);
        EXPECT_LT(db.integer("SELECT MAX(ts) FROM " + table), second.toSecsSinceEpoch());
    }
    EXPECT_EQ(db.integer("SELECT COUNT(*) FROM raw WHERE ts >= " +
                         std::to_string(second.toSecsSinceEpoch() - 3600)),
              1800);
}

TEST_F(DumpSyntheticHistory, NoStoreWhenAnOldFileCannotBeRemoved) {
    // A folder in place of the log: it cannot be removed as a file, and must not be left
    // beside a new database.
    ASSERT_TRUE(QDir().mkpath(databasePath() + QStringLiteral("-wal/inside")));
    EXPECT_EQ(DebugDump::syntheticHistory(), nullptr);
    EXPECT_FALSE(QFile::exists(databasePath()));
}

// The values at any time: the fan never below 2400 rpm, no rate below 0, each share at or
// above its floor. Checked over two days at a step that meets both sine periods at many
// phases, and against the closed form at time 0, where both waves are 0.
TEST(DumpSyntheticSample, StaysWithinItsFloors) {
    for (double t = 1'800'000'000; t < 1'800'000'000 + 2 * 86'400; t += 7.3) {
        const HistoryStore::Values values = DebugDump::sample(t);
        ASSERT_EQ(values.size(), 7u);
        ASSERT_GE(values.at(HistoryMetric::fan), 2400) << t;
        ASSERT_GE(values.at(HistoryMetric::download), 0) << t;
        ASSERT_GE(values.at(HistoryMetric::upload), 0) << t;
        ASSERT_GE(values.at(HistoryMetric::cpuUser), 4) << t;
        ASSERT_GE(values.at(HistoryMetric::cpuSystem), 2) << t;
        ASSERT_GE(values.at(HistoryMetric::power), 4) << t;
    }
}

TEST(DumpSyntheticSample, TakesTheMiddleValuesAtTimeZero) {
    const HistoryStore::Values expected{
        {HistoryMetric::cpuUser, 22},     {HistoryMetric::cpuSystem, 8},
        {HistoryMetric::download, 2e6},   {HistoryMetric::upload, 4e5},
        {HistoryMetric::temperature, 58}, {HistoryMetric::fan, 2400},
        {HistoryMetric::power, 14}};
    EXPECT_EQ(DebugDump::sample(0), expected);
}

// The daily wave peaks a quarter of a day after midnight UTC and bottoms out three quarters in;
// upload follows it alone.
TEST(DumpSyntheticSample, UploadFollowsTheDailyWave) {
    EXPECT_NEAR(DebugDump::sample(21'600).at(HistoryMetric::upload), 700'000, 1e-6);
    EXPECT_NEAR(DebugDump::sample(64'800).at(HistoryMetric::upload), 100'000, 1e-6);
    EXPECT_NEAR(DebugDump::sample(86'400 * 10 + 21'600).at(HistoryMetric::upload), 700'000, 1e-3);
}

} // namespace
