#include "history/HistoryStore.h"

#include "history/HistoryDatabase.h"
#include "history/HistoryFiles.h"
#include "platform/Log.h"
#include "platform/MainQueue.h"

#include <limits>
#include <optional>
#include <utility>

namespace morvanex {
namespace {

constexpr double pruneEvery = 3600; // seconds

// Whole Unix seconds, the fraction cut off toward zero.
std::int64_t wholeSeconds(const QDateTime& time) {
    return time.toMSecsSinceEpoch() / 1000;
}

double seconds(const QDateTime& time) {
    return static_cast<double>(time.toMSecsSinceEpoch()) / 1000.0;
}

// The database that was opened; a failure is told once, with its reason.
std::optional<HistoryDatabase> taken(HistoryDatabase::Opened opened, const QString& path) {
    if (!opened.database && !opened.failure.isEmpty()) {
        qCWarning(log::history, "Cannot open the history database %s: %s", qUtf8Printable(path),
                  qUtf8Printable(opened.failure));
    }
    return std::move(opened.database);
}

} // namespace

struct HistoryStore::State {
    State(QString storePath, bool openReadOnly, platform::Clock storeClock)
        : path(std::move(storePath)), readOnly(openReadOnly), clock(std::move(storeClock)) {}

    const QString path;
    const bool readOnly;
    const platform::Clock clock;
    std::optional<HistoryDatabase> database;
    std::vector<HistorySample> pending;
    double lastPrune = -std::numeric_limits<double>::infinity();

    // The connection, opening the file first for a read-only store started before any writer
    // had created it.
    HistoryDatabase* connection() {
        if (!database && readOnly)
            database = taken(HistoryDatabase::openReadOnly(path), path);
        return database ? &*database : nullptr;
    }
};

QString HistoryStore::defaultURL() {
    return historyfiles::defaultPath();
}

std::unique_ptr<HistoryStore> HistoryStore::open(const QString& url, bool readOnly,
                                                 Options options) {
    auto state = std::make_shared<State>(url, readOnly, options.clock);
    if (readOnly) {
        auto opened = HistoryDatabase::openReadOnly(url);
        const bool fileMissing = opened.fileMissing;
        state->database = taken(std::move(opened), url);
        if (!state->database && !fileMissing)
            return nullptr;
    } else {
        state->database =
            taken(HistoryDatabase::openWritable(url, wholeSeconds(options.clock.now())), url);
        if (!state->database)
            return nullptr;
    }
    return std::make_unique<HistoryStore>(Key{}, readOnly, std::move(state), options.flushInterval);
}

HistoryStore::HistoryStore(Key, bool readOnly, std::shared_ptr<State> state,
                           std::chrono::milliseconds flushInterval)
    : readOnly_(readOnly), state_(std::move(state)),
      queue_(std::make_unique<platform::SerialQueue>(QStringLiteral("Morvanex.history"))) {
    if (readOnly_)
        return;
    // The timed flush alone copies a long log back into the database, before it writes: the
    // waits for the disk that this and the log's new start take fall here, while nothing waits
    // for the queue, and never on a flush that someone is waiting for (the last one above all).
    // Weak: the timer alone must not keep the database open.
    flushTimer_ = queue_->scheduleRepeating(flushInterval, [weak = std::weak_ptr(state_)] {
        if (const auto live = weak.lock()) {
            if (live->database)
                live->database->checkpointIfLong();
            flushOnQueue(*live);
        }
    });
    queue_->async([shared = state_] { pruneOnQueue(*shared); });
}

HistoryStore::~HistoryStore() {
    flushTimer_.cancel();
    // Samples recorded since the last flush would otherwise be lost on a quit path that did not
    // flush first.
    flush();
    queue_.reset(); // runs the work still queued, then joins
}

void HistoryStore::record(const Values& values, const QDateTime& date) {
    if (readOnly_ || !date.isValid())
        return;
    HistorySample sample;
    sample.time = wholeSeconds(date);
    sample.values.fill(std::numeric_limits<double>::quiet_NaN());
    for (const auto& [metric, value] : values)
        sample.values[metricIndex(metric)] = value;
    queue_->async([state = state_, sample] { state->pending.push_back(sample); });
}

void HistoryStore::flush() {
    queue_->sync([this] { flushOnQueue(*state_); });
}

void HistoryStore::load(std::vector<HistoryMetric> metrics, HistoryRange range,
                        std::function<void(HistorySeries)> completion) {
    queue_->async(
        [state = state_, metrics = std::move(metrics), range, completion = std::move(completion)] {
            flushOnQueue(*state);
            HistorySeries series = query(*state, metrics, range);
            platform::postToMain([completion, series = std::move(series)] {
                if (completion)
                    completion(series);
            });
        });
}

HistorySeries HistoryStore::loadNow(const std::vector<HistoryMetric>& metrics, HistoryRange range) {
    HistorySeries series;
    queue_->sync([&] {
        flushOnQueue(*state_);
        series = query(*state_, metrics, range);
    });
    return series;
}

void HistoryStore::clear(std::function<void()> completion) {
    queue_->async([state = state_, completion = std::move(completion)] {
        state->pending.clear();
        if (HistoryDatabase* database = state->connection())
            database->clear();
        platform::postToMain(completion);
    });
}

std::int64_t HistoryStore::fileSize() {
    return historyfiles::sizeOnDisk(defaultURL());
}

void HistoryStore::flushOnQueue(State& state) {
    if (state.pending.empty())
        return;
    const std::vector<HistorySample> batch = std::exchange(state.pending, {});
    if (state.database)
        state.database->write(batch);
    if (seconds(state.clock.now()) - state.lastPrune > pruneEvery)
        pruneOnQueue(state);
}

void HistoryStore::pruneOnQueue(State& state) {
    const double now = seconds(state.clock.now());
    state.lastPrune = now;
    if (state.database)
        state.database->prune(now);
}

HistorySeries HistoryStore::query(State& state, const std::vector<HistoryMetric>& metrics,
                                  HistoryRange range) {
    // Asking for nothing needs no file, so it opens none.
    HistoryDatabase* database = metrics.empty() ? nullptr : state.connection();
    if (database == nullptr) {
        HistorySeries series;
        series.bucket = static_cast<double>(source(range).bucket);
        return series;
    }
    return database->query(metrics, range, wholeSeconds(state.clock.now()));
}

} // namespace morvanex
