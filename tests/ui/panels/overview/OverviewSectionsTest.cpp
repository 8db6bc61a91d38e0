#include "ui/panels/overview/OverviewSections.h"

#include <gtest/gtest.h>

using namespace morvanex;
using namespace morvanex::ui;
using namespace morvanex::ui::overview;
using Item = OverviewItem;
using Kind = SectionKind;

namespace {

OverviewFacts everything() {
    return {true, true, true, true};
}

Config ordered(std::vector<Item> order, std::vector<Item> hidden = {}) {
    Config config;
    config.overviewOrder = std::move(order);
    config.overviewHidden = std::move(hidden);
    return config;
}

// Every item but these.
std::vector<Item> allBut(std::vector<Item> kept) {
    std::vector<Item> hidden;
    for (Item item : allOverviewItems())
        if (std::find(kept.begin(), kept.end(), item) == kept.end())
            hidden.push_back(item);
    return hidden;
}

// These items in this order, every other one hidden (the devices row follows its switch).
Config only(std::vector<Item> order) {
    Config config = ordered(order, allBut(order));
    config.showDevices = std::find(order.begin(), order.end(), Item::devices) != order.end();
    return config;
}

} // namespace

namespace morvanex::ui::overview {
void PrintTo(const Section& section, std::ostream* out) {
    static const char* kinds[] = {"bigTiles", "smallTiles", "row"};
    *out << kinds[int(section.kind)] << "[";
    for (Item item : section.items)
        *out << " " << rawValue(item).toStdString();
    *out << " ]";
}
} // namespace morvanex::ui::overview

TEST(OverviewShownConfig, PreviewReplacesHiddenSetOrderAndDevicesSwitch) {
    Config stored;
    stored.showDevices = false;
    stored.overviewHidden = {Item::gpu};
    EXPECT_EQ(shownConfig(stored, {}), stored);

    PreviewOverrides preview;
    preview.overviewHidden = std::vector<Item>{Item::weather};
    Config shown = shownConfig(stored, preview);
    EXPECT_EQ(shown.overviewHidden, std::vector<Item>{Item::weather});
    EXPECT_TRUE(shown.showDevices);
    EXPECT_EQ(shown.overviewOrder, stored.overviewOrder);

    preview.overviewHidden = std::vector<Item>{Item::devices};
    preview.overviewOrder = std::vector<Item>{Item::cpu, Item::insight};
    shown = shownConfig(stored, preview);
    EXPECT_FALSE(shown.showDevices);
    EXPECT_EQ(shown.overviewOrder, (std::vector<Item>{Item::cpu, Item::insight}));
    // The stored value is a copy the preview never touches.
    EXPECT_FALSE(stored.showDevices);
    EXPECT_EQ(stored.overviewHidden, std::vector<Item>{Item::gpu});
}

TEST(OverviewSections, DefaultOrderOnALaptopWithEverything) {
    const auto result = sections(Config(), everything());
    const std::vector<Section> expected = {
        {Kind::row, {Item::insight}},
        {Kind::bigTiles, {Item::cpu, Item::gpu, Item::memory, Item::network}},
        {Kind::smallTiles, {Item::disk, Item::sensors, Item::battery}},
        {Kind::row, {Item::devices}},
        {Kind::row, {Item::keepAwake}},
        {Kind::row, {Item::weather}},
        {Kind::row, {Item::worldClocks}},
        {Kind::row, {Item::nextEvent}},
    };
    EXPECT_EQ(result, expected);
}

TEST(OverviewSections, GroupingAndConditions) {
    struct Case {
        const char* name;
        Config config;
        OverviewFacts facts;
        std::vector<Section> expected;
    };
    Config noClocks = only({Item::worldClocks, Item::nextEvent});
    noClocks.showDevices = false;
    noClocks.worldClocks.clear();
    noClocks.showEvents = false;
    Config devicesHiddenButOn = ordered({Item::devices}, {Item::devices});
    Config devicesOff = ordered({Item::devices});
    devicesOff.showDevices = false;

    const std::vector<Case> cases = {
        {"desktop without battery",
         only({Item::disk, Item::sensors, Item::battery}),
         {true, false, false, false},
         {{Kind::smallTiles, {Item::disk, Item::sensors}}}},
        {"a row between big tiles splits the grid",
         only({Item::cpu, Item::insight, Item::gpu, Item::memory}),
         everything(),
         {{Kind::bigTiles, {Item::cpu}},
          {Kind::row, {Item::insight}},
          {Kind::bigTiles, {Item::gpu, Item::memory}}}},
        {"small tiles split by a row",
         only({Item::disk, Item::weather, Item::sensors}),
         everything(),
         {{Kind::smallTiles, {Item::disk}},
          {Kind::row, {Item::weather}},
          {Kind::smallTiles, {Item::sensors}}}},
        {"a skipped item does not split a group",
         only({Item::cpu, Item::disk, Item::gpu}),
         {false, false, false, false},
         {{Kind::bigTiles, {Item::cpu, Item::gpu}}}},
        {"repeats in the order keep the first place",
         only({Item::weather, Item::cpu, Item::weather}),
         everything(),
         {{Kind::row, {Item::weather}}, {Kind::bigTiles, {Item::cpu}}}},
        {"items missing from the order follow in case order",
         ordered({Item::weather}, allBut({Item::weather, Item::insight, Item::keepAwake})),
         {true, true, false, true},
         {{Kind::row, {Item::weather}},
          {Kind::row, {Item::insight}},
          {Kind::row, {Item::keepAwake}}}},
        {"clocks without zones and events turned off", noClocks, everything(), {}},
        {"devices follow the switch, not the hidden list",
         [&] {
             Config c = devicesHiddenButOn;
             c.overviewHidden = allBut({});
             return c;
         }(),
         everything(),
         {{Kind::row, {Item::devices}}}},
        {"devices off",
         [&] {
             Config c = devicesOff;
             c.overviewHidden = allBut({Item::devices});
             return c;
         }(),
         everything(),
         {}},
        {"devices on but none connected", only({Item::devices}), {true, true, false, true}, {}},
        {"next event absent", only({Item::nextEvent}), {true, true, true, false}, {}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(sections(c.config, c.facts), c.expected) << c.name;
}

TEST(OverviewSections, SmallTilesGroupInThreesAndBigTilesWithoutLimit) {
    // Only three small-tile items exist, so a fourth can't follow; a full group of three is
    // still checked by the default order. Big tiles keep joining.
    const auto result =
        sections(ordered({Item::cpu, Item::gpu, Item::memory, Item::network}), everything());
    ASSERT_FALSE(result.empty());
    EXPECT_EQ(result.front().items.size(), 4u);
    EXPECT_EQ(result.front().id(), Item::cpu);
}

TEST(OverviewSections, EverythingHiddenLooksAtTheConfigurationOnly) {
    Config config;
    config.overviewHidden = allBut({Item::devices});
    config.showDevices = false;
    EXPECT_TRUE(everythingHidden(config));
    config.showDevices = true;
    EXPECT_FALSE(everythingHidden(config)); // even with no device connected
    config.overviewHidden = allBut({Item::nextEvent});
    config.showDevices = false;
    config.showEvents = false;
    EXPECT_FALSE(everythingHidden(config)); // shown by the configuration, absent by condition
    EXPECT_FALSE(everythingHidden(Config()));
}

TEST(OverviewSections, GridRowsTwoAtATimeWithTheOddLastTileSpanning) {
    using Rows = std::vector<std::vector<GridCell>>;
    EXPECT_EQ(gridRows({Item::cpu}), (Rows{{{Item::cpu, 2}}}));
    EXPECT_EQ(gridRows({Item::cpu, Item::gpu, Item::memory}),
              (Rows{{{Item::cpu, 1}, {Item::gpu, 1}}, {{Item::memory, 2}}}));
    EXPECT_EQ(gridRows({Item::cpu, Item::gpu, Item::memory, Item::network}),
              (Rows{{{Item::cpu, 1}, {Item::gpu, 1}}, {{Item::memory, 1}, {Item::network, 1}}}));
    EXPECT_TRUE(gridRows({}).empty());
}

TEST(OverviewSections, TapTargets) {
    const std::vector<std::pair<Item, std::optional<ModuleKind>>> table = {
        {Item::cpu, ModuleKind::cpu},          {Item::gpu, ModuleKind::gpu},
        {Item::memory, ModuleKind::memory},    {Item::network, ModuleKind::network},
        {Item::disk, ModuleKind::disks},       {Item::sensors, ModuleKind::sensors},
        {Item::battery, ModuleKind::battery},  {Item::weather, ModuleKind::weather},
        {Item::worldClocks, ModuleKind::time}, {Item::nextEvent, ModuleKind::time},
        {Item::insight, std::nullopt},         {Item::devices, std::nullopt},
        {Item::keepAwake, std::nullopt},
    };
    for (const auto& [item, module] : table)
        EXPECT_EQ(opensModule(item), module) << rawValue(item).toStdString();
}
