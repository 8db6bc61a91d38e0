#include "dump/DumpMachineLines.h"

#include "base/Fmt.h"
#include "dump/DumpValues.h"

#include <algorithm>

namespace morvanex::dump {

QString cpuLine(const CPUMonitor& cpu) {
    QStringList load;
    for (const double average : cpu.loadAverage)
        load.append(fixed(average, 2));
    return tag(u"CPU") + cpu.brand + QStringLiteral(" — ") + Fmt::percent(cpu.user + cpu.system) +
           QStringLiteral(" (user ") + Fmt::percent(cpu.user) + QStringLiteral(", sys ") +
           Fmt::percent(cpu.system) + QStringLiteral("), cores ") +
           integer(std::int64_t(cpu.cores.size())) + QStringLiteral(" [") +
           (cpu.hasCoreClasses() ? integer(cpu.performanceCount) + QStringLiteral("P+") +
                                       integer(cpu.efficiencyCount) + QStringLiteral("E")
                                 : QStringLiteral("no core classes")) +
           QStringLiteral("], load ") + textList(load) + QStringLiteral(", uptime ") +
           Fmt::duration(cpu.uptime);
}

QStringList gpuLines(const GPUMonitor& gpu) {
    QStringList lines;
    for (const GPUMonitor::GPU& device : gpu.gpus) {
        const QString memory =
            device.memoryUsed ? Fmt::bytes(*device.memoryUsed, 1024) : QStringLiteral("-");
        lines.append(tag(u"GPU") + device.name + QStringLiteral(" cores=") +
                     integer(device.cores.value_or(0)) + QStringLiteral(" util=") +
                     Fmt::percent(device.utilization) + QStringLiteral(" mem=") + memory);
    }
    return lines;
}

QString memoryLine(const MemoryMonitor& memory) {
    return tag(u"Memory") + QStringLiteral("used ") +
           Fmt::bytes(memory.app + memory.wired + memory.compressed, 1024) + QLatin1Char('/') +
           Fmt::bytes(memory.total, 1024) + QStringLiteral(" app ") + Fmt::bytes(memory.app, 1024) +
           QStringLiteral(" wired ") + Fmt::bytes(memory.wired, 1024) +
           QStringLiteral(" compressed ") + Fmt::bytes(memory.compressed, 1024) +
           QStringLiteral(" pressure ") + Fmt::percent(memory.pressure) +
           QStringLiteral(" (level ") + integer(memory.pressureLevel) + QStringLiteral(") swap ") +
           Fmt::bytes(memory.swapUsed, 1024);
}

QStringList diskLines(const DiskMonitor& disks) {
    QStringList lines;
    for (const DiskMonitor::Volume& volume : disks.volumes) {
        const double usedShare = volume.usedPercent();
        const double purgeable = std::max(volume.availableImportant - volume.available, 0.0);
        lines.append(tag(u"Disk") + volume.name + QStringLiteral(": ") + Fmt::percent(usedShare) +
                     QStringLiteral(" used, ") + Fmt::bytes(volume.availableImportant, 1000) +
                     QStringLiteral(" free, purgeable ") + Fmt::bytes(purgeable, 1000) +
                     QStringLiteral(", root=") + yesNo(volume.isRoot));
    }
    return lines;
}

QString diskIOLine(const DiskMonitor& disks) {
    return tag(u"DiskIO") + QStringLiteral("read ") + Fmt::rate(disks.readRate, false) +
           QStringLiteral(" write ") + Fmt::rate(disks.writeRate, false);
}

QString processLine(const ProcessMonitor& processes) {
    QStringList byCPU;
    for (const ProcessSample& process : processes.top(&ProcessSample::cpu, 3))
        byCPU.append(process.name + QLatin1Char(' ') + Fmt::percent(process.cpu));
    QStringList byMemory;
    for (const ProcessSample& process : processes.top(&ProcessSample::memory, 3))
        byMemory.append(process.name + QLatin1Char(' ') + Fmt::bytes(process.memory, 1024));
    return tag(u"Procs") + QStringLiteral("top CPU: ") + byCPU.join(QStringLiteral(", ")) +
           QStringLiteral(" | top mem: ") + byMemory.join(QStringLiteral(", ")) +
           QStringLiteral(" | visible ") + integer(std::int64_t(processes.processes.size()));
}

} // namespace morvanex::dump
