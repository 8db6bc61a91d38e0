#include "HistoryTestSupport.h"
#include "base/Numbers.h"
#include "history/HistoryStore.h"
#include "support/TestEnv.h"

#include <QFileInfo>
#include <QProcess>
#include <atomic>
#include <csignal>
#include <gtest/gtest.h>
#include <thread>

using namespace morvanex;
using namespace morvanex::test;

namespace {

constexpr double now = 1700000400;

TEST(HistoryConcurrency, AReaderOpenedBeforeTheFileExistsSeesHistoryOnceItDoes) {
    const QString path = HistoryStore::defaultURL();
    ManualClock clock(now);
    auto reader = HistoryStore::open(path, true, manualOptions(clock));
    ASSERT_NE(reader, nullptr);
    EXPECT_TRUE(reader->loadNow({HistoryMetric::cpuUser}, HistoryRange::hour).times.empty());
    EXPECT_FALSE(QFileInfo::exists(path));

    auto writer = HistoryStore::open(path, false, manualOptions(clock));
    ASSERT_NE(writer, nullptr);
    EXPECT_TRUE(reader->loadNow({HistoryMetric::cpuUser}, HistoryRange::hour).times.empty());
    writer->record({{HistoryMetric::cpuUser, 30}}, at(now - 5));
    writer->flush();
    const HistorySeries series = reader->loadNow({HistoryMetric::cpuUser}, HistoryRange::hour);
    EXPECT_EQ(series.values.at(HistoryMetric::cpuUser), (std::vector<std::optional<double>>{30}));
}

TEST(HistoryConcurrency, AWriterAndAReaderAtOnce) {
    const QString path = HistoryStore::defaultURL();
    ManualClock clock(now);
    auto writer = HistoryStore::open(path, false, manualOptions(clock));
    auto reader = HistoryStore::open(path, true, manualOptions(clock));
    ASSERT_NE(writer, nullptr);
    ASSERT_NE(reader, nullptr);

    constexpr int samples = 600;
    std::atomic<bool> done = false;
    std::atomic<int> reads = 0;
    std::atomic<bool> consistent = true;
    std::thread readerThread([&] {
        std::size_t seen = 0;
        while (!done.load() || reads.load() == 0) {
            const HistorySeries series =
                reader->loadNow({HistoryMetric::cpuUser, HistoryMetric::fan}, HistoryRange::hour);
            const auto& cpu = series.values.at(HistoryMetric::cpuUser);
            const auto& fan = series.values.at(HistoryMetric::fan);
            // Committed batches only, never fewer points than before, lists always aligned.
            if (series.times.size() < seen || cpu.size() != series.times.size() ||
                fan.size() != series.times.size())
                consistent = false;
            for (std::size_t i = 0; i < cpu.size(); ++i) {
                if (cpu[i] != 1.0 || fan[i] != 2.0)
                    consistent = false;
            }
            seen = series.times.size();
            ++reads;
        }
    });
    for (int i = 0; i < samples; ++i) {
        writer->record({{HistoryMetric::cpuUser, 1}, {HistoryMetric::fan, 2}},
                       at(now - samples + i));
        if (i % 15 == 14)
            writer->flush();
    }
    writer->flush();
    done = true;
    readerThread.join();
    EXPECT_TRUE(consistent);
    EXPECT_GT(reads.load(), 0);
    EXPECT_EQ(reader->loadNow({HistoryMetric::cpuUser}, HistoryRange::hour).times.size(),
              std::size_t(samples / 10));
}

// A reader that kept a statement open would pin its snapshot, and the log could never be
// checkpointed back into the database: it would grow for as long as the reader lives.
TEST(HistoryConcurrency, QueriesLeaveNothingThatHoldsUpACheckpoint) {
    const QString path = HistoryStore::defaultURL();
    ManualClock clock(now);
    auto writer = HistoryStore::open(path, false, manualOptions(clock));
    auto reader = HistoryStore::open(path, true, manualOptions(clock));
    for (int i = 0; i < 100; ++i)
        writer->record({{HistoryMetric::cpuUser, double(i)}}, at(now - 100 + i));
    writer->flush();
    for (const HistoryRange range : allCases<HistoryRange>()) {
        EXPECT_FALSE(reader->loadNow({HistoryMetric::cpuUser}, range).times.empty());
        EXPECT_FALSE(writer->loadNow({HistoryMetric::cpuUser}, range).times.empty());
    }
    TestDatabase db(path);
    db.exec("PRAGMA busy_timeout=0");
    // busy, log frames, frames checkpointed
    EXPECT_EQ(db.rows("PRAGMA wal_checkpoint(TRUNCATE)").at(0).at(0), 0);
    EXPECT_EQ(QFileInfo(path + "-wal").size(), 0);
}

TEST(HistoryConcurrency, AKilledRecorderLeavesACleanFileWithEverythingItFlushed) {
    const QString path = HistoryStore::defaultURL();
    const std::int64_t first = 1700000000;
    QProcess child;
    child.start(MORVANEX_HISTORY_RECORDER_CHILD,
                {path, QString::fromStdString(numbers::integerText(first)), "5"});
    ASSERT_TRUE(child.waitForStarted());
    // Let it run through a good number of flushes, then kill it wherever it is.
    QByteArray output;
    while (output.count('\n') < 40 && child.state() == QProcess::Running) {
        child.waitForReadyRead(10000);
        output += child.readAllStandardOutput();
    }
    ASSERT_EQ(child.state(), QProcess::Running) << child.readAllStandardError().toStdString();
    ::kill(static_cast<pid_t>(child.processId()), SIGKILL);
    ASSERT_TRUE(child.waitForFinished());
    output += child.readAllStandardOutput();

    // The newest sample of the last flush the child reported as done.
    const QList<QByteArray> lines = output.trimmed().split('\n');
    ASSERT_GE(lines.size(), 40);
    const std::int64_t lastFlushed = lines.back().toLongLong();
    ASSERT_GE(lastFlushed, first + 199);

    {
        TestDatabase db(path);
        EXPECT_EQ(db.text("PRAGMA integrity_check"), "ok");
        const std::string flushed = " FROM raw WHERE ts <= " + numbers::integerText(lastFlushed);
        EXPECT_EQ(db.rows("SELECT count(*), min(ts)" + flushed).at(0),
                  (Row{double(lastFlushed - first + 1), double(first)}));
        // Every flushed second holds the values recorded for it.
        EXPECT_EQ(db.rows("SELECT count(*)" + flushed + " AND (fan <> 1000 + ts - " +
                          numbers::integerText(first) + " OR cpu_user <> (ts - " +
                          numbers::integerText(first) + ") % 100)")
                      .at(0),
                  (Row{0}));
        EXPECT_GT(db.rows("SELECT count(*) FROM m1").at(0).at(0).value_or(0), 0);
    }
    const ManualClock clock{static_cast<double>(lastFlushed)};
    auto store = HistoryStore::open(path, false, manualOptions(clock));
    ASSERT_NE(store, nullptr);
    EXPECT_FALSE(QFileInfo::exists(path + ".corrupt-" +
                                   QString::fromStdString(numbers::integerText(lastFlushed))));
    EXPECT_FALSE(store->loadNow({HistoryMetric::fan}, HistoryRange::hour).times.empty());
}

} // namespace
