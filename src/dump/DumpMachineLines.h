#pragma once

#include "monitors/CPUMonitor.h"
#include "monitors/DiskMonitor.h"
#include "monitors/GPUMonitor.h"
#include "monitors/MemoryMonitor.h"
#include "monitors/ProcessMonitor.h"

#include <QString>
#include <QStringList>

// The report's lines about the processor, graphics, memory, storage and processes.
namespace morvanex::dump {

// "CPU      Brand — 12% (user 8%, sys 4%), cores 8 [4P+4E], load ["0.52", ...], uptime 3h 5m";
// "[no core classes]" where every core is of one kind.
QString cpuLine(const CPUMonitor& cpu);

// One "GPU      " line per graphics device, in the monitor's order.
QStringList gpuLines(const GPUMonitor& gpu);

// "Memory   used 6.2 GB/16.0 GB app ... pressure 31% (level 1) swap 0 B"
QString memoryLine(const MemoryMonitor& memory);

// One "Disk     " line per volume, in the monitor's order.
QStringList diskLines(const DiskMonitor& disks);

// "DiskIO   read 0 B/s write 12.5 KB/s"
QString diskIOLine(const DiskMonitor& disks);

// "Procs    top CPU: a 12%, ... | top mem: b 1.2 GB, ... | visible 312"
QString processLine(const ProcessMonitor& processes);

} // namespace morvanex::dump
