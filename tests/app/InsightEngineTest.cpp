#include "app/InsightEngine.h"

#include "support/HubFixture.h"

#include <gtest/gtest.h>

using namespace morvanex;

namespace {

struct Engine : test::HubFixture {
    std::vector<QString> posts;
    InsightEngine engine{*hub,
                         [this](const QString&, const QString& body) { posts.push_back(body); }};

    Engine() { hub->disks.volumes.clear(); }
    // `count` evaluations `step` seconds apart.
    void run(int count, double step = 10) {
        for (int i = 0; i < count; ++i) {
            engine.evaluate(now);
            advance(step);
        }
    }
    void processes(std::vector<ProcessSample> list) { hub->processes.processes = std::move(list); }
};

ProcessSample process(std::int32_t pid, const char* name, double cpu, double memory = 0,
                      double read = 0, double write = 0) {
    return ProcessSample{pid, name, cpu, memory, read, write};
}

TEST(Sustained, ForgivesThreeMissesAndClearsOnTheFourth) {
    const QDateTime t0 = QDateTime::fromSecsSinceEpoch(0, Qt::UTC);
    Sustained tracker;
    tracker.update(false, t0);
    EXPECT_EQ(tracker, Sustained{});
    tracker.update(true, t0);
    for (int i = 1; i <= 3; ++i)
        tracker.update(false, t0.addSecs(i));
    EXPECT_EQ(tracker.since, t0);
    EXPECT_EQ(tracker.misses, 3);
    tracker.update(true, t0.addSecs(4));
    EXPECT_EQ(tracker.since, t0); // first start kept
    EXPECT_EQ(tracker.misses, 0);
    for (int i = 5; i <= 8; ++i)
        tracker.update(false, t0.addSecs(i));
    EXPECT_EQ(tracker, Sustained{});
    tracker.update(true, t0.addSecs(9));
    EXPECT_EQ(tracker.since, t0.addSecs(9));
}

TEST(InsightEngine, MinutesText) {
    const struct {
        double seconds;
        const char* text;
    } rows[] = {{0, "1 min"},         {119, "1 min"}, {3599, "59 min"}, {3600, "1 h 0 min"},
                {7199, "1 h 59 min"}, {7200, "2 h"},  {10799, "2 h"},   {10800, "3 h"}};
    for (const auto& row : rows)
        EXPECT_EQ(InsightEngine::minutes(row.seconds), row.text) << row.seconds;
}

TEST(InsightEngine, ClaimsNoQuietBeforeItHasWatchedAsLongAsTheSlowestCondition) {
    const Insight watching = Insight::watching();
    EXPECT_EQ(watching.kind, Insight::Kind::quiet); // names no condition, so posts nothing
    EXPECT_EQ(watching.severity, Insight::Severity::info);
    EXPECT_EQ(watching.module, std::nullopt);
    EXPECT_EQ(watching.pid, std::nullopt);
    EXPECT_NE(watching.text, Insight{}.text);

    // Busy from the first sample: every line before the processor's two minutes is the watching
    // one, then the busy process is named.
    Engine busy;
    EXPECT_EQ(busy.engine.current, watching) << "read before the first evaluation";
    busy.hub->cpu.user = 95;
    busy.hub->cpu.system = 4;
    busy.processes({process(7, "stress", 99), process(8, "idle", 0)});
    busy.run(12); // 0 to 110 s
    EXPECT_EQ(busy.engine.current, watching);
    busy.run(1);
    EXPECT_EQ(busy.engine.current.text, "stress has used 99% CPU for 2 min.");

    // Idle all along: quiet only once it has watched that long.
    Engine idle;
    idle.run(12);
    EXPECT_EQ(idle.engine.current, watching);
    idle.run(1);
    EXPECT_EQ(idle.engine.current, Insight{});

    // A clock set back starts the watch again instead of leaving it unfinished for as long.
    idle.now = idle.now.addSecs(-3600);
    idle.run(1);
    EXPECT_EQ(idle.engine.current, watching);
    idle.run(12);
    EXPECT_EQ(idle.engine.current, Insight{});
}

TEST(InsightEngine, ALineThatNeedsNoDurationShowsWhileWatching) {
    Engine e;
    DiskMonitor::Volume root;
    root.isRoot = true;
    root.total = 1000e9;
    root.availableImportant = 10e9;
    e.hub->disks.volumes = {root};
    e.run(1);
    EXPECT_EQ(e.engine.current.kind, Insight::Kind::storage);
}

TEST(InsightEngine, MemoryPressureNamesTheLargestProcess) {
    Engine e;
    e.processes(
        {process(10, "small", 1, 1024), process(11, "Safari Web", 1, 3 * 1024.0 * 1024 * 1024)});
    e.hub->memory.pressureLevel = 2;
    e.run(3); // 20 s held
    EXPECT_EQ(e.engine.current.kind, Insight::Kind::quiet);
    e.run(2); // 30 s held at the evaluation after
    EXPECT_EQ(e.engine.current.text, "Memory pressure is high — Safari Web is using 3.0 GB.");
    EXPECT_EQ(e.engine.current.severity, Insight::Severity::warning);
    EXPECT_EQ(e.engine.current.pid, 11);
    e.hub->memory.pressureLevel = 4;
    e.run(1);
    EXPECT_EQ(e.engine.current.text, "Memory pressure is critical — Safari Web is using 3.0 GB.");
    EXPECT_EQ(e.engine.current.severity, Insight::Severity::critical);
    e.processes({});
    e.run(1);
    EXPECT_EQ(e.engine.current.kind, Insight::Kind::quiet); // no process list, no memory line
}

TEST(InsightEngine, BusyProcessAndItsSuffixes) {
    Engine e;
    e.processes({process(7, "make", 80), process(8, "idle", 2)});
    e.run(13); // 120 s held at the 13th evaluation
    EXPECT_EQ(e.engine.current.kind, Insight::Kind::cpu);
    EXPECT_EQ(e.engine.current.text, "make has used 80% CPU for 2 min.");
    EXPECT_EQ(e.engine.current.pid, 7);

    // Fan load exactly 40 % of its range: fans are up.
    e.hub->sensors.fans = {Fan{0, 2200, 1000, 4000}, Fan{1, 1000, 1000, 4000}};
    e.run(1);
    EXPECT_EQ(e.engine.current.text, "make has used 80% CPU for 2 min — fans are up.");
    Sensor hot;
    hot.key = "TC0P";
    hot.group = SensorGroup::cpu;
    hot.value = 95;
    e.hub->sensors.sensors = {hot};
    e.run(1);
    EXPECT_EQ(e.engine.current.text, "make has used 80% CPU for 2 min — fans are up.");
    e.hub->sensors.fans = {Fan{0, 500, 3000, 3000}}; // no range: load 0
    e.run(1);
    EXPECT_EQ(e.engine.current.text, "make has used 80% CPU for 2 min — running hot.");
    e.hub->sensors.fans.clear();
    e.hub->sensors.sensors[0].value = 89.9;
    e.run(1);
    EXPECT_EQ(e.engine.current.text, "make has used 80% CPU for 2 min.");
}

TEST(InsightEngine, GoneProcessFallsBackToTheWholeProcessor) {
    Engine e;
    e.hub->cpu.user = 60;
    e.hub->cpu.system = 10; // exactly 70: busy
    e.processes({process(7, "gone", 95), process(8, "other", 30)});
    e.run(13);
    EXPECT_EQ(e.engine.current.pid, 7);
    e.processes({process(8, "other", 30), process(9, "third", 40)});
    e.engine.evaluate(e.now);
    EXPECT_EQ(e.engine.current.pid, 9); // top by CPU, duration from the whole processor
    EXPECT_EQ(e.engine.current.text, "third has used 40% CPU for 2 min.");
}

TEST(InsightEngine, PriorityAndTheLaterRules) {
    Engine e;
    DiskMonitor::Volume root;
    root.isRoot = true;
    root.total = 1000e9;
    root.availableImportant = 50e9; // exactly 95 % used
    e.hub->disks.volumes = {root};
    e.hub->disks.readRate = 30e6;
    e.hub->disks.writeRate = 30e6;
    e.processes({process(3, "writer", 1, 0, 0, 5e6)});
    e.run(4);
    EXPECT_EQ(e.engine.current.kind, Insight::Kind::storage);
    EXPECT_EQ(e.engine.current.text, "System disk is almost full — 50.0 GB free.");

    e.hub->disks.volumes[0].availableImportant = 500e9;
    e.run(1);
    EXPECT_EQ(e.engine.current.text,
              "Disk is busy — writer is writing 28.6 MB/s."); // equal: writing
    e.processes({});
    e.run(1);
    EXPECT_EQ(e.engine.current.text, "Disk is busy — writing 28.6 MB/s.");
    EXPECT_EQ(e.engine.current.pid, std::nullopt);
}

TEST(InsightEngine, BatteryAndNetworkTexts) {
    Engine e;
    BatteryMonitor& battery = e.hub->battery;
    battery.present = true;
    battery.onAC = false;
    battery.voltage = 12.5;
    battery.amperage = -2.0;
    battery.minutesRemaining = 65;
    e.run(13);
    EXPECT_EQ(e.engine.current.text, "Battery is draining fast at 25.0 W — about 1:05 left.");
    battery.minutesRemaining.reset();
    e.run(1);
    EXPECT_EQ(e.engine.current.text, "Battery is draining fast at 25.0 W.");

    battery.onAC = true;
    e.run(4); // cleared by the fourth false sample
    e.hub->network.download = 10e6;
    e.hub->network.upload = 10e6;
    e.run(7);
    EXPECT_EQ(e.engine.current.text, "Network is busy — downloading 9.5 MB/s.");
    e.settings.update([](Config& c) { c.bandwidthBits = true; });
    e.run(1);
    EXPECT_EQ(e.engine.current.text, "Network is busy — downloading 80.0 Mb/s.");
}

TEST(InsightEngine, NotificationGate) {
    Engine e;
    e.settings.update([](Config& c) { c.insightNotifications = true; });
    e.processes({process(1, "p", 10, 1e9)});
    e.hub->memory.pressureLevel = 2;
    e.run(5);
    ASSERT_EQ(e.posts.size(), 1u);
    EXPECT_EQ(e.posts[0].toStdString(), "Memory pressure is high — p is using 954 MB.");

    // Back to quiet and to memory within 30 minutes: nothing new.
    e.hub->memory.pressureLevel = 1;
    e.run(4);
    e.hub->memory.pressureLevel = 2;
    e.run(5);
    EXPECT_EQ(e.posts.size(), 1u);
    e.hub->memory.pressureLevel = 1;
    e.run(4);
    e.advance(1800);
    e.hub->memory.pressureLevel = 2;
    e.run(5);
    EXPECT_EQ(e.posts.size(), 2u);

    // Info lines never post; nor does anything while headless or switched off.
    e.hub->memory.pressureLevel = 1;
    e.run(4);
    e.hub->network.download = 20e6;
    e.run(8);
    EXPECT_EQ(e.engine.current.kind, Insight::Kind::network);
    EXPECT_EQ(e.posts.size(), 2u);
}

TEST(InsightEngine, HeadlessFollowsReadingsButNeverPosts) {
    Engine e;
    e.hub->isHeadless = true;
    e.settings.update([](Config& c) { c.insightNotifications = true; });
    e.processes({process(1, "p", 10, 1e9)});
    e.hub->memory.pressureLevel = 4;
    e.run(5);
    EXPECT_EQ(e.engine.current.kind, Insight::Kind::memory);
    EXPECT_TRUE(e.posts.empty());
}

} // namespace
