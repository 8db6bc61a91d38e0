#include "platform/Sysctl.h"

#include "support/FixtureTree.h"

#include <QFile>
#include <array>
#include <gtest/gtest.h>

using namespace morvanex::platform;

namespace {

Roots machine(const char* name) {
    return Roots::under(QStringLiteral(MORVANEX_FIXTURES "/machines/") + QLatin1StringView(name));
}

TEST(Sysctl, AnswersTheNamedValuesOfEachKindOfMachine) {
    struct Row {
        const char* machine;
        std::optional<QString> brand;
        std::optional<QString> model;
        std::int64_t levels;
        std::optional<std::int64_t> level0, level1;
        std::int64_t physical, logical;
        std::int64_t bootSeconds;
        std::optional<std::int64_t> availablePercent, pressureLevel;
        std::uint64_t swapTotal, swapUsed;
    };
    const Row rows[] = {
        {"desktop", "AMD Ryzen 5 5600G with Radeon Graphics", "MS-7C95", 1, 8, std::nullopt, 4, 8,
         1765000000, 74, 1, 2097148ull * 1024, 1048574ull * 1024},
        {"hybrid", "12th Gen Intel(R) Core(TM) i7-1260P", "XPS 13 9320", 2, 8, 8, 12, 16,
         1765100000, 20, 2, 2097148ull * 1024, 1048574ull * 1024},
        {"arm", std::nullopt, "Radxa ROCK Pi 4B", 2, 2, 4, 6, 6, 1765200000, 5, std::nullopt,
         2097148ull * 1024, 1048574ull * 1024},
        {"vm", "Intel Xeon Processor (Icelake)", "Standard PC (Q35 + ICH9, 2009)", 1, 8,
         std::nullopt, 8, 8, 1765300000, 96, 4, 0, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.machine);
        const Sysctl sysctl(machine(row.machine), 4096);
        EXPECT_EQ(sysctl.string("machdep.cpu.brand_string"), row.brand);
        EXPECT_EQ(sysctl.string("hw.model"), row.model);
        EXPECT_EQ(sysctl.integer("hw.nperflevels"), row.levels);
        EXPECT_EQ(sysctl.integer("hw.perflevel0.logicalcpu"), row.level0);
        EXPECT_EQ(sysctl.integer("hw.perflevel1.logicalcpu"), row.level1);
        EXPECT_EQ(sysctl.integer("hw.physicalcpu"), row.physical);
        EXPECT_EQ(sysctl.integer("hw.logicalcpu"), row.logical);
        EXPECT_EQ(sysctl.integer("hw.pagesize"), 4096);
        EXPECT_EQ(sysctl.integer("kern.memorystatus_level"), row.availablePercent);
        EXPECT_EQ(sysctl.integer("kern.memorystatus_vm_pressure_level"), row.pressureLevel);
        const auto boot = sysctl.raw("kern.boottime", Timeval{});
        ASSERT_TRUE(boot);
        EXPECT_EQ(boot->seconds, row.bootSeconds);
        const auto swap = sysctl.raw("vm.swapusage", XswUsage{});
        ASSERT_TRUE(swap);
        EXPECT_EQ(swap->total, row.swapTotal);
        EXPECT_EQ(swap->used, row.swapUsed);
    }
}

TEST(Sysctl, ReadsLikeTheKernelInterface) {
    const Sysctl sysctl(machine("desktop"));
    // Integers come only from 4- and 8-byte values; a 16-byte record is no integer.
    EXPECT_EQ(sysctl.integer("kern.boottime"), std::nullopt);
    EXPECT_EQ(sysctl.value("hw.logicalcpu")->size(), 4);
    EXPECT_EQ(sysctl.value("hw.memsize")->size(), 8);
    EXPECT_EQ(sysctl.integer("hw.memsize"), 16303428ll * 1024);
    EXPECT_EQ(sysctl.string("no.such.name"), std::nullopt);
    EXPECT_EQ(sysctl.integer("no.such.name"), std::nullopt);
    // A record larger than the value keeps the tail of its initial bytes.
    std::array<char, 24> initial;
    initial.fill('x');
    const auto larger = sysctl.raw("kern.boottime", initial);
    ASSERT_TRUE(larger);
    EXPECT_EQ((*larger)[20], 'x');
    EXPECT_NE(std::memcmp(larger->data(), initial.data(), 16), 0);
}

TEST(Sysctl, MissingSourcesGiveAbsentValues) {
    const QString root = morvanex::test::copyFixture("machines/desktop");
    morvanex::test::writeFile(root, "proc/cpuinfo", "processor\t: 0\nmodel name\t:\n");
    QFile::remove(root + "/proc/meminfo");
    QFile::remove(root + "/proc/stat");
    const Sysctl sysctl(Roots::under(root));
    EXPECT_EQ(sysctl.string("machdep.cpu.brand_string"), std::nullopt); // empty value
    EXPECT_EQ(sysctl.raw("kern.boottime", Timeval{}).has_value(), false);
    EXPECT_EQ(sysctl.integer("hw.memsize"), std::nullopt);
    EXPECT_EQ(sysctl.integer("kern.memorystatus_level"), std::nullopt);
    EXPECT_EQ(sysctl.raw("vm.swapusage", XswUsage{}).has_value(), false);
}

TEST(Sysctl, LiveMachineHasProcessorsAndMemory) {
    const Sysctl sysctl;
    EXPECT_GE(sysctl.integer("hw.logicalcpu").value_or(0), 1);
    EXPECT_GE(sysctl.integer("hw.physicalcpu").value_or(0), 1);
    EXPECT_GT(sysctl.integer("hw.memsize").value_or(0), 0);
    EXPECT_TRUE(sysctl.raw("kern.boottime", Timeval{}).has_value());
}

} // namespace
