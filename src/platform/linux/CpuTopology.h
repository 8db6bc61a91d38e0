#pragma once

#include "platform/Roots.h"

#include <optional>
#include <set>
#include <vector>

namespace morvanex::platform {

// What the kernel tells about the processors' layout.
struct CpuTopology {
    std::set<int> online;  // logical processors currently online
    int physicalCores = 0; // distinct cores (package, cluster, core) among the online processors
    // Logical processors per performance level, fastest level first; one entry on machines
    // whose processors are all alike. Hybrid Intel parts name their core and atom processors;
    // ARM boards give each processor a relative capacity.
    std::vector<int> levelCounts;
    std::set<int> efficiency; // processors outside the fastest level (empty when alike)
};

CpuTopology readCpuTopology(const Roots& roots);

} // namespace morvanex::platform
