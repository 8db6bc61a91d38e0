#include "base/SettingsEnums.h"

namespace morvanex {

QString title(ModuleKind kind) {
    switch (kind) {
    case ModuleKind::combined:
        return QStringLiteral("Combined");
    case ModuleKind::cpu:
        return QStringLiteral("CPU");
    case ModuleKind::gpu:
        return QStringLiteral("GPU");
    case ModuleKind::memory:
        return QStringLiteral("Memory");
    case ModuleKind::disks:
        return QStringLiteral("Disks");
    case ModuleKind::network:
        return QStringLiteral("Network");
    case ModuleKind::sensors:
        return QStringLiteral("Sensors");
    case ModuleKind::battery:
        return QStringLiteral("Battery");
    case ModuleKind::weather:
        return QStringLiteral("Weather");
    case ModuleKind::astronomy:
        return QStringLiteral("Sun & Moon");
    case ModuleKind::time:
        return QStringLiteral("World Clock");
    }
    return {};
}

QString symbol(ModuleKind kind) {
    switch (kind) {
    case ModuleKind::combined:
        return QStringLiteral("square.grid.2x2");
    case ModuleKind::cpu:
        return QStringLiteral("cpu");
    case ModuleKind::gpu:
        return QStringLiteral("display");
    case ModuleKind::memory:
        return QStringLiteral("memorychip");
    case ModuleKind::disks:
        return QStringLiteral("internaldrive");
    case ModuleKind::network:
        return QStringLiteral("network");
    case ModuleKind::sensors:
        return QStringLiteral("thermometer.medium");
    case ModuleKind::battery:
        return QStringLiteral("battery.75percent");
    case ModuleKind::weather:
        return QStringLiteral("cloud.sun");
    case ModuleKind::astronomy:
        return QStringLiteral("moon.stars");
    case ModuleKind::time:
        return QStringLiteral("globe");
    }
    return {};
}

QString title(OverviewItem item) {
    switch (item) {
    case OverviewItem::insight:
        return QStringLiteral("Insight line");
    case OverviewItem::cpu:
        return QStringLiteral("CPU");
    case OverviewItem::gpu:
        return QStringLiteral("GPU");
    case OverviewItem::memory:
        return QStringLiteral("Memory");
    case OverviewItem::network:
        return QStringLiteral("Network");
    case OverviewItem::disk:
        return QStringLiteral("Disk");
    case OverviewItem::sensors:
        return QStringLiteral("Sensors");
    case OverviewItem::battery:
        return QStringLiteral("Battery");
    case OverviewItem::devices:
        return QStringLiteral("iPhone and iPad");
    case OverviewItem::keepAwake:
        return QStringLiteral("Keep Computer Awake");
    case OverviewItem::weather:
        return QStringLiteral("Weather");
    case OverviewItem::worldClocks:
        return QStringLiteral("World clocks");
    case OverviewItem::nextEvent:
        return QStringLiteral("Next event");
    }
    return {};
}

QString symbol(OverviewItem item) {
    switch (item) {
    case OverviewItem::insight:
        return QStringLiteral("text.bubble.fill");
    case OverviewItem::cpu:
        return QStringLiteral("cpu");
    case OverviewItem::gpu:
        return QStringLiteral("display");
    case OverviewItem::memory:
        return QStringLiteral("memorychip");
    case OverviewItem::network:
        return QStringLiteral("network");
    case OverviewItem::disk:
        return QStringLiteral("internaldrive");
    case OverviewItem::sensors:
        return QStringLiteral("thermometer.medium");
    case OverviewItem::battery:
        return QStringLiteral("battery.75percent");
    case OverviewItem::devices:
        return QStringLiteral("iphone");
    case OverviewItem::keepAwake:
        return QStringLiteral("cup.and.saucer.fill");
    case OverviewItem::weather:
        return QStringLiteral("cloud.sun.fill");
    case OverviewItem::worldClocks:
        return QStringLiteral("globe");
    case OverviewItem::nextEvent:
        return QStringLiteral("calendar");
    }
    return {};
}

QString title(RuleMetric metric) {
    switch (metric) {
    case RuleMetric::cpu:
        return QStringLiteral("CPU usage");
    case RuleMetric::gpu:
        return QStringLiteral("GPU usage");
    case RuleMetric::memoryPressure:
        return QStringLiteral("Memory pressure");
    case RuleMetric::memoryUsed:
        return QStringLiteral("Memory used");
    case RuleMetric::diskUsed:
        return QStringLiteral("System disk used");
    case RuleMetric::temperature:
        return QStringLiteral("CPU temperature");
    case RuleMetric::batteryLevel:
        return QStringLiteral("Battery level");
    case RuleMetric::download:
        return QStringLiteral("Download speed");
    case RuleMetric::upload:
        return QStringLiteral("Upload speed");
    case RuleMetric::ping:
        return QStringLiteral("Ping time");
    }
    return {};
}

} // namespace morvanex
