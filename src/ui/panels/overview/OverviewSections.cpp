#include "ui/panels/overview/OverviewSections.h"

#include "app/Hub.h"

#include <algorithm>

namespace morvanex::ui::overview {

namespace {

bool contains(const std::vector<OverviewItem>& items, OverviewItem item) {
    return std::find(items.begin(), items.end(), item) != items.end();
}

// Whether the item has what it needs to draw; items without data of their own always do.
bool hasData(OverviewItem item, const Config& config, const OverviewFacts& facts) {
    switch (item) {
    case OverviewItem::disk:
        return facts.hasStartupVolume;
    case OverviewItem::battery:
        return facts.batteryPresent;
    case OverviewItem::devices:
        return config.showDevices && facts.hasDevices;
    case OverviewItem::worldClocks:
        return !config.worldClocks.isEmpty();
    case OverviewItem::nextEvent:
        return config.showEvents && facts.hasNextEvent;
    default:
        return true;
    }
}

bool chosen(OverviewItem item, const Config& config) {
    if (item == OverviewItem::devices)
        return config.showDevices;
    return !contains(config.overviewHidden, item);
}

} // namespace

OverviewFacts OverviewFacts::from(const Hub& hub) {
    OverviewFacts facts;
    facts.hasStartupVolume = hub.disks.startupVolume().has_value();
    facts.batteryPresent = hub.battery.present;
    facts.hasDevices = !hub.devices.devices().empty();
    facts.hasNextEvent = hub.calendar.next().has_value();
    return facts;
}

Config shownConfig(const Config& stored, const PreviewOverrides& preview) {
    Config shown = stored;
    if (preview.overviewHidden) {
        shown.overviewHidden = *preview.overviewHidden;
        shown.showDevices = !contains(*preview.overviewHidden, OverviewItem::devices);
    }
    if (preview.overviewOrder)
        shown.overviewOrder = *preview.overviewOrder;
    return shown;
}

SectionKind sectionKind(OverviewItem item) {
    switch (item) {
    case OverviewItem::cpu:
    case OverviewItem::gpu:
    case OverviewItem::memory:
    case OverviewItem::network:
        return SectionKind::bigTiles;
    case OverviewItem::disk:
    case OverviewItem::sensors:
    case OverviewItem::battery:
        return SectionKind::smallTiles;
    default:
        return SectionKind::row;
    }
}

std::vector<Section> sections(const Config& config, const OverviewFacts& facts) {
    std::vector<Section> result;
    for (const OverviewItem item : config.overviewItems()) {
        if (!chosen(item, config) || !hasData(item, config, facts))
            continue;
        const SectionKind kind = sectionKind(item);
        if (!result.empty()) {
            Section& last = result.back();
            const bool joins =
                (kind == SectionKind::bigTiles && last.kind == SectionKind::bigTiles) ||
                (kind == SectionKind::smallTiles && last.kind == SectionKind::smallTiles &&
                 last.items.size() < 3);
            if (joins) {
                last.items.push_back(item);
                continue;
            }
        }
        result.push_back({kind, {item}});
    }
    return result;
}

bool everythingHidden(const Config& config) {
    const auto items = allOverviewItems();
    return std::none_of(items.begin(), items.end(),
                        [&](OverviewItem item) { return chosen(item, config); });
}

std::vector<std::vector<GridCell>> gridRows(const std::vector<OverviewItem>& bigTiles) {
    std::vector<std::vector<GridCell>> rows;
    for (std::size_t i = 0; i < bigTiles.size(); i += 2) {
        if (i + 1 < bigTiles.size())
            rows.push_back({{bigTiles[i], 1}, {bigTiles[i + 1], 1}});
        else
            rows.push_back({{bigTiles[i], 2}});
    }
    return rows;
}

std::optional<ModuleKind> opensModule(OverviewItem item) {
    switch (item) {
    case OverviewItem::cpu:
        return ModuleKind::cpu;
    case OverviewItem::gpu:
        return ModuleKind::gpu;
    case OverviewItem::memory:
        return ModuleKind::memory;
    case OverviewItem::network:
        return ModuleKind::network;
    case OverviewItem::disk:
        return ModuleKind::disks;
    case OverviewItem::sensors:
        return ModuleKind::sensors;
    case OverviewItem::battery:
        return ModuleKind::battery;
    case OverviewItem::weather:
        return ModuleKind::weather;
    case OverviewItem::worldClocks:
    case OverviewItem::nextEvent:
        return ModuleKind::time;
    default:
        return std::nullopt;
    }
}

} // namespace morvanex::ui::overview
