#include "ui/tray/StatusItemModules.h"

#include <gtest/gtest.h>

using namespace morvanex;
using namespace morvanex::ui;
using K = ModuleKind;
using S = DisplayStyle;

TEST(StatusItemModules, ShownModulesInConfiguredOrder) {
    struct Row {
        const char* name;
        std::vector<ModuleConfig> modules;
        bool batteryPresent;
        std::vector<K> shown;
    };
    const Row rows[] = {
        {"enabled ones in order",
         {{K::network, true, S::text},
          {K::cpu, true, S::text},
          {K::gpu, false, S::text},
          {K::memory, true, S::graph}},
         true,
         {K::network, K::cpu, K::memory}},
        {"no battery: the battery dropped, the rest kept in order",
         {{K::cpu, true, S::text}, {K::battery, true, S::icon}, {K::time, true, S::text}},
         false,
         {K::cpu, K::time}},
        {"a battery: kept",
         {{K::battery, true, S::icon}, {K::cpu, true, S::text}},
         true,
         {K::battery, K::cpu}},
        {"all disabled: combined alone",
         {{K::cpu, false, S::text}, {K::combined, false, S::graph}},
         true,
         {K::combined}},
        {"only the battery, and none: combined alone",
         {{K::battery, true, S::icon}},
         false,
         {K::combined}},
        {"an empty list: combined alone", {}, true, {K::combined}},
        {"repeats: one item per kind, where it first shows enabled",
         {{K::cpu, false, S::text},
          {K::memory, true, S::text},
          {K::cpu, true, S::graph},
          {K::memory, true, S::icon},
          {K::cpu, true, S::text}},
         true,
         {K::memory, K::cpu}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Config config;
        config.modules = row.modules;
        EXPECT_EQ(shownModules(config, row.batteryPresent), row.shown);
    }
}

TEST(StatusItemModules, ItemStyleComesFromTheFirstEntryOfItsKind) {
    Config config;
    config.modules = {
        {K::combined, false, S::graph}, {K::cpu, true, S::text}, {K::cpu, true, S::graphAndText}};
    EXPECT_EQ(itemModule(config, K::combined), (ModuleConfig{K::combined, false, S::graph}));
    EXPECT_EQ(itemModule(config, K::cpu), (ModuleConfig{K::cpu, true, S::text}));
    EXPECT_EQ(itemModule(config, K::time).style, S::icon); // not configured: the icon
    config.modules.clear();
    EXPECT_EQ(itemModule(config, K::combined).style, S::icon);
}

TEST(StatusItemModules, NamesAndDefaultAnchor) {
    EXPECT_EQ(itemId(K::cpu), "Morvanex.cpu");
    EXPECT_EQ(itemId(K::astronomy), "Morvanex.astronomy");
    EXPECT_EQ(itemTitle(K::cpu), "Morvanex — CPU");
    EXPECT_EQ(itemTitle(K::combined), "Morvanex — Overview");
    EXPECT_EQ(defaultAnchor(QRect(0, 32, 1920, 1048)), QRect(1919, 32, 1, 1));
    EXPECT_EQ(defaultAnchor(QRect()), QRect(0, 0, 1, 1));
}
