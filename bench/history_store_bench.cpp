// The history store over a simulated month: 31 days of samples at the default 2-second tick,
// flushed every 15 samples as the 30-second timer would, with the store's clock driven so that
// pruning happens as in a real month. Prints the flush cost per 15 samples, each range's query
// time and the size of the database plus its write-ahead log.
//
// Baseline, measured in the same run: the very same statements on a bare SQLite connection with
// SQLite's default log settings and no queue (what the store adds: the hop onto its queue and
// the bounded log), and for queries a plain scan of the rows and columns a range reads (what the
// bucketing and averaging add).

#include "base/Numbers.h"
#include "history/HistorySql.h"
#include "history/HistoryStore.h"
#include "history/Sqlite.h"

#include <QDateTime>
#include <QFileInfo>
#include <QTemporaryDir>
#include <algorithm>
#include <atomic>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <iostream>
#include <memory>
#include <random>
#include <string>
#include <vector>

using namespace morvanex;

namespace {

constexpr std::int64_t tick = 2;    // seconds between samples
constexpr int samplesPerFlush = 15; // one 30-second flush
constexpr std::int64_t simulatedDays = 31;
constexpr std::int64_t startTime = 1700000000;

using Steady = std::chrono::steady_clock;

std::string ms(double seconds, int decimals = 3) {
    return numbers::fixed(seconds * 1000, decimals) + " ms";
}

std::string mib(double bytes) {
    return numbers::fixed(bytes / (1024 * 1024), 2) + " MiB";
}

std::string ratio(double value, double baseline) {
    return baseline > 0 ? numbers::fixed(value / baseline, 2) + "x baseline" : "no baseline";
}

// Plausible readings of a busy laptop: every metric present, fractional values.
class Samples {
public:
    HistoryStore::Values next() {
        HistoryStore::Values values;
        for (const HistoryMetric metric : allCases<HistoryMetric>())
            values[metric] = unit_(random_) * scale(metric);
        return values;
    }

private:
    static double scale(HistoryMetric metric) {
        switch (metric) {
        case HistoryMetric::diskRead:
        case HistoryMetric::diskWrite:
        case HistoryMetric::download:
        case HistoryMetric::upload:
            return 5e8;
        case HistoryMetric::fan:
            return 6000;
        case HistoryMetric::power:
            return 60;
        default:
            return 100;
        }
    }

    std::mt19937_64 random_{20240101};
    std::uniform_real_distribution<double> unit_{0, 1};
};

// The store's statements on a connection of its own, with SQLite's default log settings.
class DirectDatabase {
public:
    explicit DirectDatabase(const QString& path) {
        db_ = sqlite::open(path.toStdString(), SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
        sqlite::exec(db_.get(), "PRAGMA journal_mode=WAL");
        sqlite::exec(db_.get(), "PRAGMA synchronous=NORMAL");
        for (const HistoryTier& tier : historyTiers)
            sqlite::exec(db_.get(), historysql::createTable(tier.table));
    }

    void flush(const std::vector<std::pair<std::int64_t, HistoryStore::Values>>& batch,
               double now) {
        sqlite3* db = db_.get();
        sqlite::exec(db, "BEGIN");
        if (const sqlite::Statement insert = sqlite::prepare(db, historysql::insertRaw())) {
            for (const auto& [time, values] : batch) {
                sqlite3_bind_int64(insert.get(), 1, time);
                int parameter = 2;
                for (const auto& [metric, value] : values)
                    sqlite3_bind_double(insert.get(), parameter++, value);
                sqlite3_step(insert.get());
                sqlite3_reset(insert.get());
            }
        }
        const std::int64_t since = batch.front().first;
        sqlite::exec(db, historysql::rollUp(historyTiers[0], historyTiers[1], since));
        sqlite::exec(db, historysql::rollUp(historyTiers[1], historyTiers[2], since));
        sqlite::exec(db, "COMMIT");
        if (now - lastPrune_ > 3600) {
            lastPrune_ = now;
            for (const HistoryTier& tier : historyTiers)
                if (const auto cutoff = numbers::truncatedInt64(now - tier.keep))
                    sqlite::exec(db, historysql::prune(tier, *cutoff));
        }
    }

    // Runs a query to the end, reading every column as a number; the number of rows.
    std::int64_t rows(const std::string& sql) {
        std::int64_t count = 0;
        double sum = 0;
        if (const sqlite::Statement statement = sqlite::prepare(db_.get(), sql)) {
            const int columns = sqlite3_column_count(statement.get());
            while (sqlite3_step(statement.get()) == SQLITE_ROW) {
                for (int i = 0; i < columns; ++i)
                    sum += sqlite3_column_double(statement.get(), i);
                ++count;
            }
        }
        benchmark::DoNotOptimize(sum);
        return count;
    }

private:
    sqlite::Connection db_;
    double lastPrune_ = -1e300;
};

struct Bench {
    QTemporaryDir dir;
    std::shared_ptr<std::atomic<std::int64_t>> nowMs =
        std::make_shared<std::atomic<std::int64_t>>(startTime * 1000);
    std::unique_ptr<HistoryStore> store;
    std::unique_ptr<DirectDatabase> direct;
    QString directPath;
    Samples samples;
    std::int64_t next = startTime; // time of the next sample

    Bench() {
        ::setenv("XDG_DATA_HOME", QFile::encodeName(dir.path()).constData(), 1);
        HistoryStore::Options options;
        options.clock.now = [now = nowMs] {
            return QDateTime::fromMSecsSinceEpoch(now->load(), Qt::UTC);
        };
        options.flushInterval = std::chrono::hours(24 * 365); // the benchmark flushes itself
        store = HistoryStore::open(HistoryStore::defaultURL(), false, options);
        directPath = dir.path() + "/direct.sqlite";
        direct = std::make_unique<DirectDatabase>(directPath);
    }

    double now() const { return double(nowMs->load()) / 1000; }

    // One 30-second batch into both; the seconds each flush took.
    std::pair<double, double> batch() {
        std::vector<std::pair<std::int64_t, HistoryStore::Values>> pending;
        for (int i = 0; i < samplesPerFlush; ++i) {
            pending.emplace_back(next, samples.next());
            nowMs->store(next * 1000);
            store->record(pending.back().second, QDateTime::fromSecsSinceEpoch(next, Qt::UTC));
            next += tick;
        }
        const auto a = Steady::now();
        store->flush();
        const auto b = Steady::now();
        direct->flush(pending, now());
        const auto c = Steady::now();
        return {std::chrono::duration<double>(b - a).count(),
                std::chrono::duration<double>(c - b).count()};
    }
};

Bench* bench = nullptr;

struct Distribution {
    std::vector<double> values;
    double mean() const {
        double sum = 0;
        for (const double v : values)
            sum += v;
        return values.empty() ? 0 : sum / double(values.size());
    }
    double percentile(double p) {
        if (values.empty())
            return 0;
        std::sort(values.begin(), values.end());
        const auto rank = numbers::truncatedInt64(p * double(values.size() - 1)).value_or(0);
        return values[std::size_t(std::clamp<std::int64_t>(rank, 0, values.size() - 1))];
    }
};

std::int64_t directSize() {
    const auto size = [](const QString& path) {
        const QFileInfo info(path);
        return info.isFile() ? info.size() : 0;
    };
    return size(bench->directPath) + size(bench->directPath + "-wal");
}

void simulateMonth() {
    const std::int64_t flushes = simulatedDays * 86400 / (tick * samplesPerFlush);
    Distribution store;
    Distribution direct;
    std::int64_t largest = 0;
    std::int64_t largestDirect = 0;
    const auto began = Steady::now();
    for (std::int64_t i = 0; i < flushes; ++i) {
        const auto [storeSeconds, directSeconds] = bench->batch();
        store.values.push_back(storeSeconds);
        direct.values.push_back(directSeconds);
        largest = std::max(largest, HistoryStore::fileSize());
        largestDirect = std::max(largestDirect, directSize());
    }
    const double took = std::chrono::duration<double>(Steady::now() - began).count();

    // Rows kept at the end and the bytes their numbers take (ts and 13 reals of 8 bytes).
    const std::int64_t rows = bench->direct->rows("SELECT ts FROM raw") +
                              bench->direct->rows("SELECT ts FROM m1") +
                              bench->direct->rows("SELECT ts FROM m15");
    const double payload = double(rows) * 8 * 14;
    const std::int64_t size = HistoryStore::fileSize();

    std::cout << "Simulated " << numbers::integerText(simulatedDays)
              << " days: " << numbers::integerText(flushes) << " flushes of "
              << numbers::integerText(samplesPerFlush) << " samples (" << numbers::fixed(took, 1)
              << " s)\n"
              << "Flush of 15 samples (store.flush(), including the queue hop):\n"
              << "  mean " << ms(store.mean()) << "  (" << ratio(store.mean(), direct.mean())
              << ": same statements, bare connection, " << ms(direct.mean()) << ")\n"
              << "  p50 " << ms(store.percentile(0.5)) << "  p99 " << ms(store.percentile(0.99))
              << "  max " << ms(store.percentile(1.0)) << "  (baseline p99 "
              << ms(direct.percentile(0.99)) << ", max " << ms(direct.percentile(1.0)) << ")\n"
              << "Database + log after the month: " << mib(double(size)) << ", largest seen "
              << mib(double(largest)) << "\n"
              << "  baseline with SQLite's default log settings: " << mib(double(directSize()))
              << ", largest seen " << mib(double(largestDirect)) << "\n"
              << "  rows kept " << numbers::integerText(rows) << ", their numbers alone "
              << mib(payload) << " (" << numbers::fixed(double(size) / payload, 2) << "x)\n\n"
              << std::flush;
}

void flushBenchmark(benchmark::State& state) {
    for (auto _ : state) {
        const auto [storeSeconds, directSeconds] = bench->batch();
        state.SetIterationTime(state.range(0) == 0 ? storeSeconds : directSeconds);
    }
}

void queryBenchmark(benchmark::State& state, HistoryRange range, int metricCount) {
    std::vector<HistoryMetric> metrics(allCases<HistoryMetric>().begin(),
                                       allCases<HistoryMetric>().begin() + metricCount);
    std::size_t points = 0;
    for (auto _ : state) {
        const HistorySeries series = bench->store->loadNow(metrics, range);
        points = series.times.size();
        benchmark::DoNotOptimize(series);
    }
    state.counters["points"] = double(points);
}

// The rows and columns a range reads, without bucketing or averaging, on the bare connection.
void scanBenchmark(benchmark::State& state, HistoryRange range, int metricCount) {
    const HistoryRangeSource from = source(range);
    std::string columns = "ts";
    for (int i = 0; i < metricCount; ++i)
        columns += ", " + std::string(columnName(allCases<HistoryMetric>()[std::size_t(i)]));
    const std::string sql =
        "SELECT " + columns + " FROM " + std::string(from.table) + " WHERE ts >= " +
        numbers::integerText(numbers::truncatedInt64(bench->now()).value_or(0) - from.span);
    std::int64_t rows = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(rows = bench->direct->rows(sql));
    state.counters["rows"] = double(rows);
}

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    Bench instance;
    bench = &instance;
    if (!instance.store) {
        std::cerr << "could not open the history store\n";
        return 1;
    }
    simulateMonth();

    benchmark::RegisterBenchmark("Flush15/store", flushBenchmark)->Arg(0)->UseManualTime();
    benchmark::RegisterBenchmark("Flush15/baseline_direct", flushBenchmark)
        ->Arg(1)
        ->UseManualTime();
    for (const HistoryRange range : allCases<HistoryRange>()) {
        const std::string name = rawValue(range).toStdString();
        for (const int metrics : {1, int(historyMetricCount)}) {
            const std::string suffix = "/metrics:" + numbers::integerText(metrics);
            benchmark::RegisterBenchmark(("Query/" + name + suffix).c_str(),
                                         [range, metrics](benchmark::State& state) {
                                             queryBenchmark(state, range, metrics);
                                         })
                ->UseRealTime() // the work runs on the store's queue, not this thread
                ->Unit(benchmark::kMicrosecond);
            benchmark::RegisterBenchmark(
                ("Query/" + name + "/baseline_scan" + suffix).c_str(),
                [range, metrics](benchmark::State& state) { scanBenchmark(state, range, metrics); })
                ->Unit(benchmark::kMicrosecond);
        }
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();

    std::cout << "\nDatabase + log at the end: " << mib(double(HistoryStore::fileSize()))
              << " (baseline " << mib(double(directSize())) << ")\n";
    bench = nullptr;
    return 0;
}
