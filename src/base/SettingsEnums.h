#pragma once

#include "base/EnumText.h"

namespace morvanex {

enum class ModuleKind {
    combined,
    cpu,
    gpu,
    memory,
    disks,
    network,
    sensors,
    battery,
    weather,
    astronomy,
    time
};
enum class DisplayStyle { text, graph, graphAndText, icon, iconAndText };
enum class TempUnit { celsius, fahrenheit, kelvin };
enum class WindUnit { kmh, mph, ms, knots };
enum class SensorMode { simple, detailed };
enum class ClockLabel { city, abbreviation };
enum class OverviewItem {
    insight,
    cpu,
    gpu,
    memory,
    network,
    disk,
    sensors,
    battery,
    devices,
    keepAwake,
    weather,
    worldClocks,
    nextEvent
};
enum class RuleMetric {
    cpu,
    gpu,
    memoryPressure,
    memoryUsed,
    diskUsed,
    temperature,
    batteryLevel,
    download,
    upload,
    ping
};
enum class Comparison { above, below };

QString title(ModuleKind kind);
QString symbol(ModuleKind kind);
QString title(OverviewItem item);
QString symbol(OverviewItem item);
QString title(RuleMetric metric);

#define MORVANEX_CASE(E, name)                                                                     \
    std::pair {                                                                                    \
        E::name, std::string_view(#name)                                                           \
    }

template <> struct EnumCases<ModuleKind> {
    static constexpr std::array cases{
        MORVANEX_CASE(ModuleKind, combined), MORVANEX_CASE(ModuleKind, cpu),
        MORVANEX_CASE(ModuleKind, gpu),      MORVANEX_CASE(ModuleKind, memory),
        MORVANEX_CASE(ModuleKind, disks),    MORVANEX_CASE(ModuleKind, network),
        MORVANEX_CASE(ModuleKind, sensors),  MORVANEX_CASE(ModuleKind, battery),
        MORVANEX_CASE(ModuleKind, weather),  MORVANEX_CASE(ModuleKind, astronomy),
        MORVANEX_CASE(ModuleKind, time)};
};
template <> struct EnumCases<DisplayStyle> {
    static constexpr std::array cases{
        MORVANEX_CASE(DisplayStyle, text), MORVANEX_CASE(DisplayStyle, graph),
        MORVANEX_CASE(DisplayStyle, graphAndText), MORVANEX_CASE(DisplayStyle, icon),
        MORVANEX_CASE(DisplayStyle, iconAndText)};
};
template <> struct EnumCases<TempUnit> {
    static constexpr std::array cases{MORVANEX_CASE(TempUnit, celsius),
                                      MORVANEX_CASE(TempUnit, fahrenheit),
                                      MORVANEX_CASE(TempUnit, kelvin)};
};
template <> struct EnumCases<WindUnit> {
    static constexpr std::array cases{MORVANEX_CASE(WindUnit, kmh), MORVANEX_CASE(WindUnit, mph),
                                      MORVANEX_CASE(WindUnit, ms), MORVANEX_CASE(WindUnit, knots)};
};
template <> struct EnumCases<SensorMode> {
    static constexpr std::array cases{MORVANEX_CASE(SensorMode, simple),
                                      MORVANEX_CASE(SensorMode, detailed)};
};
template <> struct EnumCases<ClockLabel> {
    static constexpr std::array cases{MORVANEX_CASE(ClockLabel, city),
                                      MORVANEX_CASE(ClockLabel, abbreviation)};
};
template <> struct EnumCases<OverviewItem> {
    static constexpr std::array cases{
        MORVANEX_CASE(OverviewItem, insight),  MORVANEX_CASE(OverviewItem, cpu),
        MORVANEX_CASE(OverviewItem, gpu),      MORVANEX_CASE(OverviewItem, memory),
        MORVANEX_CASE(OverviewItem, network),  MORVANEX_CASE(OverviewItem, disk),
        MORVANEX_CASE(OverviewItem, sensors),  MORVANEX_CASE(OverviewItem, battery),
        MORVANEX_CASE(OverviewItem, devices),  MORVANEX_CASE(OverviewItem, keepAwake),
        MORVANEX_CASE(OverviewItem, weather),  MORVANEX_CASE(OverviewItem, worldClocks),
        MORVANEX_CASE(OverviewItem, nextEvent)};
};
template <> struct EnumCases<RuleMetric> {
    static constexpr std::array cases{MORVANEX_CASE(RuleMetric, cpu),
                                      MORVANEX_CASE(RuleMetric, gpu),
                                      MORVANEX_CASE(RuleMetric, memoryPressure),
                                      MORVANEX_CASE(RuleMetric, memoryUsed),
                                      MORVANEX_CASE(RuleMetric, diskUsed),
                                      MORVANEX_CASE(RuleMetric, temperature),
                                      MORVANEX_CASE(RuleMetric, batteryLevel),
                                      MORVANEX_CASE(RuleMetric, download),
                                      MORVANEX_CASE(RuleMetric, upload),
                                      MORVANEX_CASE(RuleMetric, ping)};
};
template <> struct EnumCases<Comparison> {
    static constexpr std::array cases{MORVANEX_CASE(Comparison, above),
                                      MORVANEX_CASE(Comparison, below)};
};

#undef MORVANEX_CASE

} // namespace morvanex
