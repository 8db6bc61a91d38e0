// Database files that are not what they seem: something other than a regular file at the
// database's path, and a schema that hides endless work behind a table's name. The store must
// answer at once, with no history, rather than wait for good.

#include "HistoryTestSupport.h"
#include "history/HistoryStore.h"
#include "support/EndsInChild.h"
#include "support/TestEnv.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMutex>
#include <QStringList>
#include <functional>
#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace morvanex;
using namespace morvanex::test;

namespace {

constexpr double start = 1700000000;

// The lines logged in the history category while it lives.
class HistoryLog {
public:
    HistoryLog() {
        lines().clear();
        previous_ = qInstallMessageHandler(&HistoryLog::capture);
    }
    HistoryLog(const HistoryLog&) = delete;
    HistoryLog& operator=(const HistoryLog&) = delete;
    ~HistoryLog() { qInstallMessageHandler(previous_); }

    QStringList taken() {
        const QMutexLocker lock(&mutex());
        return std::exchange(lines(), {});
    }

private:
    static QStringList& lines() {
        static QStringList list;
        return list;
    }
    static QMutex& mutex() {
        static QMutex m;
        return m;
    }
    static void capture(QtMsgType, const QMessageLogContext& context, const QString& text) {
        if (QLatin1StringView(context.category) != QLatin1StringView("morvanex.history"))
            return;
        const QMutexLocker lock(&mutex());
        lines().append(text);
    }

    QtMessageHandler previous_ = nullptr;
};

void makeFifo(const QString& path) {
    ASSERT_EQ(mkfifo(QFile::encodeName(path).constData(), 0600), 0);
}

// A database with a row in each table, its log copied back in and removed, as another program
// closing it last leaves it (the store leaves its log for the next opening).
void makeDatabase(const QString& path) {
    ManualClock clock(start);
    {
        auto store = HistoryStore::open(path, false, manualOptions(clock));
        ASSERT_NE(store, nullptr);
        store->record({{HistoryMetric::cpuUser, 12}}, at(start - 5));
    }
    TestDatabase closedLast(path);
    EXPECT_EQ(closedLast.rows("SELECT COUNT(*) FROM raw").size(), 1u);
}

mode_t fileType(const QString& path) {
    struct stat status {};
    return ::stat(QFile::encodeName(path).constData(), &status) == 0 ? status.st_mode & S_IFMT : 0;
}

TEST(HistoryStoreUntrustedFile, SomethingOtherThanARegularFileIsNoHistory) {
    struct Row {
        const char* name;
        const char* irregular; // the file that is not a regular one, after the database path
        std::function<void(const QString& path)> make;
    };
    const Row rows[] = {
        {"FIFO as the database", "", makeFifo},
        {"link to a FIFO", "",
         [](const QString& path) {
             makeFifo(path + ".target");
             QFile::link(path + ".target", path);
         }},
        {"FIFO as the log", "-wal",
         [](const QString& path) {
             makeDatabase(path);
             makeFifo(path + "-wal");
         }},
        {"FIFO as the journal", "-journal",
         [](const QString& path) {
             makeDatabase(path);
             makeFifo(path + "-journal");
         }},
        {"folder as the database", "", [](const QString& path) { QDir().mkpath(path); }},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const QString path = scratchDir() + "/" + row.name + "/history.sqlite";
        ASSERT_TRUE(QDir().mkpath(QFileInfo(path).absolutePath()));
        row.make(path);
        const QString irregular = path + row.irregular;
        const mode_t type = fileType(irregular);
        ASSERT_NE(type, S_IFREG);
        ManualClock clock(start);

        ASSERT_TRUE(endsInChild([&] {
            HistoryStore::open(path, true, manualOptions(clock));
            HistoryStore::open(path, false, manualOptions(clock));
        }));
        HistoryLog log;
        for (const bool readOnly : {true, false}) {
            SCOPED_TRACE(readOnly ? "read-only" : "writable");
            EXPECT_EQ(HistoryStore::open(path, readOnly, manualOptions(clock)), nullptr);
            // One line that names what was ignored.
            const QStringList lines = log.taken();
            ASSERT_EQ(lines.size(), 1) << lines.join('\n').toStdString();
            const QString named = irregular == path ? QStringLiteral("it") : irregular;
            EXPECT_EQ(lines[0], "Cannot open the history database " + path + ": " + named +
                                    " is not a regular file; it is left alone");
        }
        EXPECT_EQ(fileType(irregular), type); // left as it was found
    }
}

TEST(HistoryStoreUntrustedFile, AnyFailedOpenIsToldWithItsReason) {
    HistoryLog log;
    ManualClock clock(start);
    // The folder cannot be created: a plain file stands where it should be.
    writeFile(scratchDir() + "/blocker", "x");
    EXPECT_EQ(
        HistoryStore::open(scratchDir() + "/blocker/history.sqlite", false, manualOptions(clock)),
        nullptr);
    const QStringList lines = log.taken();
    ASSERT_EQ(lines.size(), 1) << lines.join('\n').toStdString();
    EXPECT_EQ(lines[0], "Cannot open the history database " + scratchDir() +
                            "/blocker/history.sqlite: unable to open database file");

    // A file that is not a database: a reader leaves it alone and says why.
    const QString notes = scratchDir() + "/notes.sqlite";
    writeFile(notes, QByteArray("these are notes, not a database\n").repeated(300));
    EXPECT_EQ(HistoryStore::open(notes, true, manualOptions(clock)), nullptr);
    EXPECT_EQ(log.taken(), QStringList{"Cannot open the history database " + notes +
                                       ": it is not a usable database"});

    // A reader started before any writer is no failure: it opens the file once it is there.
    EXPECT_NE(HistoryStore::open(scratchDir() + "/later.sqlite", true, manualOptions(clock)),
              nullptr);
    EXPECT_TRUE(log.taken().isEmpty());
}

// A database whose one-minute table is a view over a recursive query that never ends.
void makeEndlessDatabase(const QString& path) {
    makeDatabase(path);
    std::string columns;
    for (const std::string& column : metricColumns())
        columns += ", 1.0 AS " + column;
    TestDatabase db(path);
    ASSERT_EQ(db.exec("DROP TABLE m1; CREATE VIEW m1 AS WITH RECURSIVE n(ts) AS (SELECT 1 UNION "
                      "ALL SELECT ts + 1 FROM n) SELECT ts" +
                      columns + " FROM n"),
              SQLITE_OK);
}

TEST(HistoryStoreUntrustedFile, EndlessWorkBehindATableNameEndsAsAFailedQuery) {
    const QString path = HistoryStore::defaultURL();
    makeEndlessDatabase(path);
    ManualClock clock(start);
    const auto readDay = [&](bool readOnly) {
        auto store = HistoryStore::open(path, readOnly, manualOptions(clock));
        return store ? store->loadNow({HistoryMetric::cpuUser}, HistoryRange::day)
                     : HistorySeries{};
    };
    // A reader queries the view; a writer also rolls it up into the next tier when it flushes.
    const auto flush = [&] {
        auto store = HistoryStore::open(path, false, manualOptions(clock));
        ASSERT_NE(store, nullptr);
        store->record({{HistoryMetric::cpuUser, 1}}, at(start));
        store->flush();
    };
    ASSERT_TRUE(endsInChild([&] { readDay(true); }));
    ASSERT_TRUE(endsInChild([&] { readDay(false); }));
    ASSERT_TRUE(endsInChild(flush));

    HistoryLog log;
    for (const bool readOnly : {true, false}) {
        SCOPED_TRACE(readOnly ? "read-only" : "writable");
        const HistorySeries series = readDay(readOnly);
        // What a query that fails answers: no points, the range's bucket.
        EXPECT_TRUE(series.times.empty());
        EXPECT_TRUE(series.values.empty());
        EXPECT_EQ(series.bucket, 300);
        EXPECT_TRUE(log.taken().contains("History query stopped: it ran past its work limit"));
    }
    // The other tiers still answer.
    auto store = HistoryStore::open(path, true, manualOptions(clock));
    ASSERT_NE(store, nullptr);
    EXPECT_EQ(store->loadNow({HistoryMetric::cpuUser}, HistoryRange::hour)
                  .values.at(HistoryMetric::cpuUser),
              (std::vector<std::optional<double>>{12}));
}

} // namespace
