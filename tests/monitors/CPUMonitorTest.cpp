#include "monitors/CPUMonitor.h"

#include "support/FixtureTree.h"
#include "support/MachineReads.h"

#include <QProcess>
#include <algorithm>
#include <chrono>
#include <gtest/gtest.h>
#include <thread>

using namespace morvanex;
using morvanex::test::copyFixture;
using morvanex::test::writeFile;

namespace {

// One /proc/stat line per processor: user nice system idle iowait irq softirq steal.
using Line = std::array<std::uint64_t, 8>;

QByteArray statText(const std::vector<std::pair<int, Line>>& processors) {
    QByteArray text = "cpu  1 2 3 4 5 6 7 8 0 0\n";
    for (const auto& [index, f] : processors) {
        text += "cpu" + QByteArray::number(index);
        for (std::uint64_t value : f)
            text += ' ' + QByteArray::number(qulonglong(value));
        text += " 0 0\n";
    }
    return text + "btime 1765000000\n";
}

struct Machine {
    QString root;
    platform::Roots roots() const { return platform::Roots::under(root); }
    void stat(const std::vector<std::pair<int, Line>>& processors) const {
        writeFile(root, "proc/stat", statText(processors));
    }
};

TEST(CPUMonitor, ConstantsOfEachKindOfMachine) {
    struct Row {
        const char* machine;
        const char* brand;
        int performance, efficiency, physical, logical;
        std::set<int> efficiencyCores;
    };
    const Row rows[] = {
        {"desktop", "AMD Ryzen 5 5600G with Radeon Graphics", 0, 0, 4, 8, {}},
        {"hybrid",
         "12th Gen Intel(R) Core(TM) i7-1260P",
         8,
         8,
         12,
         16,
         {8, 9, 10, 11, 12, 13, 14, 15}},
        {"arm", "Processor", 2, 4, 6, 6, {0, 1, 2, 3}},
        {"vm", "Intel Xeon Processor (Icelake)", 0, 0, 8, 8, {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.machine);
        const Machine machine{QStringLiteral(MORVANEX_FIXTURES "/machines/") + row.machine};
        CPUMonitor monitor(machine.roots());
        EXPECT_EQ(monitor.brand, row.brand);
        EXPECT_EQ(monitor.performanceCount, row.performance);
        EXPECT_EQ(monitor.efficiencyCount, row.efficiency);
        EXPECT_EQ(monitor.physicalCount, row.physical);
        EXPECT_EQ(monitor.logicalCount, row.logical);
        monitor.sample();
        monitor.sample();
        std::set<int> efficiency;
        for (const auto& core : monitor.cores) {
            if (core.isEfficiency)
                efficiency.insert(core.index);
        }
        EXPECT_EQ(efficiency, row.efficiencyCores);
        EXPECT_EQ(monitor.cores.size(), std::size_t(row.logical));
    }
}

TEST(CPUMonitor, SharesFromTickDifferences) {
    const Machine machine{copyFixture("machines/desktop")};
    machine.stat({{0, {100, 0, 50, 1000, 0, 0, 0, 0}}, {1, {100, 0, 50, 1000, 0, 0, 0, 0}}});
    QDateTime now = QDateTime::fromSecsSinceEpoch(1765000100, Qt::UTC);
    platform::Clock clock;
    clock.now = [&now] { return now; };
    CPUMonitor monitor(machine.roots(), clock);
    EXPECT_EQ(monitor.bootTime, QDateTime::fromSecsSinceEpoch(1765000000, Qt::UTC));

    monitor.sample(); // the first sample only stores the counters
    EXPECT_TRUE(monitor.cores.empty());
    EXPECT_EQ(monitor.user, 0);
    EXPECT_TRUE(monitor.userHistory.values.empty());

    // Processor 0 fully busy in user and nice time; processor 1 idle, half of it waiting for
    // I/O and with interrupts counted as system time.
    machine.stat({{0, {170, 30, 50, 1000, 0, 0, 0, 0}}, {1, {100, 0, 60, 1040, 40, 5, 5, 0}}});
    monitor.sample();
    ASSERT_EQ(monitor.cores.size(), 2u);
    EXPECT_DOUBLE_EQ(monitor.cores[0].user, 100);
    EXPECT_DOUBLE_EQ(monitor.cores[0].system, 0);
    EXPECT_DOUBLE_EQ(monitor.cores[1].user, 0);
    EXPECT_DOUBLE_EQ(monitor.cores[1].system, 20.0 / 100 * 100);
    EXPECT_DOUBLE_EQ(monitor.user, 100.0 / 200 * 100);
    EXPECT_DOUBLE_EQ(monitor.system, 20.0 / 200 * 100);
    EXPECT_EQ(monitor.totalHistory.values, std::vector<double>{60});
    EXPECT_EQ(monitor.loadAverage, (std::array<double, 3>{1.25, 0.80, 0.50}));
    EXPECT_EQ(monitor.loadHistory.values, std::vector<double>{1.25});
    EXPECT_DOUBLE_EQ(monitor.uptime, 100);

    // Nothing moved: a total of 0 gives 0, not a division by zero.
    machine.stat({{0, {170, 30, 50, 1000, 0, 0, 0, 0}}, {1, {100, 0, 60, 1040, 40, 5, 5, 0}}});
    monitor.sample();
    EXPECT_EQ(monitor.cores[0].user, 0);
    EXPECT_EQ(monitor.user, 0);
}

TEST(CPUMonitor, IoWaitGoingBackNeverLooksLikeFourBillionIdleTicks) {
    const Machine machine{copyFixture("machines/vm")};
    machine.stat({{0, {100, 0, 0, 1000, 500, 0, 0, 0}}});
    CPUMonitor monitor(machine.roots());
    monitor.sample();
    // 100 busy ticks while the I/O-wait counter dropped by more than idle grew.
    machine.stat({{0, {200, 0, 0, 1010, 400, 0, 0, 0}}});
    monitor.sample();
    ASSERT_EQ(monitor.cores.size(), 1u);
    EXPECT_DOUBLE_EQ(monitor.cores[0].user, 100);
}

TEST(CPUMonitor, ProcessorGoingOfflineRestartsTheMeasurement) {
    const Machine machine{copyFixture("machines/desktop")};
    machine.stat({{0, {100, 0, 0, 100, 0, 0, 0, 0}}, {1, {100, 0, 0, 100, 0, 0, 0, 0}}});
    CPUMonitor monitor(machine.roots());
    monitor.sample();
    machine.stat({{0, {150, 0, 0, 150, 0, 0, 0, 0}}, {1, {200, 0, 0, 100, 0, 0, 0, 0}}});
    monitor.sample();
    const double before = monitor.user;
    EXPECT_DOUBLE_EQ(before, 75);
    machine.stat({{0, {300, 0, 0, 150, 0, 0, 0, 0}}}); // processor 1 went offline
    monitor.sample();
    EXPECT_EQ(monitor.user, before); // shares kept for that tick
    EXPECT_EQ(monitor.cores.size(), 2u);
    EXPECT_EQ(monitor.userHistory.values.size(), 1u);
    machine.stat({{0, {400, 0, 0, 250, 0, 0, 0, 0}}});
    monitor.sample();
    ASSERT_EQ(monitor.cores.size(), 1u);
    EXPECT_DOUBLE_EQ(monitor.user, 50);
}

TEST(CPUMonitor, UnreadableStatisticsSkipTheTick) {
    const Machine machine{copyFixture("machines/desktop")};
    CPUMonitor monitor(machine.roots());
    monitor.sample();
    monitor.sample();
    const auto cores = monitor.cores;
    writeFile(machine.root, "proc/stat", "garbage\n");
    monitor.sample();
    EXPECT_EQ(monitor.cores, cores);
    EXPECT_EQ(monitor.userHistory.values.size(), 1u);
}

TEST(CPUMonitor, TickDifferencesWrapButNeverGoBackwards) {
    struct Row {
        std::uint32_t current, previous, delta;
    };
    const Row rows[] = {
        {5, 0xFFFFFFFAu, 11}, // wrapped from 2^32 - 6 to 5
        {110, 100, 10},       {100, 100, 0},
        {90, 100, 0}, // went down a little
        {0x80000000u, 0, 0},  {0x7FFFFFFFu, 0, 0x7FFFFFFFu},
    };
    for (const Row& row : rows)
        EXPECT_EQ(tickDelta(row.current, row.previous), row.delta)
            << row.current << " " << row.previous;
}

// Against the real machine: while a child burns one core, the machine's busy share holds at
// least a good part of one core, whatever else runs beside the test. Another load can take the
// processor from the child for a while, so the one-second sample is taken again until one shows
// the child running; a monitor that misreads the counters never does.
TEST(CPUMonitor, LiveBusyShareCoversAChildBurningACore) {
    CPUMonitor monitor;
    ASSERT_GT(monitor.logicalCount, 0);
    QProcess burner;
    burner.start("sh", {"-c", "while :; do :; done"});
    ASSERT_TRUE(burner.waitForStarted());
    const auto busiestUser = [&] {
        double most = 0;
        for (const CPUMonitor::Core& core : monitor.cores)
            most = std::max(most, core.user);
        return most;
    };
    const double oneCore = 100.0 / monitor.logicalCount;
    monitor.sample();
    bool seen = false;
    for (int attempt = 0; attempt < 20 && !seen; ++attempt) {
        std::this_thread::sleep_for(std::chrono::seconds(1)); // the sampling interval
        monitor.sample();
        EXPECT_LE(monitor.user + monitor.system, 100.0 + 1e-9);
        seen = monitor.user + monitor.system > 0.4 * oneCore && busiestUser() > 40;
    }
    burner.kill();
    burner.waitForFinished();

    EXPECT_EQ(monitor.cores.size(), std::size_t(monitor.logicalCount));
    EXPECT_TRUE(seen) << "total " << monitor.user + monitor.system << "%, busiest core "
                      << busiestUser() << "%";
}

// The default construction on this machine: the real /proc and /sys and the real clock, beside
// the test's own reads of the same files around the sample.
TEST(CPUMonitor, DefaultConstructionReadsThisMachine) {
    CPUMonitor monitor;
    monitor.sample(); // the first sample only takes the counters to measure from
    const std::array<double, 3> loadBefore = test::loadAverages();
    const double uptimeBefore = test::uptimeSeconds();
    monitor.sample();
    const std::array<double, 3> loadAfter = test::loadAverages();
    const double uptimeAfter = test::uptimeSeconds();

    EXPECT_EQ(monitor.logicalCount, test::onlineProcessors());
    EXPECT_EQ(monitor.cores.size(), std::size_t(test::onlineProcessors()));
    for (std::size_t i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        // /proc/loadavg prints two decimals of what the monitor reads whole.
        EXPECT_GE(monitor.loadAverage[i], std::min(loadBefore[i], loadAfter[i]) - 0.005);
        EXPECT_LE(monitor.loadAverage[i], std::max(loadBefore[i], loadAfter[i]) + 0.005);
    }
    // The boot time is kept in whole seconds, and the wall clock it is taken from may have been
    // set since boot by a little.
    EXPECT_GE(monitor.uptime, uptimeBefore - 2);
    EXPECT_LE(monitor.uptime, uptimeAfter + 2);
}

} // namespace
