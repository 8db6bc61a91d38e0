#include "platform/linux/ProcessTable.h"

#include "support/FixtureTree.h"
#include "support/TestEnv.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <algorithm>
#include <cstdio>
#include <gtest/gtest.h>
#include <map>
#include <sys/resource.h>
#include <unistd.h>

using morvanex::platform::DiskBytes;
using morvanex::platform::KeptFilesPolicy;
using morvanex::platform::keptFilesPolicy;
using morvanex::platform::parseIo;
using morvanex::platform::parseStat;
using morvanex::platform::ProcessTable;
using morvanex::platform::Roots;

namespace {

const QString fixtures = QStringLiteral(MORVANEX_FIXTURES "/processes");

ProcessTable identityTable() {
    return ProcessTable(Roots::under(fixtures + "/identity"));
}

std::uint64_t nanosOfTicks(std::uint64_t ticks) {
    return ticks * 1'000'000'000 / ProcessTable::ticksPerSecond();
}

// Fields 3 to 24 of a stat line with the four read ones given.
std::string statTail(std::string_view user, std::string_view system, std::string_view start,
                     std::string_view rss) {
    return "S 1 7 7 0 -1 4194560 120 0 0 0 " + std::string(user) + " " + std::string(system) +
           " 0 0 20 0 1 0 " + std::string(start) + " 2345 " + std::string(rss) + " 1 2 3\n";
}

TEST(ProcessTableParse, StatLines) {
    struct Case {
        const char* what;
        std::string line;
        bool parses;
        std::string_view name;
        std::uint64_t user, system, start, rss;
    };
    const std::string tail = statTail("11", "22", "33", "44");
    const Case cases[] = {
        {"plain", "7 (bash) " + tail, true, "bash", 11, 22, 33, 44},
        {"name with spaces and parentheses", "7 (a) b (c) " + tail, true, "a) b (c", 11, 22, 33,
         44},
        {"name that mimics fields", "7 (x) R 1 2 3 4 5 6 7 8 9 10 11 12 13 14) " + tail, true,
         "x) R 1 2 3 4 5 6 7 8 9 10 11 12 13 14", 11, 22, 33, 44},
        {"empty name", "7 () " + tail, true, "", 11, 22, 33, 44},
        {"largest counters",
         "7 (big) " + statTail("18446744073709551615", "0", "18446744073709551615", "1"), true,
         "big", 18446744073709551615u, 0, 18446744073709551615u, 1},
        {"no trailing newline", "7 (n) S 1 7 7 0 -1 0 0 0 0 0 5 6 0 0 20 0 1 0 8 0 9", true, "n", 5,
         6, 8, 9},
        {"no closing parenthesis", "7 (bash " + tail, false, "", 0, 0, 0, 0},
        {"no parentheses", "7 bash " + tail, false, "", 0, 0, 0, 0},
        {"cut before the resident size", "7 (cut) S 1 7 7 0 -1 0 0 0 0 0 5 6 0 0 20 0 1 0 8 0",
         false, "", 0, 0, 0, 0},
        {"negative time", "7 (neg) " + statTail("-5", "22", "33", "44"), false, "", 0, 0, 0, 0},
        {"not a number", "7 (nan) " + statTail("11", "2x", "33", "44"), false, "", 0, 0, 0, 0},
        {"counter beyond 64 bits", "7 (huge) " + statTail("18446744073709551616", "1", "1", "1"),
         false, "", 0, 0, 0, 0},
        {"empty", "", false, "", 0, 0, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const auto fields = parseStat(c.line);
        ASSERT_EQ(fields.has_value(), c.parses);
        if (!fields)
            continue;
        EXPECT_EQ(fields->shortName, c.name);
        EXPECT_EQ(fields->userTicks, c.user);
        EXPECT_EQ(fields->systemTicks, c.system);
        EXPECT_EQ(fields->startTicks, c.start);
        EXPECT_EQ(fields->residentPages, c.rss);
    }
}

TEST(ProcessTableParse, IoRecords) {
    struct Case {
        const char* what;
        std::string_view text;
        std::optional<DiskBytes> expected;
    };
    const Case cases[] = {
        {"kernel layout",
         "rchar: 9\nwchar: 8\nsyscr: 1\nsyscw: 1\nread_bytes: 4096\nwrite_bytes: 8192\n"
         "cancelled_write_bytes: 512\n",
         DiskBytes{4096, 8192}},
        {"cancelled bytes are not written bytes",
         "read_bytes: 1\ncancelled_write_bytes: 512\nwrite_bytes: 2\n", DiskBytes{1, 2}},
        {"without final newline", "read_bytes: 3\nwrite_bytes: 4", DiskBytes{3, 4}},
        {"write_bytes missing", "read_bytes: 1\ncancelled_write_bytes: 512\n", std::nullopt},
        {"read_bytes missing", "rchar: 1\nwrite_bytes: 2\n", std::nullopt},
        {"malformed value", "read_bytes: 1k\nwrite_bytes: 2\n", std::nullopt},
        {"empty", "", std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(parseIo(c.text), c.expected);
    }
}

TEST(ProcessTable, ListsOnlyNumericEntries) {
    auto pids = identityTable().pids();
    std::sort(pids.begin(), pids.end());
    EXPECT_EQ(pids, (std::vector<std::int32_t>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13}));
    EXPECT_TRUE(ProcessTable(Roots::under(fixtures + "/missing")).pids().empty());
}

TEST(ProcessTable, UsageFromStatAndIo) {
    ProcessTable table = identityTable();
    // The name of process 3 holds ") R 9 9 9 (": fields must be counted after the last ")".
    const auto usage = table.usage(3);
    ASSERT_TRUE(usage);
    EXPECT_EQ(usage->cpuNanos, nanosOfTicks(250 + 150));
    EXPECT_EQ(usage->startTime, 4242u);
    EXPECT_EQ(usage->residentBytes, 321 * ProcessTable::pageSize());
    EXPECT_EQ(usage->disk, (DiskBytes{1000, 2000}));

    // Without an io record the process is still read, only its storage bytes are absent.
    const auto withoutIo = table.usage(7);
    ASSERT_TRUE(withoutIo);
    EXPECT_EQ(withoutIo->cpuNanos, nanosOfTicks(2));
    EXPECT_FALSE(withoutIo->disk);
}

TEST(ProcessTable, UnreadableProcessesGiveNothing) {
    ProcessTable identity = identityTable();
    EXPECT_FALSE(identity.usage(13)); // malformed stat line
    EXPECT_FALSE(identity.usage(99)); // no such process
    EXPECT_FALSE(identity.usage(0));
    EXPECT_FALSE(identity.usage(-1));
    // Listed, but gone before its stat was read.
    EXPECT_FALSE(ProcessTable(Roots::under(fixtures + "/timeline/step1")).usage(400));
}

TEST(ProcessTable, KeepsFilesOpenUpToItsLimit) {
    for (const std::size_t limit : {0, 5, 512}) {
        SCOPED_TRACE(limit);
        ProcessTable table(Roots::under(fixtures + "/identity"), limit);
        for (int round = 0; round < 2; ++round) {
            for (const std::int32_t pid : table.pids())
                table.usage(pid);
            // 13 readable stat files (one of them malformed) and 2 io files; a kept file reads
            // the same as a fresh one.
            EXPECT_EQ(table.keptFiles(), std::min<std::size_t>(limit, 15));
            const auto usage = table.usage(3);
            ASSERT_TRUE(usage);
            EXPECT_EQ(usage->cpuNanos, nanosOfTicks(250 + 150));
            EXPECT_EQ(usage->disk, (DiskBytes{1000, 2000}));
        }
        // A listing closes the files of every process not read since the previous one.
        table.pids();
        table.pids();
        EXPECT_EQ(table.keptFiles(), 0u);
        table.usage(1);
        table.pids();
        EXPECT_EQ(table.keptFiles(), std::min<std::size_t>(limit, 2));
        table.pids();
        EXPECT_EQ(table.keptFiles(), 0u);
    }
}

// An io record that cannot be opened (another user's process, or a kernel without storage
// accounting) is not tried on every sample, only again after thirty; one that can is read each
// time, and a process with a new id starts afresh.
TEST(ProcessTable, AnIoRecordThatCannotBeOpenedIsTriedAgainOnlyAfterAWhile) {
    const QString root = morvanex::test::scratchDir() + "/refused";
    const QString folder = root + "/proc/5";
    const QByteArray stat = QByteArray("5 (p) ") + statTail("1", "1", "7", "1").c_str();
    morvanex::test::writeFile(folder, "stat", stat);
    morvanex::test::writeFile(root + "/proc/6", "stat",
                              QByteArray("6 (q) ") + statTail("1", "1", "7", "1").c_str());
    morvanex::test::writeFile(root + "/proc/6", "io", "read_bytes: 1\nwrite_bytes: 2\n");
    ProcessTable table(Roots::under(root), 64);
    const auto sample = [&] {
        std::map<std::int32_t, bool> withDisk;
        for (const std::int32_t pid : table.pids())
            if (const auto usage = table.usage(pid))
                withDisk[pid] = usage->disk.has_value();
        return withDisk;
    };
    EXPECT_EQ(sample(), (std::map<std::int32_t, bool>{{5, false}, {6, true}}));
    // The record appears (in a real tree it never would for the same process): not read until
    // thirty samples after the refusal.
    morvanex::test::writeFile(folder, "io", "read_bytes: 3\nwrite_bytes: 4\n");
    for (int round = 1; round < 30; ++round)
        ASSERT_EQ(sample(), (std::map<std::int32_t, bool>{{5, false}, {6, true}})) << round;
    EXPECT_EQ(sample(), (std::map<std::int32_t, bool>{{5, true}, {6, true}}));
    EXPECT_EQ(table.usage(5)->disk, (DiskBytes{3, 4}));

    // A process that is not kept (no files may stay open) is tried every time.
    QFile::remove(folder + "/io");
    ProcessTable unkept(Roots::under(root), 0);
    unkept.pids();
    EXPECT_FALSE(unkept.usage(5)->disk);
    morvanex::test::writeFile(folder, "io", "read_bytes: 3\nwrite_bytes: 4\n");
    unkept.pids();
    EXPECT_TRUE(unkept.usage(5)->disk);
}

TEST(ProcessTable, HowManyFilesItKeepsFollowsTheOpenFileLimit) {
    struct Case {
        std::optional<std::uint64_t> soft;
        KeptFilesPolicy expected;
    };
    const Case cases[] = {
        {std::nullopt, {512, 0}}, {std::uint64_t(RLIM_INFINITY), {512, 0}},
        {256, {64, 0}},           {1024, {256, 0}}, // the usual soft limit when nobody raised it
        {4095, {512, 0}},         {4096, {1024, 1024}},
        {524288, {131072, 1024}}, // a usual hard limit, once raised
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.soft.value_or(0));
        EXPECT_EQ(keptFilesPolicy(c.soft), c.expected);
    }
}

// With a raised limit every process's files stay open, above the first 1024 descriptors; with
// the usual unraised 1024, a quarter of it, below. Runs in a child, which may change its limit.
TEST(ProcessTable, KeepsEveryProcessOpenUnderARaisedLimit) {
    constexpr int processes = 600;
    const QString root = morvanex::test::scratchDir() + "/many";
    for (int pid = 1; pid <= processes; ++pid) {
        const QString folder = root + "/proc/" + QString::number(pid);
        morvanex::test::writeFile(folder, "stat",
                                  QByteArray("1 (p) ") + statTail("1", "1", "1", "1").c_str());
        morvanex::test::writeFile(folder, "io", "read_bytes: 1\nwrite_bytes: 2\n");
    }
    rlimit own{};
    ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &own), 0);
    if (own.rlim_max < 8192)
        GTEST_SKIP() << "the hard open-file limit is below 8192";

    // Reads every process twice; the child's exit code says whether the kept files match.
    const auto readAll = [&](rlim_t soft, std::size_t keptExpected, bool high) {
        const rlimit limit{soft, own.rlim_max};
        if (::setrlimit(RLIMIT_NOFILE, &limit) != 0)
            std::_Exit(2);
        ProcessTable table(Roots::under(root));
        for (int round = 0; round < 2; ++round)
            for (const std::int32_t pid : table.pids())
                if (!table.usage(pid))
                    std::_Exit(3);
        if (table.keptFiles() != keptExpected)
            std::_Exit(4);
        int above = 0;
        for (const QFileInfo& fd : QDir("/proc/self/fd").entryInfoList(QDir::Files | QDir::System))
            if (fd.fileName().toInt() >= 1024 && fd.symLinkTarget().startsWith(root))
                ++above;
        if (above != (high ? int(keptExpected) : 0)) {
            std::fprintf(stderr, "%d kept files at 1024 and above\n", above);
            std::_Exit(5);
        }
        std::_Exit(0);
    };
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(readAll(8192, 2 * processes, true), ::testing::ExitedWithCode(0), "");
    EXPECT_EXIT(readAll(1024, 256, false), ::testing::ExitedWithCode(0), "");
}

TEST(ProcessTable, NamesAndPaths) {
    struct Case {
        std::int32_t pid;
        QByteArray shortName, firstArgument, executablePath;
    };
    const Case cases[] = {
        {1, "systemd", "/sbin/init", "/usr/lib/systemd/systemd"},
        {2, "(sd-pam)", "(sd-pam)", ""},
        {3, "x) R 9 9 9 (y", "", ""},
        {4, "gnome-shell-cal", "/usr/libexec/gnome-shell-calendar-server",
         "/usr/libexec/gnome-shell-calendar-server"},
        {7, "kworker/u16:2-e", "", ""},
        {8, "", "", ""},
        {9, "bad\xffname", "bad\xffname", ""},
        {11, "tool", "", "/usr/bin/tool"}, // the " (deleted)" mark is dropped
        {99, "", "", ""},
    };
    const ProcessTable table = identityTable();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pid);
        EXPECT_EQ(table.shortName(c.pid), c.shortName);
        EXPECT_EQ(table.firstArgument(c.pid), c.firstArgument);
        EXPECT_EQ(table.executablePath(c.pid), c.executablePath);
    }
}

TEST(ProcessTableLive, ReadsThisProcess) {
    ProcessTable table;
    const auto self = std::int32_t(::getpid());
    const auto pids = table.pids();
    EXPECT_NE(std::ranges::find(pids, self), pids.end());

    const auto usage = table.usage(self);
    ASSERT_TRUE(usage);
    EXPECT_GT(usage->residentBytes, 0u);
    EXPECT_GT(usage->startTime, 0u);
    EXPECT_TRUE(usage->disk); // one's own io record is always readable

    const QString program = QFileInfo(QCoreApplication::applicationFilePath()).fileName();
    EXPECT_EQ(table.shortName(self),
              program.toUtf8().left(ProcessTable::shortNameLimit)); // "morvanex_platfo"
    EXPECT_EQ(QFileInfo(QString::fromUtf8(table.executablePath(self))).canonicalFilePath(),
              QFileInfo(QCoreApplication::applicationFilePath()).canonicalFilePath());
    EXPECT_EQ(QString::fromUtf8(table.firstArgument(self)), QCoreApplication::arguments().at(0));
}

TEST(ProcessTableLive, KeptFilesNeverReadALaterProcess) {
    QProcess child;
    child.start(QStringLiteral("/bin/sleep"), {QStringLiteral("600")});
    ASSERT_TRUE(child.waitForStarted(30000));
    const auto pid = std::int32_t(child.processId());

    ProcessTable table;
    table.pids();
    const auto before = table.usage(pid);
    ASSERT_TRUE(before);
    const std::size_t kept = table.keptFiles();
    EXPECT_GE(kept, 2u); // stat and io of the child

    child.kill();
    ASSERT_TRUE(child.waitForFinished(30000)); // reaped: the id is free for the kernel to reuse
    const auto after = table.usage(pid);
    // Whatever runs under the id now (almost surely nothing) is another process.
    if (after) {
        EXPECT_NE(after->startTime, before->startTime);
    }
    EXPECT_LT(table.keptFiles(), kept + (after ? 2 : 0));
}

} // namespace
