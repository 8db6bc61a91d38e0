#include "monitors/ProcessMonitor.h"

#include "support/MachineReads.h"
#include "support/TestEnv.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <algorithm>
#include <chrono>
#include <filesystem>
#include <gtest/gtest.h>
#include <thread>
#include <unistd.h>

using morvanex::ProcessMonitor;
using morvanex::ProcessSample;
using morvanex::platform::Clock;
using morvanex::platform::ProcessTable;
using morvanex::platform::Roots;

namespace {

const std::string fixtures = MORVANEX_FIXTURES "/processes";

double pages(double count) {
    return count * double(ProcessTable::pageSize());
}

// Percent of one core for processor ticks spent over seconds.
double busy(double ticks, double seconds) {
    return ticks / double(ProcessTable::ticksPerSecond()) / seconds * 100.0;
}

const ProcessSample* find(const ProcessMonitor& monitor, std::int32_t pid) {
    const auto it = std::ranges::find(monitor.processes, pid, &ProcessSample::pid);
    return it == monitor.processes.end() ? nullptr : &*it;
}

std::vector<std::int32_t> sortedKeys(const auto& table) {
    std::vector<std::int32_t> keys;
    for (const auto& entry : table)
        keys.push_back(entry.first);
    std::ranges::sort(keys);
    return keys;
}

// A monitor over <scratch>/proc, a link that each step points at another fixture tree, and a
// clock the test sets by hand.
class ProcessTimeline : public testing::Test {
protected:
    void showStep(const std::string& step) {
        std::filesystem::remove(link);
        std::filesystem::create_directory_symlink(fixtures + "/timeline/" + step + "/proc", link);
    }
    void sampleAt(const std::string& step, double seconds) {
        showStep(step);
        now = seconds;
        monitor.sample();
    }

    std::filesystem::path link = morvanex::test::scratchDir().toStdString() + "/proc";
    double now = 0;
    ProcessMonitor monitor{Roots::under(morvanex::test::scratchDir()),
                           Clock{.monotonic = [this] { return now; }}};
};

TEST_F(ProcessTimeline, FirstSampleHasFootprintsAndNoRates) {
    sampleAt("step1", 100);
    std::vector<std::int32_t> listed;
    for (const ProcessSample& process : monitor.processes) {
        listed.push_back(process.pid);
        EXPECT_EQ(process.cpu, 0);
        EXPECT_EQ(process.diskRead, 0);
        EXPECT_EQ(process.diskWrite, 0);
    }
    std::ranges::sort(listed);
    // 400 was listed but could not be read: no record, no counters, no name.
    EXPECT_EQ(listed, (std::vector<std::int32_t>{1, 200, 300, 301, 500}));
    EXPECT_EQ(find(monitor, 1)->memory, pages(1000));
    EXPECT_EQ(find(monitor, 300)->name, "old job");
    EXPECT_EQ(sortedKeys(monitor.previous), listed);
    EXPECT_EQ(sortedKeys(monitor.names), listed);
    EXPECT_EQ(monitor.lastSample, 100);
}

TEST_F(ProcessTimeline, RatesFromCounterDifferences) {
    struct Expect {
        const char* what;
        const char* step;
        std::int32_t pid;
        const char* name;
        double cpu, read, write;
    };
    // Samples two seconds apart.
    const Expect expectations[] = {
        {"steady process", "step2", 1, "systemd", busy(60, 2), 2048, 4096},
        {"steady process, idle", "step3", 1, "systemd", 0, 0, 0},
        {"io readable for the first time: no jump to its whole history", "step2", 200, "worker",
         busy(200, 2), 0, 0},
        {"io readable twice in a row", "step3", 200, "worker", busy(200, 2), 2000, 0},
        {"id reused by a process with lower counters", "step2", 300, "new job", 0, 0, 0},
        {"the new process behind the reused id", "step3", 300, "new job", busy(100, 2), 2000, 0},
        {"counters that went down", "step2", 301, "shrinker", 0, 0, 1000},
        {"unreadable before, readable now", "step2", 400, "ghost", 0, 0, 0},
        {"new since the last sample", "step2", 600, "newcomer", 0, 0, 0},
        {"second sample of the newcomer", "step3", 600, "newcomer", busy(100, 2), 0, 2000},
    };
    sampleAt("step1", 100);
    for (const auto& [step, time] : {std::pair{"step2", 102.0}, std::pair{"step3", 104.0}}) {
        sampleAt(step, time);
        for (const Expect& e : expectations) {
            if (std::string_view(e.step) != step)
                continue;
            SCOPED_TRACE(e.what);
            const ProcessSample* process = find(monitor, e.pid);
            ASSERT_NE(process, nullptr);
            EXPECT_EQ(process->name, e.name);
            EXPECT_NEAR(process->cpu, e.cpu, 1e-9);
            EXPECT_NEAR(process->diskRead, e.read, 1e-9);
            EXPECT_NEAR(process->diskWrite, e.write, 1e-9);
        }
    }
}

TEST_F(ProcessTimeline, ProcessesThatLeaveAreForgotten) {
    sampleAt("step1", 100);
    sampleAt("step2", 102);
    EXPECT_EQ(find(monitor, 500), nullptr);
    const std::vector<std::int32_t> present{1, 200, 300, 301, 400, 600};
    EXPECT_EQ(sortedKeys(monitor.previous), present);
    EXPECT_EQ(sortedKeys(monitor.names), present);
    // The reused id holds the new process's start time.
    EXPECT_EQ(monitor.previous.at(300).startTime, 9000u);
    EXPECT_TRUE(monitor.previous.at(200).diskKnown);
}

TEST_F(ProcessTimeline, UnreadableListKeepsTheLastSample) {
    sampleAt("step1", 100);
    const auto processes = monitor.processes;
    const auto previous = monitor.previous;
    sampleAt("missing", 103);
    EXPECT_EQ(monitor.processes, processes);
    EXPECT_EQ(monitor.previous, previous);
    EXPECT_EQ(monitor.names.size(), processes.size());
    EXPECT_EQ(monitor.lastSample, 100);
    // The next sample measures over the whole time since the last successful one.
    sampleAt("step2", 106);
    EXPECT_NEAR(find(monitor, 1)->cpu, busy(60, 6), 1e-9);
    EXPECT_NEAR(find(monitor, 1)->diskRead, 4096.0 / 6, 1e-9);
}

TEST_F(ProcessTimeline, NoTimePassedGivesNoRates) {
    sampleAt("step1", 100);
    sampleAt("step2", 100);
    for (const ProcessSample& process : monitor.processes)
        EXPECT_EQ(process.cpu + process.diskRead + process.diskWrite, 0) << process.pid;
}

TEST(ProcessMonitorNames, FromCommandNameArgumentsOrExecutable) {
    ProcessMonitor monitor(Roots::under(QString::fromStdString(fixtures + "/identity")));
    monitor.sample();
    const std::pair<std::int32_t, QString> expected[] = {
        {1, "systemd"},
        {2, "(sd-pam)"},
        {3, "x) R 9 9 9 (y"},
        {4, "gnome-shell-calendar-server"}, // cut name continued by argv[0]
        {5, "very-long-daemo"},             // neither argv[0] nor the executable continues it
        {6, "tracker-miner-fs-3"},          // continued by the executable
        {7, "kworker/u16:2-e"},
        {8, "pid 8"},
        {9, QString::fromUtf8("bad\xef\xbf\xbdname")},
        {10, "short-name-abc"}, // not at the limit, so not cut
        {11, "tool"},
        {12, "B"},
    };
    for (const auto& [pid, name] : expected) {
        SCOPED_TRACE(pid);
        const ProcessSample* process = find(monitor, pid);
        ASSERT_NE(process, nullptr);
        EXPECT_EQ(process->name, name);
    }
    EXPECT_EQ(find(monitor, 13), nullptr); // malformed stat line
}

ProcessSample record(std::int32_t pid, double cpu, double memory) {
    ProcessSample sample;
    sample.pid = pid;
    sample.cpu = cpu;
    sample.memory = memory;
    return sample;
}

std::vector<std::int32_t> pidsOf(const std::vector<ProcessSample>& samples) {
    std::vector<std::int32_t> pids;
    for (const ProcessSample& sample : samples)
        pids.push_back(sample.pid);
    return pids;
}

TEST(ProcessMonitorTop, SortsDescendingStablyAndCuts) {
    ProcessMonitor monitor(Roots::under(QString::fromStdString(fixtures + "/missing")));
    monitor.processes = {record(10, 5, 300), record(11, 50, 100), record(12, 5, 900),
                         record(13, 70, 100), record(14, 5, 200)};
    struct Case {
        double ProcessSample::*key;
        std::size_t count;
        std::vector<std::int32_t> pids;
    };
    const Case cases[] = {
        {&ProcessSample::cpu, 100, {13, 11, 10, 12, 14}}, // ties keep the listing order
        {&ProcessSample::cpu, 3, {13, 11, 10}},
        {&ProcessSample::cpu, 0, {}},
        {&ProcessSample::memory, 2, {12, 10}},
        {&ProcessSample::memory, 5, {12, 10, 14, 11, 13}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(pidsOf(monitor.top(c.key, c.count)), c.pids);
}

TEST(ProcessMonitorTop, ManyTiesKeepTheirOrder) {
    ProcessMonitor monitor(Roots::under(QString::fromStdString(fixtures + "/missing")));
    std::vector<std::int32_t> expected[3];
    for (std::int32_t pid = 100; pid < 160; ++pid) {
        const int level = (pid * 7) % 3;
        monitor.processes.push_back(record(pid, level, 0));
        expected[2 - level].push_back(pid);
    }
    std::vector<std::int32_t> order;
    for (const auto& level : expected)
        order.insert(order.end(), level.begin(), level.end());
    EXPECT_EQ(pidsOf(monitor.top(&ProcessSample::cpu, 60)), order);
}

TEST(ProcessMonitorLive, NamesThisProcessInFull) {
    ProcessMonitor monitor;
    monitor.sample();
    const ProcessSample* self = find(monitor, std::int32_t(::getpid()));
    ASSERT_NE(self, nullptr);
    // "morvanex_core_tests" is longer than the kernel keeps; argv[0] completes it.
    EXPECT_EQ(self->name, QFileInfo(QCoreApplication::applicationFilePath()).fileName());
    EXPECT_GT(self->memory, 0);
}

// The default construction on this machine lists every process of /proc: the count lies
// between the test's own counts around the sample (processes come and go meanwhile, so a sample
// outside is taken again), and this process's resident size is the one /proc/self/statm gives
// (within what the sample itself allocates).
TEST(ProcessMonitorLive, DefaultConstructionSeesEveryProcess) {
    const auto resident = [] {
        QFile statm(QStringLiteral("/proc/self/statm"));
        if (!statm.open(QIODevice::ReadOnly))
            return -1.0;
        return statm.readAll().split(' ').value(1).toDouble() * double(::sysconf(_SC_PAGESIZE));
    };
    ProcessMonitor monitor;
    bool within = false;
    for (int attempt = 0; attempt < 10 && !within; ++attempt) {
        const int before = morvanex::test::processCount();
        const double residentBefore = resident();
        monitor.sample();
        const int after = morvanex::test::processCount();
        const double residentAfter = resident();
        const auto count = int(monitor.processes.size());
        const ProcessSample* self = find(monitor, std::int32_t(::getpid()));
        ASSERT_NE(self, nullptr);
        within = count >= std::min(before, after) && count <= std::max(before, after) &&
                 self->memory >= 0.95 * std::min(residentBefore, residentAfter) &&
                 self->memory <= 1.05 * std::max(residentBefore, residentAfter);
        if (attempt == 9) {
            EXPECT_GE(count, std::min(before, after));
            EXPECT_LE(count, std::max(before, after));
            EXPECT_GE(self->memory, 0.95 * std::min(residentBefore, residentAfter));
            EXPECT_LE(self->memory, 1.05 * std::max(residentBefore, residentAfter));
        }
    }
    EXPECT_TRUE(within);
}

TEST(ProcessMonitorLive, BusyChildIsRankedByItsProcessorShare) {
    QProcess burner;
    burner.start(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), "while :; do :; done"});
    ASSERT_TRUE(burner.waitForStarted(30000));
    const auto pid = std::int32_t(burner.processId());

    // Compilers and other tests may out-run it on a loaded machine, so the check is on the
    // child's own reading and on its place among the rest, not on its being first.
    ProcessMonitor monitor;
    std::optional<ProcessSample> child;
    std::vector<ProcessSample> ranking;
    for (int attempt = 0; attempt < 20 && !(child && child->cpu > 10); ++attempt) {
        monitor.sample();
        std::this_thread::sleep_for(std::chrono::seconds(1));
        monitor.sample();
        ranking = monitor.top(&ProcessSample::cpu, monitor.processes.size());
        const auto found = std::find_if(ranking.begin(), ranking.end(),
                                        [pid](const ProcessSample& p) { return p.pid == pid; });
        child = found == ranking.end() ? std::nullopt : std::optional(*found);
    }
    burner.kill();
    burner.waitForFinished(30000);

    ASSERT_TRUE(child);
    EXPECT_EQ(child->name, "sh");
    EXPECT_GT(child->cpu, 10); // a loaded machine may not give it a whole core
    EXPECT_LT(child->cpu, 150);
    EXPECT_TRUE(std::is_sorted(
        ranking.begin(), ranking.end(),
        [](const ProcessSample& a, const ProcessSample& b) { return a.cpu > b.cpu; }));
}

} // namespace
