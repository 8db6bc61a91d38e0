#include "monitors/CPUMonitor.h"

#include "platform/Sysctl.h"
#include "platform/linux/CpuTopology.h"
#include "platform/linux/ProcStat.h"

namespace morvanex {

std::uint32_t tickDelta(std::uint32_t current, std::uint32_t previous) {
    const std::uint32_t delta = current - previous;
    return delta > 0x7FFFFFFFu ? 0 : delta;
}

CPUMonitor::CPUMonitor(platform::Roots roots, platform::Clock clock)
    : roots_(std::move(roots)), clock_(std::move(clock)) {
    const platform::Sysctl sysctl(roots_);
    brand = sysctl.string(QStringLiteral("machdep.cpu.brand_string"))
                .value_or(QStringLiteral("Processor"));
    const auto levels = sysctl.integer(QStringLiteral("hw.nperflevels"));
    if (levels && *levels >= 2) {
        performanceCount =
            int(sysctl.integer(QStringLiteral("hw.perflevel0.logicalcpu")).value_or(0));
        efficiencyCount =
            int(sysctl.integer(QStringLiteral("hw.perflevel1.logicalcpu")).value_or(0));
        efficiencyProcessors_ = platform::readCpuTopology(roots_).efficiency;
    }
    physicalCount = int(sysctl.integer(QStringLiteral("hw.physicalcpu")).value_or(0));
    logicalCount = int(sysctl.integer(QStringLiteral("hw.logicalcpu")).value_or(0));
    if (const auto boot = sysctl.raw(QStringLiteral("kern.boottime"), platform::Timeval{})) {
        bootTime = QDateTime::fromSecsSinceEpoch(boot->seconds, Qt::UTC);
    } else {
        const double up = platform::readUptime(roots_).value_or(0);
        bootTime = clock_.now().addMSecs(-qint64(up * 1000));
    }
}

void CPUMonitor::sample() {
    const auto processors = platform::readProcessorTicks(roots_);
    if (!processors)
        return;
    std::vector<std::array<std::uint32_t, 4>> current;
    current.reserve(processors->size());
    for (const auto& processor : *processors)
        current.push_back(processor.ticks);

    // A processor that went on- or offline changes the count: start measuring afresh. The load
    // and the uptime need no interval, so even the first sample has them.
    if (previous.size() != current.size()) {
        previous = std::move(current);
        loadAverage = platform::readLoadAverage(roots_);
        uptime = double(bootTime.msecsTo(clock_.now())) / 1000;
        return;
    }

    std::vector<Core> measured;
    measured.reserve(current.size());
    double busySum = 0;
    double systemSum = 0;
    double totalSum = 0;
    for (std::size_t i = 0; i < current.size(); ++i) {
        const double dUser = tickDelta(current[i][0], previous[i][0]);
        const double dSystem = tickDelta(current[i][1], previous[i][1]);
        const double dIdle = tickDelta(current[i][2], previous[i][2]);
        const double dNice = tickDelta(current[i][3], previous[i][3]);
        const double total = dUser + dSystem + dIdle + dNice;
        const double busy = dUser + dNice;
        Core core;
        core.index = (*processors)[i].index;
        core.user = total > 0 ? busy / total * 100 : 0;
        core.system = total > 0 ? dSystem / total * 100 : 0;
        core.isEfficiency = efficiencyProcessors_.count(core.index) > 0;
        measured.push_back(core);
        busySum += busy;
        systemSum += dSystem;
        totalSum += total;
    }
    cores = std::move(measured);
    user = totalSum > 0 ? busySum / totalSum * 100 : 0;
    system = totalSum > 0 ? systemSum / totalSum * 100 : 0;
    userHistory.add(user);
    systemHistory.add(system);
    totalHistory.add(user + system);
    loadAverage = platform::readLoadAverage(roots_);
    loadHistory.add(loadAverage[0]);
    uptime = double(bootTime.msecsTo(clock_.now())) / 1000;
    previous = std::move(current);
}

} // namespace morvanex
