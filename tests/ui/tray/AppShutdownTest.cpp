#include "ui/tray/AppShutdown.h"

#include "history/HistoryStore.h"
#include "monitors/KeepAwake.h"

#include <QDateTime>
#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

using namespace morvanex;
using namespace morvanex::ui;

namespace {

// Keep-awake that took its assertion; `held` counts assertions not yet let go.
struct HeldKeepAwake {
    struct Token {
        explicit Token(int& counter) : held(counter) { ++held; }
        ~Token() { --held; }
        int& held;
    };
    int held = 0;
    int changes = 0;
    KeepAwake keepAwake{platform::PowerAssertions{
        [this](bool, const QString&) { return std::make_shared<Token>(held); }, {}}};

    HeldKeepAwake() {
        keepAwake.activate(false, std::nullopt);
        keepAwake.onChange = [this] { ++changes; };
    }
};

} // namespace

TEST(AppShutdown, WithoutHistoryOnlyKeepAwakeStopsAndSilently) {
    HeldKeepAwake k;
    ASSERT_TRUE(k.keepAwake.isActive);
    ASSERT_EQ(k.held, 1);
    shutDown(nullptr, k.keepAwake);
    EXPECT_FALSE(k.keepAwake.isActive);
    EXPECT_EQ(k.held, 0);
    EXPECT_EQ(k.changes, 0);
}

TEST(AppShutdown, QueuedSamplesReachTheFileBeforeKeepAwakeStops) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString file = dir.filePath(QStringLiteral("history.sqlite"));
    const QDateTime now = QDateTime::currentDateTimeUtc();
    platform::Clock clock = platform::Clock::system();
    // A flush interval far beyond the test: only the shutdown writes.
    auto store = HistoryStore::open(file, false, {clock, std::chrono::hours(1)});
    ASSERT_TRUE(store);
    store->record({{HistoryMetric::cpuUser, 42.0}}, now.addSecs(-5));

    HeldKeepAwake k;
    ASSERT_TRUE(k.keepAwake.isActive);
    shutDown(store.get(), k.keepAwake);
    EXPECT_FALSE(k.keepAwake.isActive);
    EXPECT_EQ(k.held, 0);
    EXPECT_EQ(k.changes, 0);

    // Another reader sees the sample while the writer is still open.
    auto reader = HistoryStore::open(file, true, {clock, std::chrono::hours(1)});
    ASSERT_TRUE(reader);
    const HistorySeries series = reader->loadNow({HistoryMetric::cpuUser}, HistoryRange::hour);
    ASSERT_EQ(series.times.size(), 1u);
    EXPECT_EQ(series.values.at(HistoryMetric::cpuUser).front(), 42.0);
}
