#include "monitors/MemoryMonitor.h"

#include "platform/Sysctl.h"
#include "platform/linux/MemoryStatistics.h"
#include "support/FixtureTree.h"
#include "support/MachineReads.h"

#include <QFile>
#include <algorithm>
#include <functional>
#include <gtest/gtest.h>
#include <map>
#include <unistd.h>

using namespace morvanex;
using morvanex::test::copyFixture;
using morvanex::test::writeFile;

namespace {

constexpr std::int64_t page = 16384;

QByteArray meminfo(std::uint64_t totalKiB, std::uint64_t availableKiB, std::uint64_t anonKiB,
                   std::uint64_t zswapKiB = 0) {
    return "MemTotal: " + QByteArray::number(qulonglong(totalKiB)) + " kB\n" +
           "MemAvailable: " + QByteArray::number(qulonglong(availableKiB)) + " kB\n" +
           "AnonPages: " + QByteArray::number(qulonglong(anonKiB)) + " kB\n" +
           "Cached: 1600 kB\nShmem: 320 kB\nBuffers: 160 kB\nSReclaimable: 160 kB\n"
           "SUnreclaim: 64 kB\nKernelStack: 16 kB\nPageTables: 16 kB\nUnevictable: 32 kB\n"
           "Zswap: " +
           QByteArray::number(qulonglong(zswapKiB)) +
           " kB\n"
           "SwapTotal: 1024 kB\nSwapFree: 256 kB\n";
}

TEST(MemoryMonitor, SharesOfAFixtureMachine) {
    const QString root = copyFixture("machines/desktop");
    MemoryMonitor monitor(platform::Roots::under(root), {}, page);
    EXPECT_EQ(monitor.total, 16303428.0 * 1024);
    EXPECT_EQ(monitor.pageSize, page);
    // Figures in KiB become whole pages of 16384 bytes.
    writeFile(root, "proc/meminfo", meminfo(1048576, 524288, 163840, 32));
    MemoryMonitor small(platform::Roots::under(root), {}, page);
    small.sample();
    EXPECT_EQ(small.app, (163840.0 + 320) * 1024); // with the shared memory
    EXPECT_EQ(small.wired, 96.0 * 1024);           // 64 + 16 + 16 KiB, without the locked pages
    EXPECT_EQ(small.compressed, 32.0 * 1024);
    // The page cache less its shared memory, buffers and reclaimable slab.
    EXPECT_EQ(small.cached, (1600.0 - 320 + 160 + 160) * 1024);
    EXPECT_EQ(small.free, small.total - small.used());
    EXPECT_EQ(small.pressure, 50);
    EXPECT_EQ(small.swapTotal, 1024.0 * 1024);
    EXPECT_EQ(small.swapUsed, 768.0 * 1024);
    EXPECT_EQ(small.pressureLevel, 1);
    EXPECT_EQ(small.usedPercent(), small.used() / small.total * 100);
    EXPECT_EQ(small.usedHistory.values, std::vector<double>{small.usedPercent()});
    EXPECT_EQ(small.pressureHistory.values, std::vector<double>{50});
}

TEST(MemoryMonitor, UsedPercentIsZeroWhileTheSizeIsUnknown) {
    const QString root = copyFixture("machines/desktop");
    QFile::remove(root + "/proc/meminfo");
    MemoryMonitor monitor(platform::Roots::under(root), {}, page);
    EXPECT_EQ(monitor.total, 0);
    monitor.app = 1024;
    EXPECT_EQ(monitor.usedPercent(), 0);
}

TEST(MemoryMonitor, PressureFromAvailableShareAndStallLevels) {
    struct Row {
        const char* name;
        QByteArray meminfo;
        QByteArray psi; // empty: no pressure file
        double pressure;
        int level;
    };
    const Row rows[] = {
        {"all available", meminfo(1000, 1000, 0), "some avg10=0.00\nfull avg10=0.00\n", 0, 1},
        {"nothing available", meminfo(1000, 0, 0), "some avg10=11.00\nfull avg10=1.00\n", 100, 2},
        {"more available than installed", meminfo(1000, 5000, 0), "", 0, 1},
        {"full stall is critical", meminfo(1000, 100, 0), "some avg10=50.00\nfull avg10=6.00\n", 90,
         4},
        {"unreadable stall file", meminfo(1000, 250, 0), "nonsense\n", 75, 1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const QString root = copyFixture("machines/desktop");
        writeFile(root, "proc/meminfo", row.meminfo);
        if (row.psi.isEmpty())
            QFile::remove(root + "/proc/pressure/memory");
        else
            writeFile(root, "proc/pressure/memory", row.psi);
        MemoryMonitor monitor(platform::Roots::under(root), {}, page);
        monitor.sample();
        EXPECT_EQ(monitor.pressure, row.pressure);
        EXPECT_EQ(monitor.pressureLevel, row.level);
    }
}

// A sample reads the memory figures once and takes the available share and the swap from
// that read: they must still be what the named system values answer for the same file.
TEST(MemoryMonitor, OneReadAnswersAsTheNamedSystemValues) {
    struct Row {
        const char* name;
        QByteArray meminfo;
    };
    const Row rows[] = {
        {"every figure", meminfo(1048576, 262144, 163840, 32)},
        {"more swap free than installed", "MemTotal: 1000 kB\nMemAvailable: 400 kB\n"
                                          "SwapTotal: 100 kB\nSwapFree: 500 kB\n"},
        {"no available figure", "MemTotal: 1000 kB\nAnonPages: 10 kB\n"
                                "SwapTotal: 100 kB\nSwapFree: 25 kB\n"},
        {"no swap figures", "MemTotal: 1000 kB\nMemAvailable: 999 kB\n"},
        {"installed size zero", "MemTotal: 0 kB\nMemAvailable: 10 kB\n"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const QString root = copyFixture("machines/desktop");
        writeFile(root, "proc/meminfo", row.meminfo);
        const platform::Roots roots = platform::Roots::under(root);
        MemoryMonitor monitor(roots, {}, page);
        // Values a figure is missing for keep the ones set here.
        monitor.pressure = -1;
        monitor.swapUsed = -1;
        monitor.swapTotal = -1;
        monitor.sample();

        const platform::Sysctl sysctl(roots, page);
        const auto level = sysctl.integer(QStringLiteral("kern.memorystatus_level"));
        EXPECT_EQ(monitor.pressure, level ? std::clamp(100.0 - double(*level), 0.0, 100.0) : -1);
        const auto swap = sysctl.raw(QStringLiteral("vm.swapusage"), platform::XswUsage{});
        EXPECT_EQ(monitor.swapUsed, swap ? double(swap->used) : -1);
        EXPECT_EQ(monitor.swapTotal, swap ? double(swap->total) : -1);
        const auto stats = platform::readVMStatistics(roots, page);
        ASSERT_TRUE(stats);
        EXPECT_EQ(monitor.wired, double(stats->wiredPages) * page);
        EXPECT_EQ(monitor.app, double(stats->internalPages) * page);
    }
}

TEST(MemoryMonitor, AppNeverNegativeAndFreeNeverBelowZero) {
    const QString root = copyFixture("machines/desktop");
    // More anonymous memory than installed (a racy read): free stays at 0.
    writeFile(root, "proc/meminfo", meminfo(1024, 512, 4096));
    MemoryMonitor monitor(platform::Roots::under(root), {}, 4096);
    monitor.sample();
    EXPECT_GT(monitor.used(), monitor.total);
    EXPECT_EQ(monitor.free, 0);
}

TEST(MemoryMonitor, PagingRatesCountPagesMovedToAndFromSwap) {
    const QString root = copyFixture("machines/desktop");
    double now = 100;
    platform::Clock clock;
    clock.monotonic = [&now] { return now; };
    writeFile(root, "proc/vmstat", "pgpgin 16000\npgpgout 0\npswpin 10\npswpout 0\n");
    MemoryMonitor monitor(platform::Roots::under(root), clock, page);
    monitor.sample();
    EXPECT_EQ(monitor.pageInsRate, 0); // no earlier counters yet

    // 100 more pages of 16384 bytes read back from swap in 2 seconds, while a great many blocks
    // were read and written that never went through swap.
    now = 102;
    writeFile(root, "proc/vmstat", "pgpgin 917600\npgpgout 800000\npswpin 110\npswpout 0\n");
    monitor.sample();
    EXPECT_EQ(monitor.pageInsRate, 819200);
    EXPECT_EQ(monitor.pageOutsRate, 0);

    // No time passed: rates keep their values. A counter that went down gives 0.
    writeFile(root, "proc/vmstat", "pswpin 10\npswpout 0\n");
    monitor.sample();
    EXPECT_EQ(monitor.pageInsRate, 819200);
    now = 103;
    writeFile(root, "proc/vmstat", "pswpin 0\npswpout 0\n");
    monitor.sample();
    EXPECT_EQ(monitor.pageInsRate, 0);
}

// The two swap counters are picked out of the kernel's long list: the block counters beside
// them, a key that merely begins like one, a value that is not a number and a missing key all
// count as nothing.
TEST(MemoryMonitor, SwapCountersAmongTheOtherLines) {
    struct Row {
        const char* name;
        QByteArray vmstat;
        std::uint64_t pageins;
        std::uint64_t pageouts;
    };
    const Row rows[] = {
        {"among others", "nr_free_pages 5\npgpgin 32\npgpgout 64\npswpin 7\npswpout 9\n", 7, 9},
        {"block counters only", "pgpgin 32\npgpgout 64\n", 0, 0},
        {"longer keys first", "pswpinx 999\npswpout_zero 999\npswpout 16\npswpin 48\n", 48, 16},
        {"no line end at the end", "pswpout 16\npswpin 48", 48, 16},
        {"not a number", "pswpin many\npswpout -16\n", 0, 0},
        {"missing", "nr_free_pages 5\n", 0, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const QString root = copyFixture("machines/desktop");
        writeFile(root, "proc/vmstat", row.vmstat);
        const auto stats = platform::readVMStatistics(platform::Roots::under(root), page);
        ASSERT_TRUE(stats);
        EXPECT_EQ(stats->pageins, row.pageins);
        EXPECT_EQ(stats->pageouts, row.pageouts);
    }
}

// tmpfs files and shared segments are memory in use, not cache that can be dropped; locked
// pages are counted once, with whatever they belong to, not again as the kernel's own.
TEST(MemoryMonitor, SharedAndLockedMemory) {
    struct Row {
        const char* name;
        QByteArray meminfo;
        double app; // KiB
        double wired;
        double cached;
    };
    const QByteArray kernel = "SUnreclaim: 400 kB\nKernelStack: 100 kB\nPageTables: 50 kB\n";
    const Row rows[] = {
        {"no shared or locked memory",
         "MemTotal: 100000 kB\nAnonPages: 1000 kB\nCached: 3000 kB\nBuffers: 200 kB\n"
         "SReclaimable: 300 kB\n" +
             kernel,
         1000, 550, 3500},
        {"a gibibyte in tmpfs",
         "MemTotal: 2000000 kB\nAnonPages: 1000 kB\nCached: 1051576 kB\nShmem: 1048576 kB\n"
         "Buffers: 200 kB\nSReclaimable: 300 kB\n" +
             kernel,
         1049576, 550, 3500},
        {"a gibibyte locked",
         "MemTotal: 2000000 kB\nAnonPages: 1049576 kB\nUnevictable: 1048576 kB\n"
         "Mlocked: 1048576 kB\nCached: 3000 kB\nBuffers: 200 kB\nSReclaimable: 300 kB\n" +
             kernel,
         1049576, 550, 3500},
        {"more shared than cached (a racy read)",
         "MemTotal: 100000 kB\nAnonPages: 1000 kB\nCached: 100 kB\nShmem: 200 kB\n" + kernel, 1200,
         550, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const QString root = copyFixture("machines/desktop");
        writeFile(root, "proc/meminfo", row.meminfo);
        MemoryMonitor monitor(platform::Roots::under(root), {}, 1024);
        monitor.sample();
        EXPECT_EQ(monitor.app, row.app * 1024);
        EXPECT_EQ(monitor.wired, row.wired * 1024);
        EXPECT_EQ(monitor.cached, row.cached * 1024);
        EXPECT_EQ(monitor.used(), (row.app + row.wired) * 1024);
    }
}

TEST(MemoryMonitor, UnreadableStatisticsSkipTheSample) {
    const QString root = copyFixture("machines/desktop");
    MemoryMonitor monitor(platform::Roots::under(root), {}, page);
    monitor.sample();
    const double app = monitor.app;
    QFile::remove(root + "/proc/meminfo");
    monitor.sample();
    EXPECT_EQ(monitor.app, app);
    EXPECT_EQ(monitor.usedHistory.values.size(), 1u);
}

// The default construction on this machine: the system's page size and the real /proc. Each
// share lies between the test's own reads of /proc/meminfo just before and just after the
// sample (less the part of a page the conversion to whole pages drops). Memory moves with
// everything else running, so a sample that falls outside is taken again a few times; a monitor
// that scales or mixes up the fields is outside every time.
TEST(MemoryMonitor, DefaultConstructionReadsThisMachine) {
    MemoryMonitor monitor;
    const double systemPage = double(::sysconf(_SC_PAGESIZE));
    EXPECT_EQ(monitor.pageSize, systemPage);
    EXPECT_EQ(monitor.total, test::meminfoBytes().at("MemTotal"));

    struct Share {
        const char* what;
        double MemoryMonitor::*value;
        std::function<double(const std::map<QByteArray, double>&)> truth;
    };
    const Share shares[] = {
        {"app (AnonPages + Shmem)", &MemoryMonitor::app,
         [](const auto& m) { return test::appBytes(m); }},
        {"kernel", &MemoryMonitor::wired, [](const auto& m) { return test::wiredBytes(m); }},
        {"compressed (Zswap)", &MemoryMonitor::compressed,
         [](const auto& m) { return m.count("Zswap") ? m.at("Zswap") : 0.0; }},
        {"swap used", &MemoryMonitor::swapUsed,
         [](const auto& m) { return m.at("SwapTotal") - m.at("SwapFree"); }},
    };
    for (const Share& share : shares) {
        SCOPED_TRACE(share.what);
        double low = 0;
        double high = 0;
        double value = 0;
        for (int attempt = 0; attempt < 10; ++attempt) {
            const auto before = test::meminfoBytes();
            monitor.sample();
            const auto after = test::meminfoBytes();
            low = std::min(share.truth(before), share.truth(after)) - systemPage;
            high = std::max(share.truth(before), share.truth(after));
            value = monitor.*share.value;
            if (value >= low && value <= high)
                break;
        }
        EXPECT_GE(value, low);
        EXPECT_LE(value, high);
    }
    EXPECT_LE(monitor.used(), monitor.total);
    EXPECT_EQ(monitor.free, monitor.total - monitor.used());
    EXPECT_GE(monitor.pressure, 0);
    EXPECT_LE(monitor.pressure, 100);
}

} // namespace
