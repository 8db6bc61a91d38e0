#include "base/Config.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <functional>
#include <gtest/gtest.h>
#include <limits>

using namespace morvanex;

namespace {

// Two default records differ only in their rule identifiers.
Config withRuleIdsOf(Config config, const Config& other) {
    for (std::size_t i = 0; i < config.rules.size() && i < other.rules.size(); ++i)
        config.rules[i].id = other.rules[i].id;
    return config;
}

void expectDefaultsExceptRuleIds(const Config& config) {
    const Config defaults;
    EXPECT_EQ(withRuleIdsOf(defaults, config), config);
}

TEST(Config, Defaults) {
    const Config config;
    EXPECT_EQ(config.updateInterval, 2.0);
    ASSERT_EQ(config.modules.size(), 11u);
    EXPECT_EQ(config.modules[0], (ModuleConfig{ModuleKind::combined, false, DisplayStyle::text}));
    EXPECT_EQ(config.modules[1], (ModuleConfig{ModuleKind::cpu, true, DisplayStyle::graphAndText}));
    EXPECT_EQ(config.modules[10], (ModuleConfig{ModuleKind::time, false, DisplayStyle::text}));
    EXPECT_EQ(config.worldClocks, QStringList({"America/New_York", "Europe/London", "Asia/Tokyo"}));
    EXPECT_EQ(config.overviewOrder.size(), 13u);
    EXPECT_FALSE(config.events.primaryInterface);
    EXPECT_TRUE(config.events.internetStatus);
    ASSERT_EQ(config.rules.size(), 5u);
    EXPECT_EQ(config.rules[1].metric, RuleMetric::memoryPressure);
    EXPECT_EQ(config.rules[2].comparison, Comparison::below);
    EXPECT_FALSE(config.rules[4].enabled);
    EXPECT_EQ(config.rules[0].duration, 60);
}

TEST(Config, EqualityCoversRuleIdentifiers) {
    const Config first;
    const Config copy = first;
    EXPECT_EQ(first, copy);
    EXPECT_NE(first, Config());
}

struct ReadRow {
    const char* name;
    const char* json;
    std::function<void(const Config&)> check;
};

void PrintTo(const ReadRow& row, std::ostream* os) {
    *os << row.name;
}

class TolerantReader : public testing::TestWithParam<ReadRow> {};

TEST_P(TolerantReader, KeepsReadableKeysAndDefaultsTheRest) {
    const auto config = Config::fromJson(GetParam().json);
    ASSERT_TRUE(config.has_value());
    GetParam().check(*config);
}

const char* const ruleJson =
    R"({"id":"0f8fad5b-d9cb-469f-a165-70867728950e","enabled":true,"metric":"gpu",)"
    R"("comparison":"above","threshold":50,"duration":5})";

INSTANTIATE_TEST_SUITE_P(
    Rows, TolerantReader,
    testing::Values(
        ReadRow{"EmptyObjectIsDefaults", "{}", expectDefaultsExceptRuleIds},
        ReadRow{"OneBadKeySpoilsNoOther", R"({"updateInterval":"fast","monochrome":true})",
                [](const Config& c) {
                    EXPECT_EQ(c.updateInterval, 2.0);
                    EXPECT_TRUE(c.monochrome);
                }},
        ReadRow{"UnknownEnumNameIsDefault", R"({"temperatureUnit":"rankine","windUnit":"ms"})",
                [](const Config& c) {
                    EXPECT_EQ(c.temperatureUnit, TempUnit::celsius);
                    EXPECT_EQ(c.windUnit, WindUnit::ms);
                }},
        ReadRow{"EnumOfWrongJsonType", R"({"sensorMode":1,"clockLabel":"abbreviation"})",
                [](const Config& c) {
                    EXPECT_EQ(c.sensorMode, SensorMode::simple);
                    EXPECT_EQ(c.clockLabel, ClockLabel::abbreviation);
                }},
        ReadRow{"ModulesReadAsGiven",
                R"({"modules":[{"kind":"time","enabled":true,"style":"text"},)"
                R"({"kind":"cpu","enabled":false,"style":"graph"},)"
                R"({"kind":"time","enabled":false,"style":"icon"}]})",
                [](const Config& c) {
                    ASSERT_EQ(c.modules.size(), 3u);
                    EXPECT_EQ(c.modules[0].kind, ModuleKind::time);
                    EXPECT_EQ(c.modules[1],
                              (ModuleConfig{ModuleKind::cpu, false, DisplayStyle::graph}));
                    EXPECT_EQ(c.modules[2].style, DisplayStyle::icon);
                }},
        ReadRow{"ModuleMissingStyleDefaultsWholeList",
                R"({"modules":[{"kind":"time","enabled":true,"style":"text"},)"
                R"({"kind":"cpu","enabled":false}]})",
                [](const Config& c) { EXPECT_EQ(c.modules, defaultModules()); }},
        ReadRow{"EventsMissingOneToggleIsDefaultWhole",
                R"({"events":{"powerSource":false,"batteryCharged":false,"wifiChanged":false,)"
                R"("publicIPChanged":false,"internetStatus":false}})",
                [](const Config& c) { EXPECT_EQ(c.events, EventToggles()); }},
        ReadRow{"EventsComplete",
                R"({"events":{"powerSource":false,"batteryCharged":true,"wifiChanged":true,)"
                R"("publicIPChanged":true,"internetStatus":true,"primaryInterface":true}})",
                [](const Config& c) {
                    EXPECT_FALSE(c.events.powerSource);
                    EXPECT_TRUE(c.events.primaryInterface);
                }},
        ReadRow{"WeatherLocationNullIsAbsent", R"({"weatherLocation":null})",
                [](const Config& c) { EXPECT_FALSE(c.weatherLocation); }},
        ReadRow{"WeatherLocationWithoutLongitudeIsAbsent",
                R"({"weatherLocation":{"name":"Oslo","latitude":59.9}})",
                [](const Config& c) { EXPECT_FALSE(c.weatherLocation); }},
        ReadRow{"WeatherLocationRead",
                R"({"weatherLocation":{"name":"Oslo","latitude":59.9,"longitude":10.75}})",
                [](const Config& c) {
                    EXPECT_EQ(c.weatherLocation, (WeatherLocation{"Oslo", 59.9, 10.75}));
                }},
        ReadRow{"EmptyRulesStayEmpty", R"({"rules":[]})",
                [](const Config& c) { EXPECT_TRUE(c.rules.empty()); }},
        ReadRow{"OneBadRuleGivesDefaultRules",
                R"({"rules":[{"id":"0f8fad5b-d9cb-469f-a165-70867728950e","enabled":true,)"
                R"("metric":"fanSpeed","comparison":"above","threshold":1,"duration":0}]})",
                [](const Config& c) {
                    ASSERT_EQ(c.rules.size(), 5u);
                    EXPECT_EQ(c.rules[0].metric, RuleMetric::cpu);
                }},
        ReadRow{"UnknownKeysIgnored", R"({"futureSetting":[1,2],"pingHost":"9.9.9.9"})",
                [](const Config& c) { EXPECT_EQ(c.pingHost, "9.9.9.9"); }},
        ReadRow{"NullKeepsDefault", R"({"pingHost":null,"eventDays":null})",
                [](const Config& c) {
                    EXPECT_EQ(c.pingHost, "1.1.1.1");
                    EXPECT_EQ(c.eventDays, 3);
                }},
        ReadRow{"EventDaysNeedsAWholeNumber", R"({"eventDays":2.5,"showEvents":false})",
                [](const Config& c) {
                    EXPECT_EQ(c.eventDays, 3);
                    EXPECT_FALSE(c.showEvents);
                }},
        ReadRow{"EventDaysAcceptsWholeReal", R"({"eventDays":7.0})",
                [](const Config& c) { EXPECT_EQ(c.eventDays, 7); }},
        ReadRow{"BooleansAreStrict", R"({"monochrome":1,"bandwidthBits":"true"})",
                [](const Config& c) {
                    EXPECT_FALSE(c.monochrome);
                    EXPECT_FALSE(c.bandwidthBits);
                }},
        ReadRow{"TextListWithNonTextIsDefault", R"({"worldClocks":["Europe/Oslo",3]})",
                [](const Config& c) { EXPECT_EQ(c.worldClocks, Config().worldClocks); }},
        ReadRow{"OverviewWithUnknownItemIsDefault",
                R"({"overviewOrder":["cpu","fans"],"overviewHidden":["gpu","gpu"]})",
                [](const Config& c) {
                    EXPECT_EQ(c.overviewOrder, allOverviewItems());
                    EXPECT_EQ(c.overviewHidden,
                              (std::vector<OverviewItem>{OverviewItem::gpu, OverviewItem::gpu}));
                }},
        ReadRow{"HotKeysReadWhole",
                R"({"hotKeys":{"cpu":{"keyCode":8,"modifiers":4352,"label":"⌃⌘C"}}})",
                [](const Config& c) {
                    ASSERT_EQ(c.hotKeys.size(), 1u);
                    EXPECT_EQ(c.hotKeys.at("cpu"), (HotKey{8, 4352, "⌃⌘C"}));
                }},
        ReadRow{"OneBadHotKeyDefaultsTheMap",
                R"({"hotKeys":{"cpu":{"keyCode":8,"modifiers":4352,"label":"C"},)"
                R"("gpu":{"keyCode":8,"label":"G"}}})",
                [](const Config& c) { EXPECT_TRUE(c.hotKeys.empty()); }},
        ReadRow{"MenubarSensorKeyOfWrongTypeIsAbsent", R"({"menubarSensorKey":42})",
                [](const Config& c) { EXPECT_FALSE(c.menubarSensorKey); }},
        ReadRow{"ValuesUsedUnchecked", R"({"updateInterval":-3,"eventDays":-1})",
                [](const Config& c) {
                    EXPECT_EQ(c.updateInterval, -3);
                    EXPECT_EQ(c.eventDays, -1);
                }}),
    [](const testing::TestParamInfo<ReadRow>& instance) {
        return std::string(instance.param.name);
    });

TEST(Config, ReadFailsUnlessTheTopLevelIsAnObject) {
    for (const char* bytes : {"[]", "[{}]", "not json", "", "42", "{\"a\":"}) {
        SCOPED_TRACE(bytes);
        EXPECT_FALSE(Config::fromJson(bytes).has_value());
    }
}

TEST(Config, StoredFormRoundTrip) {
    const Config defaults;
    const auto bytes = defaults.toJson();
    ASSERT_TRUE(bytes);
    const QJsonObject object = QJsonDocument::fromJson(*bytes).object();
    EXPECT_EQ(object.size(), 25);
    EXPECT_FALSE(object.contains("weatherLocation"));
    EXPECT_FALSE(object.contains("menubarSensorKey"));
    EXPECT_TRUE(bytes->startsWith("{\"updateInterval\":2,\"modules\":[{"));
    EXPECT_TRUE(bytes->endsWith("}]}"));
    EXPECT_EQ(Config::fromJson(*bytes), defaults);

    Config edited;
    edited.updateInterval = 0.1;
    edited.menubarSensorKey = QStringLiteral("TC0P");
    edited.weatherLocation = WeatherLocation{"Zürich \"HB\"", 47.378, -8.54e-7};
    edited.eventDays = std::numeric_limits<std::int64_t>::max();
    edited.hotKeys = {{"settings", HotKey{0xFFFFFFFFu, 0x1900, "⌃⌥⌘,"}},
                      {"cpu", HotKey{8, 256, "⌘C"}}};
    edited.rules = {
        Rule{QUuid::createUuid(), false, RuleMetric::ping, Comparison::below, 1e-9, 0.5}};
    edited.overviewHidden = {OverviewItem::devices, OverviewItem::cpu};
    edited.hiddenCalendars = {"cal/1", ""};
    const auto editedBytes = edited.toJson();
    ASSERT_TRUE(editedBytes);
    EXPECT_EQ(QJsonDocument::fromJson(*editedBytes).object().size(), 27);
    EXPECT_EQ(Config::fromJson(*editedBytes), edited);
    EXPECT_TRUE(editedBytes->contains(uuidText(edited.rules[0].id).toUtf8()));
}

TEST(Config, NonFiniteNumberCannotBeWritten) {
    for (double bad :
         {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity()}) {
        Config config;
        config.rules[3].threshold = bad;
        EXPECT_FALSE(config.toJson().has_value());
        config = Config();
        config.updateInterval = -bad;
        EXPECT_FALSE(config.toJson().has_value());
    }
}

TEST(Config, OverviewItemsDropRepeatsAndAppendTheRest) {
    Config config;
    config.overviewOrder = {OverviewItem::cpu, OverviewItem::cpu, OverviewItem::gpu};
    using O = OverviewItem;
    EXPECT_EQ(config.overviewItems(),
              (std::vector<O>{O::cpu, O::gpu, O::insight, O::memory, O::network, O::disk,
                              O::sensors, O::battery, O::devices, O::keepAwake, O::weather,
                              O::worldClocks, O::nextEvent}));
    config.overviewOrder = {};
    EXPECT_EQ(config.overviewItems(), allOverviewItems());
}

TEST(Config, ShowingAndHidingOverviewRows) {
    Config config;
    config.setShowsInOverview(OverviewItem::cpu, false);
    config.setShowsInOverview(OverviewItem::cpu, false);
    EXPECT_EQ(config.overviewHidden, std::vector<OverviewItem>{OverviewItem::cpu});
    EXPECT_FALSE(config.showsInOverview(OverviewItem::cpu));
    config.setShowsInOverview(OverviewItem::gpu, false);
    config.setShowsInOverview(OverviewItem::cpu, true);
    EXPECT_EQ(config.overviewHidden, std::vector<OverviewItem>{OverviewItem::gpu});
    EXPECT_TRUE(config.showsInOverview(OverviewItem::cpu));

    config.overviewHidden.push_back(OverviewItem::devices);
    const auto hiddenBefore = config.overviewHidden;
    EXPECT_TRUE(config.showsInOverview(OverviewItem::devices));
    config.setShowsInOverview(OverviewItem::devices, false);
    EXPECT_FALSE(config.showDevices);
    EXPECT_EQ(config.overviewHidden, hiddenBefore);
    EXPECT_FALSE(config.showsInOverview(OverviewItem::devices));
    config.setShowsInOverview(OverviewItem::devices, true);
    EXPECT_TRUE(config.showsInOverview(OverviewItem::devices));
}

} // namespace
