// Records into a history database until killed, for the crash test. Each sample is one
// simulated second later than the last (ticks are 2 ms apart in real time); after every flush the
// time of the newest sample it wrote goes to standard output, one line per flush.
//
// Usage: history_recorder_child DATABASE START_SECONDS SAMPLES_PER_FLUSH

#include "base/Numbers.h"
#include "history/HistoryStore.h"

#include <QDateTime>
#include <QString>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <thread>

using namespace morvanex;

int main(int argc, char** argv) {
    if (argc != 4)
        return 2;
    const QString path = QString::fromLocal8Bit(argv[1]);
    const std::int64_t start = std::stoll(argv[2]);
    const int perFlush = std::stoi(argv[3]);

    auto seconds = std::make_shared<std::atomic<std::int64_t>>(start);
    HistoryStore::Options options;
    options.clock.now = [seconds] {
        return QDateTime::fromSecsSinceEpoch(seconds->load(), Qt::UTC);
    };
    auto store = HistoryStore::open(path, false, options);
    if (!store)
        return 1;
    for (std::int64_t tick = 0;; ++tick) {
        const std::int64_t now = seconds->fetch_add(1);
        store->record({{HistoryMetric::cpuUser, double(tick % 100)},
                       {HistoryMetric::fan, double(1000 + tick)}},
                      QDateTime::fromSecsSinceEpoch(now, Qt::UTC));
        if ((tick + 1) % perFlush == 0) {
            store->flush();
            const std::string line = numbers::integerText(now) + "\n";
            std::fwrite(line.data(), 1, line.size(), stdout);
            std::fflush(stdout);
        }
        // Paced so that the test's kill lands while it is still recording.
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
}
