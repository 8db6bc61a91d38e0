#include "platform/linux/CpuTopology.h"

#include "platform/ParseNumber.h"
#include "platform/linux/ProcFiles.h"

#include <QDir>
#include <functional>
#include <map>
#include <tuple>

namespace morvanex::platform {
namespace {

QString cpuDir(const Roots& roots, int cpu) {
    return roots.sys + QStringLiteral("/devices/system/cpu/cpu") + QString::number(cpu);
}

std::set<int> onlineCpus(const Roots& roots) {
    if (const auto line =
            procfiles::readLine(roots.sys + QStringLiteral("/devices/system/cpu/online"))) {
        if (auto cpus = procfiles::cpuList(*line))
            return *cpus;
    }
    // Without the list, every cpuN folder counts.
    std::set<int> cpus;
    const QDir dir(roots.sys + QStringLiteral("/devices/system/cpu"));
    for (const QString& name : dir.entryList({QStringLiteral("cpu*")}, QDir::Dirs)) {
        if (const auto cpu = parseInteger<int>(name.mid(3).toUtf8()))
            cpus.insert(*cpu);
    }
    return cpus;
}

int physicalCores(const Roots& roots, const std::set<int>& online) {
    // ARM boards number cores per cluster, so the cluster is part of a core's identity.
    std::set<std::tuple<std::int64_t, std::int64_t, std::int64_t>> cores;
    for (int cpu : online) {
        const QString topology = cpuDir(roots, cpu) + QStringLiteral("/topology/");
        const auto core = procfiles::readInteger(topology + QStringLiteral("core_id"));
        const auto package =
            procfiles::readInteger(topology + QStringLiteral("physical_package_id"));
        if (!core)
            return int(online.size()); // no topology: count each processor as a core
        const auto cluster = procfiles::readInteger(topology + QStringLiteral("cluster_id"));
        cores.emplace(package.value_or(0), cluster.value_or(0), *core);
    }
    return int(cores.size());
}

std::optional<std::set<int>> hybridList(const Roots& roots, const char* kind) {
    const auto line = procfiles::readLine(roots.sys + QStringLiteral("/devices/") +
                                          QLatin1StringView(kind) + QStringLiteral("/cpus"));
    return line ? procfiles::cpuList(*line) : std::nullopt;
}

} // namespace

CpuTopology readCpuTopology(const Roots& roots) {
    CpuTopology topology;
    topology.online = onlineCpus(roots);
    topology.physicalCores = physicalCores(roots, topology.online);

    const auto intersect = [&topology](const std::set<int>& cpus) {
        std::set<int> out;
        for (int cpu : cpus) {
            if (topology.online.count(cpu))
                out.insert(cpu);
        }
        return out;
    };

    if (const auto cores = hybridList(roots, "cpu_core"), atoms = hybridList(roots, "cpu_atom");
        cores && atoms && !cores->empty() && !atoms->empty()) {
        topology.efficiency = intersect(*atoms);
        topology.levelCounts = {int(intersect(*cores).size()), int(topology.efficiency.size())};
        return topology;
    }

    std::map<std::int64_t, std::set<int>, std::greater<>> byCapacity;
    for (int cpu : topology.online) {
        const auto capacity =
            procfiles::readInteger(cpuDir(roots, cpu) + QStringLiteral("/cpu_capacity"));
        if (!capacity) {
            byCapacity.clear();
            break;
        }
        byCapacity[*capacity].insert(cpu);
    }
    if (byCapacity.size() >= 2) {
        for (const auto& [capacity, cpus] : byCapacity) {
            topology.levelCounts.push_back(int(cpus.size()));
            if (capacity != byCapacity.begin()->first)
                topology.efficiency.insert(cpus.begin(), cpus.end());
        }
        return topology;
    }
    topology.levelCounts = {int(topology.online.size())};
    return topology;
}

} // namespace morvanex::platform
