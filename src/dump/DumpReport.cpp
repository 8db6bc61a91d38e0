#include "dump/DumpReport.h"

#include "app/InsightEngine.h"
#include "app/RuleEngine.h"
#include "dump/DumpMachineLines.h"
#include "dump/DumpNetworkLines.h"
#include "dump/DumpPowerLines.h"
#include "dump/DumpServiceLines.h"

#include <QTimeZone>

namespace morvanex::dump {

std::map<QString, HotKey> probeHotKeys() {
    return {
        {QStringLiteral("dropdown.cpu"), HotKey{8, 0x1900, QStringLiteral("⌃⌥⌘C")}},
        {QStringLiteral("settings"), HotKey{49, 0x100, QStringLiteral("⌘Space")}},
    };
}

QString hotKeyProbe(HotKeyCenter& center) {
    center.current = probeHotKeys();
    if (!center.suspended)
        center.registerAll();
    const QString line = hotKeysLine(center.failed);
    center.current.clear();
    if (!center.suspended)
        center.registerAll();
    return line;
}

QStringList reportLines(Hub& hub, const Config& config, bool controllerOpen, const QDateTime& now) {
    const TempUnit unit = config.temperatureUnit;
    QStringList lines;
    lines.append(insightLine(hub.insights().current));
    lines.append(devicesLine(hub.devices.hasLibrary(), hub.devices.devices()));
    lines.append(cpuLine(hub.cpu));
    lines.append(gpuLines(hub.gpu));
    lines.append(memoryLine(hub.memory));
    lines.append(diskLines(hub.disks));
    lines.append(diskIOLine(hub.disks));
    lines.append(networkLine(hub.network));
    lines.append(interfaceLines(hub.network.interfaces));
    if (hub.network.wifi)
        lines.append(wifiLine(*hub.network.wifi));
    lines.append(sensorsLine(controllerOpen, hub.sensors, unit));
    lines.append(sensorGroupLines(hub.sensors.sensors));
    lines.append(fanLines(hub.sensors.fans));
    lines.append(batteryLine(hub.battery));
    lines.append(processLine(hub.processes));
    lines.append(weatherLine(
        WeatherState{hub.weather.report(), hub.weather.isLoading(), hub.weather.lastError()},
        unit));
    // A resolved weather place is enough for the sun and moon, whichever modules are shown.
    hub.astronomy.update(hub.weather.resolvedLocation());
    if (const auto& snapshot = hub.astronomy.snapshot())
        lines.append(astronomyLine(*snapshot, QTimeZone::systemTimeZone()));
    lines.append(fuzzyLine(now));
    const RuleEngine& rules = hub.rules();
    lines.append(
        ruleLines(config.rules, [&rules](RuleMetric metric) { return rules.value(metric); }));
    return lines;
}

} // namespace morvanex::dump
