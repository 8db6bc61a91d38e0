// The answers of "get_overview" and "get_top_processes".

#include "agents/IsoTime.h"
#include "agents/MCPServer.h"
#include "agents/McpArguments.h"
#include "agents/McpNumbers.h"
#include "agents/McpSystemVersion.h"
#include "agents/McpText.h"
#include "app/InsightEngine.h"
#include "base/Fmt.h"
#include "platform/Sysctl.h"

#include <algorithm>
#include <functional>
#include <vector>

namespace morvanex {
namespace {

using mcp::r;

QString pressureText(int level) {
    if (level < 2)
        return QStringLiteral("normal");
    return level < 4 ? QStringLiteral("warning") : QStringLiteral("critical");
}

QJsonObject macObject(const CPUMonitor& cpu, const platform::Roots& roots) {
    const auto model = platform::Sysctl(roots).string(QStringLiteral("hw.model"));
    return QJsonObject{{"model", model ? mcp::text(*model) : QStringLiteral("Computer")},
                       {"processor", mcp::text(cpu.brand)},
                       {"cores", cpu.logicalCount},
                       {"macos", mcp::systemVersion(roots)}};
}

QJsonObject cpuObject(const CPUMonitor& cpu) {
    QJsonArray load;
    for (const double value : cpu.loadAverage)
        load.append(r(value, 2));
    return QJsonObject{{"total_percent", r(cpu.user + cpu.system)},
                       {"user_percent", r(cpu.user)},
                       {"system_percent", r(cpu.system)},
                       {"load_average", load}};
}

QJsonObject memoryObject(const MemoryMonitor& memory) {
    const double used = memory.used();
    return QJsonObject{{"used_percent", r(memory.usedPercent())},
                       {"used", Fmt::bytes(used, 1024)},
                       {"total", Fmt::bytes(memory.total, 1024)},
                       {"pressure_percent", r(memory.pressure)},
                       {"pressure", pressureText(memory.pressureLevel)},
                       {"swap_used", Fmt::bytes(memory.swapUsed, 1024)}};
}

QJsonObject networkObject(const NetworkMonitor& network, const QString& internet) {
    return QJsonObject{
        {"download_per_second", Fmt::rate(network.download, false)},
        {"upload_per_second", Fmt::rate(network.upload, false)},
        {"internet", internet},
        {"ping_ms", network.pingMs ? r(*network.pingMs) : QJsonValue(QJsonValue::Null)}};
}

QJsonObject startupDiskObject(const DiskMonitor::Volume& volume) {
    return QJsonObject{{"used_percent", r(volume.usedPercent())},
                       {"free", Fmt::bytes(volume.availableImportant, 1000)},
                       {"total", Fmt::bytes(volume.total, 1000)}};
}

QJsonObject thermalObject(const SensorMonitor& sensors, const std::optional<double>& temperature) {
    QJsonArray fans;
    for (const Fan& fan : sensors.fans)
        fans.append(qint64(mcp::wholeOrZero(fan.rpm)));
    QJsonObject thermal{{"fans_rpm", fans}};
    if (temperature)
        thermal.insert("cpu_temperature_c", r(*temperature));
    // The first of equal values wins.
    const Sensor* hottest = nullptr;
    for (const Sensor& sensor : sensors.sensors) {
        if (sensor.kind != SensorKind::temperature)
            continue;
        if (!hottest || mcp::rankKey(sensor.value) > mcp::rankKey(hottest->value))
            hottest = &sensor;
    }
    if (hottest) {
        thermal.insert("hottest_sensor", mcp::text(hottest->name) + QLatin1Char(' ') +
                                             mcp::rText(hottest->value) +
                                             QStringLiteral(" \u00b0C"));
    }
    return thermal;
}

QJsonValue healthPercent(const BatteryMonitor& battery) {
    if (!battery.maxCapacity || !battery.designCapacity || *battery.designCapacity < 1)
        return QJsonValue::Null;
    return r(double(*battery.maxCapacity) / double(*battery.designCapacity) * 100);
}

QJsonObject batteryObject(const BatteryMonitor& battery) {
    return QJsonObject{{"percent", r(battery.percent)},
                       {"state", battery.stateDescription()},
                       {"time_remaining", battery.minutesRemaining ? QJsonValue(mcp::hoursMinutes(
                                                                         *battery.minutesRemaining))
                                                                   : QJsonValue(QJsonValue::Null)},
                       {"health_percent", healthPercent(battery)}};
}

QJsonObject processObject(const ProcessSample& process) {
    return QJsonObject{{"pid", process.pid},
                       {"name", mcp::text(process.name)},
                       {"cpu_percent", r(process.cpu)},
                       {"memory", Fmt::bytes(process.memory, 1024)},
                       {"disk_read_per_second", Fmt::rate(process.diskRead, false)},
                       {"disk_write_per_second", Fmt::rate(process.diskWrite, false)}};
}

} // namespace

QString MCPServer::internet(const std::optional<bool>& reachable) {
    if (!reachable)
        return QStringLiteral("checking");
    return *reachable ? QStringLiteral("connected") : QStringLiteral("offline");
}

QJsonObject MCPServer::overview() {
    QJsonObject answer{
        {"time", isoTime(hub.clock.now())},
        {"mac", macObject(hub.cpu, sources_.roots)},
        {"uptime", Fmt::duration(hub.cpu.uptime)},
        {"insight", mcp::text(hub.insights().current.text)},
        {"cpu", cpuObject(hub.cpu)},
        {"memory", memoryObject(hub.memory)},
        {"network", networkObject(hub.network, internet(hub.network.internetReachable))}};
    if (!hub.gpu.gpus.empty())
        answer.insert("gpu", QJsonObject{{"utilization_percent", r(hub.gpu.utilization())}});
    if (const auto volume = hub.disks.startupVolume())
        answer.insert("startup_disk", startupDiskObject(*volume));
    answer.insert("thermal", thermalObject(hub.sensors, hub.menubarTemperature()));
    if (const auto power = hub.sensors.sensor(QStringLiteral("PSTR")))
        answer.insert("system_power_watts", r(power->value));
    if (hub.battery.present)
        answer.insert("battery", batteryObject(hub.battery));
    if (!hub.devices.devices().empty()) {
        QJsonArray devices;
        for (const ConnectedDevice& connected : hub.devices.devices())
            devices.append(device(connected));
        answer.insert("connected_devices", devices);
    }
    return answer;
}

QJsonObject MCPServer::topProcesses(const QJsonObject& arguments) const {
    const QString sortBy =
        mcp::textArgument(arguments, QStringLiteral("sort_by")).value_or(QStringLiteral("cpu"));
    const double limit = mcp::wholeArgument(arguments, QStringLiteral("limit")).value_or(10);

    std::function<double(const ProcessSample&)> key;
    if (sortBy == QLatin1StringView("cpu"))
        key = [](const ProcessSample& p) { return p.cpu; };
    else if (sortBy == QLatin1StringView("memory"))
        key = [](const ProcessSample& p) { return p.memory; };
    else if (sortBy == QLatin1StringView("disk"))
        key = [](const ProcessSample& p) { return p.diskRead + p.diskWrite; };
    else
        throw ToolError{QStringLiteral("sort_by must be cpu, memory or disk.")};

    // Ranked as the process monitor ranks: greatest first, equal values in the monitor's order.
    std::vector<ProcessSample> ranked = hub.processes.processes;
    std::stable_sort(ranked.begin(), ranked.end(), [&key](const auto& a, const auto& b) {
        return mcp::rankKey(key(a)) > mcp::rankKey(key(b));
    });
    const std::size_t count = std::size_t(mcp::clampedCount(limit, 1, 30));
    QJsonArray processes;
    for (std::size_t i = 0; i < std::min(count, ranked.size()); ++i)
        processes.append(processObject(ranked[i]));
    return QJsonObject{{"sorted_by", sortBy}, {"processes", processes}};
}

} // namespace morvanex
