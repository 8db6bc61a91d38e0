#include "ui/settings/ModuleList.h"

#include "base/Config.h"
#include "ui/settings/ListMove.h"

#include <gtest/gtest.h>

using namespace morvanex;
using namespace morvanex::ui;

namespace {

using K = ModuleKind;

std::vector<ModuleKind> kinds(const std::vector<ModuleConfig>& modules) {
    std::vector<ModuleKind> out;
    for (const ModuleConfig& m : modules)
        out.push_back(m.kind);
    return out;
}

std::vector<ModuleConfig> only(std::initializer_list<ModuleKind> on) {
    std::vector<ModuleConfig> modules = defaultModules();
    for (ModuleConfig& m : modules)
        m.enabled = std::find(on.begin(), on.end(), m.kind) != on.end();
    return modules;
}

} // namespace

TEST(ListMove, MovesSourcesBeforeTheDestinationEntry) {
    struct Case {
        std::set<std::size_t> sources;
        std::size_t destination;
        std::vector<int> expected;
    };
    const std::vector<int> list = {0, 1, 2, 3, 4};
    const Case cases[] = {
        {{0}, 2, {1, 0, 2, 3, 4}},                               // "Move Down" from 0 passes 2
        {{3}, 2, {0, 1, 3, 2, 4}},                               // "Move Up" from 3 passes 2
        {{0}, 5, {1, 2, 3, 4, 0}},                               // the count means the end
        {{1, 3}, 0, {1, 3, 0, 2, 4}},                            // several keep their order
        {{1, 3}, 5, {0, 2, 4, 1, 3}}, {{2}, 2, {0, 1, 2, 3, 4}}, // onto itself
        {{2}, 3, {0, 1, 2, 3, 4}},    {{9}, 0, {0, 1, 2, 3, 4}}, // outside the list: ignored
        {{0}, 99, {1, 2, 3, 4, 0}},                              // past the end: the end
    };
    for (const Case& c : cases)
        EXPECT_EQ(listMove(list, c.sources, c.destination), c.expected) << c.destination;
}

TEST(ListMove, StepDestinationsStopAtTheEnds) {
    EXPECT_EQ(stepDestination(0, +1, 3), std::optional<std::size_t>(2));
    EXPECT_EQ(stepDestination(2, -1, 3), std::optional<std::size_t>(1));
    EXPECT_EQ(stepDestination(0, -1, 3), std::nullopt);
    EXPECT_EQ(stepDestination(2, +1, 3), std::nullopt);
    EXPECT_EQ(stepDestination(0, +1, 1), std::nullopt);
}

TEST(ModuleList, DefaultListsAndHeader) {
    const auto modules = defaultModules();
    EXPECT_EQ(kinds(ModuleList::enabled(modules)),
              (std::vector<K>{K::cpu, K::memory, K::disks, K::network, K::sensors, K::battery,
                              K::weather}));
    EXPECT_EQ(ModuleList::hiddenNames(modules),
              QStringLiteral("Overview, GPU, Sun & Moon, World Clock"));
    EXPECT_EQ(ModuleList::hiddenCount(4), QStringLiteral("4 more hidden"));
}

TEST(ModuleList, StepMovesEnabledAndPutsDisabledBehind) {
    const auto moved = ModuleList::step(defaultModules(), K::cpu, +1);
    ASSERT_TRUE(moved);
    EXPECT_EQ(kinds(*moved),
              (std::vector<K>{K::memory, K::cpu, K::disks, K::network, K::sensors, K::battery,
                              K::weather, K::combined, K::gpu, K::astronomy, K::time}));
    // Flags and styles travel with their entries.
    EXPECT_EQ(ModuleList::read(*moved, K::cpu), ModuleList::read(defaultModules(), K::cpu));

    EXPECT_FALSE(ModuleList::step(defaultModules(), K::cpu, -1));     // first row up
    EXPECT_FALSE(ModuleList::step(defaultModules(), K::weather, +1)); // last row down
    EXPECT_FALSE(ModuleList::step(defaultModules(), K::gpu, +1));     // not in the list
}

TEST(ModuleList, BindingReadsAndWrites) {
    // A kind the list lacks reads as switched off in icon style, and writing it does nothing.
    std::vector<ModuleConfig> withoutTime = defaultModules();
    withoutTime.pop_back();
    EXPECT_EQ(ModuleList::read(withoutTime, K::time),
              (ModuleConfig{K::time, false, DisplayStyle::icon}));
    EXPECT_FALSE(ModuleList::write(withoutTime, K::time, {K::time, true, DisplayStyle::text}));

    struct Case {
        const char* name;
        std::vector<ModuleConfig> modules;
        ModuleConfig value;
        std::vector<ModuleKind> expected;
    };
    const Case cases[] = {
        {"on re-inserts after the last enabled",
         only({K::cpu, K::memory, K::network}),
         {K::gpu, true, DisplayStyle::graph},
         {K::combined, K::cpu, K::memory, K::disks, K::network, K::gpu, K::sensors, K::battery,
          K::weather, K::astronomy, K::time}},
        {"on with none enabled goes to the front",
         only({}),
         {K::time, true, DisplayStyle::text},
         {K::time, K::combined, K::cpu, K::gpu, K::memory, K::disks, K::network, K::sensors,
          K::battery, K::weather, K::astronomy}},
        {"off keeps its place",
         defaultModules(),
         {K::memory, false, DisplayStyle::graphAndText},
         kinds(defaultModules())},
        {"style keeps the order",
         defaultModules(),
         {K::cpu, true, DisplayStyle::icon},
         kinds(defaultModules())},
    };
    for (const Case& c : cases) {
        const auto written = ModuleList::write(c.modules, c.value.kind, c.value);
        ASSERT_TRUE(written) << c.name;
        EXPECT_EQ(kinds(*written), c.expected) << c.name;
        EXPECT_EQ(ModuleList::read(*written, c.value.kind), c.value) << c.name;
    }
}

TEST(ModuleList, NamesTilesAndStyles) {
    EXPECT_EQ(ModuleList::displayName(K::combined), QStringLiteral("Overview"));
    EXPECT_EQ(ModuleList::displayName(K::astronomy), QStringLiteral("Sun & Moon"));
    EXPECT_EQ(ModuleList::tileSymbol(K::combined), QStringLiteral("morvanex.lamp"));
    EXPECT_EQ(ModuleList::tileSymbol(K::cpu), QStringLiteral("cpu"));
    EXPECT_EQ(ModuleList::tint(K::sensors), Tint::red);
    EXPECT_EQ(ModuleList::styles(K::network).size(), 5u);
    EXPECT_EQ(ModuleList::styles(K::disks),
              (std::vector<DisplayStyle>{DisplayStyle::iconAndText, DisplayStyle::text,
                                         DisplayStyle::icon}));
    EXPECT_EQ(ModuleList::label(DisplayStyle::graphAndText), QStringLiteral("Graph + Text"));
}
