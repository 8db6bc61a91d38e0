#pragma once

#include "base/Config.h"
#include "ui/kit/PreviewOverrides.h"

#include <optional>
#include <vector>

namespace morvanex {
class Hub;
}

// Which overview items the combined panel shows, in which groups, and where a tap leads.
namespace morvanex::ui::overview {

enum class SectionKind { bigTiles, smallTiles, row };

// One group of items drawn together; never empty, in overview order.
struct Section {
    SectionKind kind = SectionKind::row;
    std::vector<OverviewItem> items;

    // Items are unique in the overview order, so the first one names the section.
    OverviewItem id() const { return items.front(); }
    bool operator==(const Section&) const = default;
};

// What the hub holds that decides whether an item with data of its own can be shown.
struct OverviewFacts {
    bool hasStartupVolume = false;
    bool batteryPresent = false;
    bool hasDevices = false;
    bool hasNextEvent = false;

    static OverviewFacts from(const Hub& hub);
};

// The configuration in effect: the stored one, with a render's forced hidden set (which also
// decides the devices row) and order put in place. The stored settings stay as they are.
Config shownConfig(const Config& stored, const PreviewOverrides& preview);

SectionKind sectionKind(OverviewItem item);

// The sections to draw: items in overview order, less the hidden ones and those whose data is
// missing; big tiles gather in one section, small tiles three at most, rows stand alone.
std::vector<Section> sections(const Config& config, const OverviewFacts& facts);

// True when the configuration alone shows nothing (the devices row off, every other item
// hidden), whatever the machine has.
bool everythingHidden(const Config& config);

// One tile of the big-tile grid and how many of its two columns it takes.
struct GridCell {
    OverviewItem item;
    int columnSpan = 1;
    bool operator==(const GridCell&) const = default;
};

// The big tiles two to a grid row; a last odd tile spans both columns.
std::vector<std::vector<GridCell>> gridRows(const std::vector<OverviewItem>& bigTiles);

// The module a tap on a tile or row opens; nothing for the rows that act by themselves
// (insight, devices, keep awake).
std::optional<ModuleKind> opensModule(OverviewItem item);

} // namespace morvanex::ui::overview
