#include "platform/linux/ProcStat.h"

#include "platform/ParseNumber.h"
#include "platform/linux/ProcFiles.h"

#include <QList>
#include <array>

namespace morvanex::platform {
namespace {

std::optional<ProcessorTicks> parseCpuLine(QByteArrayView line) {
    // cpuN user nice system idle [iowait irq softirq steal guest guest_nice]
    std::array<QByteArrayView, 9> fields;
    const qsizetype count = procfiles::splitFields(line, fields);
    if (count < 5 || !fields[0].startsWith("cpu") || fields[0].size() == 3)
        return std::nullopt;
    const auto index = parseInteger<std::uint64_t>(fields[0].sliced(3));
    if (!index || *index > 1u << 20)
        return std::nullopt;
    std::array<std::uint64_t, 8> counts{};
    for (std::size_t i = 0; i < counts.size() && qsizetype(i + 1) < count; ++i) {
        const auto value = parseInteger<std::uint64_t>(fields[i + 1]);
        if (!value)
            return std::nullopt;
        counts[i] = *value;
    }
    const auto [user, nice, system, idle, iowait, irq, softirq, steal] = counts;
    (void)steal;
    ProcessorTicks ticks;
    ticks.index = int(*index);
    ticks.ticks = {std::uint32_t(user), std::uint32_t(system + irq + softirq),
                   std::uint32_t(idle + iowait), std::uint32_t(nice)};
    return ticks;
}

} // namespace

std::optional<std::vector<ProcessorTicks>> readProcessorTicks(const Roots& roots) {
    static procfiles::LoggedRead file("processor use");
    const auto text = file.read(roots.proc + QStringLiteral("/stat"));
    if (!text)
        return std::nullopt;
    std::vector<ProcessorTicks> processors;
    // The kernel lists the processors first; what follows them is not wanted.
    bool inProcessors = false;
    procfiles::forEachLine(*text, [&](QByteArrayView line) {
        const bool processorLine = line.startsWith("cpu");
        if (inProcessors && !processorLine)
            return false;
        inProcessors = processorLine;
        if (auto ticks = parseCpuLine(line))
            processors.push_back(*ticks);
        return true;
    });
    if (processors.empty())
        return std::nullopt;
    return processors;
}

std::optional<std::int64_t> readBootTime(const Roots& roots) {
    const auto text = procfiles::read(roots.proc + QStringLiteral("/stat"));
    if (!text)
        return std::nullopt;
    const auto values = procfiles::keyValues(*text);
    const auto it = values.find("btime");
    if (it == values.end() || *it > std::uint64_t(INT64_MAX))
        return std::nullopt;
    return std::int64_t(*it);
}

std::optional<double> readUptime(const Roots& roots) {
    const auto line = procfiles::readLine(roots.proc + QStringLiteral("/uptime"));
    if (!line)
        return std::nullopt;
    return parseReal(line->split(' ').value(0), NumberText::leading);
}

std::array<double, 3> readLoadAverage(const Roots& roots) {
    std::array<double, 3> load{};
    const auto line = procfiles::readLine(roots.proc + QStringLiteral("/loadavg"));
    if (!line)
        return load;
    const QList<QByteArray> fields = line->split(' ');
    for (std::size_t i = 0; i < load.size() && qsizetype(i) < fields.size(); ++i)
        load[i] = parseReal(fields[qsizetype(i)], NumberText::leading).value_or(0);
    return load;
}

} // namespace morvanex::platform
