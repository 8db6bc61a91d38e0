#include "dump/DumpMachineLines.h"

#include <gtest/gtest.h>
#include <limits>

// Readable failure messages for texts.
inline void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}

using namespace morvanex;

namespace {

TEST(DumpMachineLines, ProcessorLine) {
    CPUMonitor cpu;
    cpu.brand = QStringLiteral("AMD Ryzen 7 7840U");
    cpu.user = 10.4;
    cpu.system = 2.2;
    cpu.cores.resize(16);
    cpu.performanceCount = 8;
    cpu.efficiencyCount = 0;
    cpu.loadAverage = {0.525, 1.0, 12.346};
    cpu.uptime = 90061.9;
    EXPECT_EQ(dump::cpuLine(cpu),
              "CPU      AMD Ryzen 7 7840U — 13% (user 10%, sys 2%), cores 16 "
              "[no core classes], load [\"0.53\", \"1.00\", \"12.35\"], uptime 1d 1h 1m");

    CPUMonitor fresh; // nothing known: no brand, no cores, no load, no uptime
    fresh.brand.clear();
    fresh.cores.clear();
    fresh.performanceCount = 0;
    fresh.efficiencyCount = 0;
    EXPECT_EQ(dump::cpuLine(fresh),
              "CPU       — 0% (user 0%, sys 0%), cores 0 [no core classes], load "
              "[\"0.00\", \"0.00\", \"0.00\"], uptime 0m");
}

TEST(DumpMachineLines, GraphicsLinesOnePerDevice) {
    GPUMonitor gpu;
    gpu.gpus.clear();
    EXPECT_TRUE(dump::gpuLines(gpu).isEmpty());

    GPUMonitor::GPU first;
    first.name = QStringLiteral("Radeon 780M");
    first.utilization = 42.5;
    first.memoryUsed = 512.0 * 1024 * 1024;
    GPUMonitor::GPU second;
    second.name = QStringLiteral("Arc A770");
    second.cores = 512;
    second.utilization = 0.4;
    gpu.gpus = {first, second};
    EXPECT_EQ(dump::gpuLines(gpu), QStringList({"GPU      Radeon 780M cores=0 util=43% mem=512 MB",
                                                "GPU      Arc A770 cores=512 util=0% mem=-"}));
}

TEST(DumpMachineLines, MemoryLine) {
    MemoryMonitor memory;
    memory.total = 16.0 * 1024 * 1024 * 1024;
    memory.app = 4.0 * 1024 * 1024 * 1024;
    memory.wired = 1.5 * 1024 * 1024 * 1024;
    memory.compressed = 512.0 * 1024 * 1024;
    memory.pressure = 31.5;
    memory.pressureLevel = 2;
    memory.swapUsed = 0;
    EXPECT_EQ(dump::memoryLine(memory),
              "Memory   used 6.0 GB/16.0 GB app 4.0 GB wired 1.5 GB compressed 512 MB pressure 32% "
              "(level 2) swap 0 B");
}

TEST(DumpMachineLines, DiskLinesWithUsedShareAndPurgeableSpace) {
    DiskMonitor disks;
    DiskMonitor::Volume root;
    root.name = QStringLiteral("/");
    root.total = 500e9;
    root.availableImportant = 125e9;
    root.available = 100e9;
    root.isRoot = true;
    DiskMonitor::Volume odd; // the system gave more free space than the total, and no total
    odd.name = QStringLiteral("Backup \"B\"");
    odd.total = 0;
    odd.availableImportant = 2e9;
    odd.available = 3e9;
    DiskMonitor::Volume full;
    full.name = QStringLiteral("Full");
    full.total = 1e9;
    full.availableImportant = 2e9; // more than the total: used share floors at 0
    full.available = 2e9;
    disks.volumes = {root, odd, full};
    disks.readRate = 0;
    disks.writeRate = 12.5 * 1024;
    EXPECT_EQ(dump::diskLines(disks),
              QStringList({"Disk     /: 75% used, 125 GB free, purgeable 25.0 GB, root=true",
                           "Disk     Backup \"B\": 0% used, 2.0 GB free, purgeable 0 B, root=false",
                           "Disk     Full: 0% used, 2.0 GB free, purgeable 0 B, root=false"}));
    EXPECT_EQ(dump::diskIOLine(disks), "DiskIO   read 0 B/s write 12.5 KB/s");
}

TEST(DumpMachineLines, ProcessLineTakesTheTopThreeOfEach) {
    ProcessMonitor processes;
    const auto sample = [](const char* name, double cpu, double memory) {
        ProcessSample s;
        s.name = QString::fromUtf8(name);
        s.cpu = cpu;
        s.memory = memory;
        return s;
    };
    processes.processes = {sample("a", 0.5, 1024), sample("b", 12.5, 50.0 * 1024 * 1024),
                           sample("c", 12.5, 2048), sample("d", 99.6, 10),
                           sample("e", 1.0, 3.0 * 1024 * 1024 * 1024)};
    // Ties keep sample order: b before c.
    EXPECT_EQ(dump::processLine(processes),
              "Procs    top CPU: d 100%, b 13%, c 13% | top mem: e 3.0 GB, b 50.0 MB, c 2.0 KB | "
              "visible 5");

    processes.processes = {sample("only", 3.2, 100)};
    EXPECT_EQ(dump::processLine(processes),
              "Procs    top CPU: only 3% | top mem: only 100 B | visible 1");
    processes.processes.clear();
    EXPECT_EQ(dump::processLine(processes), "Procs    top CPU:  | top mem:  | visible 0");
}

} // namespace
