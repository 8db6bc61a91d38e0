#include "dump/PanelRenderList.h"

#include "base/EnumText.h"

namespace morvanex::dump {
namespace {

using ui::PreviewOverrides;

PanelRenderEntry entry(const char* name, ModuleKind kind, PreviewOverrides overrides = {},
                       SampleState install = SampleState::none) {
    return {QString::fromLatin1(name), kind, std::move(overrides), install};
}

PreviewOverrides detail(ModuleKind kind) {
    PreviewOverrides o;
    o.overviewDetail = kind;
    return o;
}

PreviewOverrides range(HistoryRange range, std::optional<SensorMode> mode = std::nullopt) {
    PreviewOverrides o;
    o.historyRange = range;
    o.sensorMode = mode;
    return o;
}

PreviewOverrides sensors(SensorMode mode) {
    PreviewOverrides o;
    o.sensorMode = mode;
    return o;
}

PreviewOverrides expanded() {
    PreviewOverrides o;
    o.expandDisclosures = true;
    return o;
}

PreviewOverrides overview(std::vector<OverviewItem> hidden,
                          std::optional<std::vector<OverviewItem>> order = std::nullopt) {
    PreviewOverrides o;
    o.overviewHidden = std::move(hidden);
    o.overviewOrder = std::move(order);
    return o;
}

} // namespace

std::vector<PanelRenderEntry> panelRenderList(std::optional<std::int32_t> insightProcess) {
    using K = ModuleKind;
    using O = OverviewItem;
    std::vector<PanelRenderEntry> list;
    // Every panel as the running application would show it.
    for (const ModuleKind kind : allCases<ModuleKind>())
        list.push_back({rawValue(kind), kind, {}, SampleState::none});

    PreviewOverrides batteryApps;
    batteryApps.batteryTab = 1;
    PreviewOverrides device;
    device.overviewDevice = QStringLiteral("preview-1");

    list.push_back(entry("sensors-detailed", K::sensors, sensors(SensorMode::detailed)));
    list.push_back(entry("sensors-simple", K::sensors, sensors(SensorMode::simple)));
    list.push_back(entry("battery-apps", K::battery, batteryApps));
    list.push_back(entry("battery-expanded", K::battery, expanded()));
    list.push_back(entry("network-expanded", K::network, expanded()));
    list.push_back(entry("combined-detail-cpu", K::combined, detail(K::cpu)));
    list.push_back(entry("combined-devices", K::combined, {}, SampleState::devices));
    list.push_back(entry("combined-device-detail", K::combined, device));
    list.push_back(entry("combined-keepawake", K::combined, {}, SampleState::keepAwake));
    PreviewOverrides speedTest = expanded();
    speedTest.speedTestCard = true; // with its sample results on any machine
    list.push_back(entry("network-speedtest", K::network, speedTest, SampleState::speedTest));
    for (const HistoryRange r :
         {HistoryRange::hour, HistoryRange::day, HistoryRange::week, HistoryRange::month})
        list.push_back(
            {QStringLiteral("cpu-history-") + rawValue(r), K::cpu, range(r), SampleState::none});
    list.push_back(entry("network-history-day", K::network, range(HistoryRange::day)));
    list.push_back(
        entry("sensors-history-day", K::sensors, range(HistoryRange::day, SensorMode::simple)));
    list.push_back(entry("combined-insight", K::combined, {}, SampleState::insight));
    list.push_back(
        entry("combined-reordered", K::combined,
              overview({O::devices, O::keepAwake, O::gpu},
                       std::vector{O::weather, O::worldClocks, O::sensors, O::battery, O::insight,
                                   O::cpu, O::memory, O::network, O::disk})));
    list.push_back(entry("time-noaccess", K::time));
    list.push_back(entry("time-events", K::time, {}, SampleState::events));
    list.push_back(entry("combined-nextevent", K::combined,
                         overview({O::devices, O::keepAwake, O::gpu, O::weather, O::worldClocks},
                                  std::vector{O::nextEvent, O::insight, O::cpu, O::memory,
                                              O::network, O::disk, O::sensors, O::battery})));
    list.push_back(
        entry("combined-trimmed", K::combined, overview({O::gpu, O::keepAwake, O::devices})));
    PreviewOverrides insightCPU = detail(K::cpu);
    insightCPU.highlightedProcess = insightProcess;
    list.push_back(entry("combined-insight-cpu", K::combined, insightCPU));
    return list;
}

} // namespace morvanex::dump
