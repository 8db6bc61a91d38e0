#include "dump/SyntheticHistory.h"

#include "platform/Log.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cmath>
#include <cstdint>
#include <numbers>

namespace morvanex::DebugDump {
namespace {

constexpr double day = 86'400;
constexpr std::int64_t span = 30 * 86'400; // seconds of history
constexpr std::int64_t fineSpan = 3600;    // the last hour, sampled finely
constexpr std::int64_t coarseStep = 60;
constexpr std::int64_t fineStep = 2;

// Hours of each day left empty in the coarse phase, as a machine asleep at night would.
bool isNightHour(int hour) {
    return hour >= 2 && hour <= 6;
}

QDateTime dateAt(double t) {
    return QDateTime::fromMSecsSinceEpoch(std::int64_t(std::floor(t * 1000)), Qt::UTC);
}

int localHour(double t) {
    return dateAt(t).toLocalTime().time().hour();
}

// Removes the file, if any. False when something is still there afterwards.
bool removeIfPresent(const QString& path) {
    const QFileInfo info(path);
    if (!info.exists() && !info.isSymLink())
        return true;
    QFile file(path);
    if (file.remove())
        return true;
    qCWarning(log::history, "Cannot remove the old dump history file %s: %s", qUtf8Printable(path),
              qUtf8Printable(file.errorString()));
    return false;
}

} // namespace

QString syntheticHistoryPath() {
    // Empty when TMPDIR names no existing folder; the file would otherwise land in whatever
    // folder the process was started from.
    const QString folder = QDir::tempPath();
    if (folder.isEmpty())
        return {};
    return QDir(folder).filePath(QStringLiteral("morvanex-dump-history.sqlite"));
}

HistoryStore::Values sample(double t) {
    const double daily = std::sin((t / day + t / day) * std::numbers::pi);
    const double wobble = 0.5 * std::sin(t / 900) + 0.5 * std::sin(t / 97);
    return {
        {HistoryMetric::cpuUser, std::max(4.0, 10 * wobble + (14 * daily + 22))},
        {HistoryMetric::cpuSystem, std::max(2.0, 4 * wobble + 8)},
        {HistoryMetric::download, std::max(0.0, 1'500'000 * wobble + 2'000'000)},
        {HistoryMetric::upload, std::max(0.0, 300'000 * daily + 400'000)},
        {HistoryMetric::temperature, 7 * wobble + (9 * daily + 58)},
        {HistoryMetric::fan, 900 * std::max(0.0, wobble) + 2400},
        {HistoryMetric::power, std::max(4.0, 7 * wobble + 14)},
    };
}

std::unique_ptr<HistoryStore> syntheticHistory(const platform::Clock& clock) {
    const QString path = syntheticHistoryPath();
    if (path.isEmpty()) {
        qCWarning(log::history, "No temporary folder for the dump history: TMPDIR names no "
                                "existing folder.");
        return nullptr;
    }
    // Each run starts empty. Whatever of an earlier run cannot be removed, the store is not
    // opened over it: the earlier month's rows would show among this run's.
    bool removed = true;
    for (const QString& file : {path, path + QStringLiteral("-wal"), path + QStringLiteral("-shm")})
        removed = removeIfPresent(file) && removed;
    if (!removed)
        return nullptr;

    HistoryStore::Options options;
    options.clock = clock;
    auto store = HistoryStore::open(path, false, options);
    if (!store)
        return nullptr;

    const double now = double(clock.now().toMSecsSinceEpoch()) / 1000.0;
    const double start = now - double(span);
    // Steps are counted, not summed: the fine phase begins exactly one hour before now, the
    // first coarse grid point at or after it, whatever rounding the additions would gather.
    constexpr std::int64_t coarseSteps = (span - fineSpan) / coarseStep;
    constexpr std::int64_t fineSteps = fineSpan / fineStep;
    static_assert((span - fineSpan) % coarseStep == 0 && fineSpan % fineStep == 0);

    for (std::int64_t i = 0; i < coarseSteps; ++i) {
        const double t = start + double(i * coarseStep);
        if (isNightHour(localHour(t)))
            continue;
        store->record(sample(t), dateAt(t));
    }
    const double fineStart = start + double(coarseSteps * coarseStep);
    for (std::int64_t i = 0; i < fineSteps; ++i) {
        const double t = fineStart + double(i * fineStep);
        store->record(sample(t), dateAt(t));
    }
    store->flush();
    return store;
}

} // namespace morvanex::DebugDump
