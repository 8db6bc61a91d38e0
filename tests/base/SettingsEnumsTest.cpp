#include "base/SettingsEnums.h"

#include "base/SettingsRecords.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QStringList>
#include <gtest/gtest.h>

using namespace morvanex;

namespace {

template <typename E> QStringList rawValues() {
    QStringList out;
    for (E value : allCases<E>())
        out.append(rawValue(value));
    return out;
}

template <typename E> void expectRawRoundTrip() {
    for (E value : allCases<E>()) {
        EXPECT_EQ(fromRawValue<E>(rawValue(value)), value) << rawValue(value).toStdString();
        EXPECT_EQ(fromRawValue<E>(rawValue(value).toUpper()).has_value(),
                  rawValue(value) == rawValue(value).toUpper());
    }
}

TEST(SettingsEnums, CasesInDeclarationOrderWithCaseNamesAsRawValues) {
    EXPECT_EQ(rawValues<ModuleKind>(),
              QStringList({"combined", "cpu", "gpu", "memory", "disks", "network", "sensors",
                           "battery", "weather", "astronomy", "time"}));
    EXPECT_EQ(rawValues<DisplayStyle>(),
              QStringList({"text", "graph", "graphAndText", "icon", "iconAndText"}));
    EXPECT_EQ(rawValues<TempUnit>(), QStringList({"celsius", "fahrenheit", "kelvin"}));
    EXPECT_EQ(rawValues<WindUnit>(), QStringList({"kmh", "mph", "ms", "knots"}));
    EXPECT_EQ(rawValues<SensorMode>(), QStringList({"simple", "detailed"}));
    EXPECT_EQ(rawValues<ClockLabel>(), QStringList({"city", "abbreviation"}));
    EXPECT_EQ(
        rawValues<OverviewItem>(),
        QStringList({"insight", "cpu", "gpu", "memory", "network", "disk", "sensors", "battery",
                     "devices", "keepAwake", "weather", "worldClocks", "nextEvent"}));
    EXPECT_EQ(rawValues<RuleMetric>(),
              QStringList({"cpu", "gpu", "memoryPressure", "memoryUsed", "diskUsed", "temperature",
                           "batteryLevel", "download", "upload", "ping"}));
    EXPECT_EQ(rawValues<Comparison>(), QStringList({"above", "below"}));
}

TEST(SettingsEnums, RawValuesMatchExactlyAndCaseSensitively) {
    expectRawRoundTrip<ModuleKind>();
    expectRawRoundTrip<DisplayStyle>();
    expectRawRoundTrip<OverviewItem>();
    expectRawRoundTrip<RuleMetric>();
    EXPECT_EQ(fromRawValue<ModuleKind>(u"CPU"), std::nullopt);
    EXPECT_EQ(fromRawValue<ModuleKind>(u"cpu"), ModuleKind::cpu);
    EXPECT_EQ(fromRawValue<ModuleKind>(u" cpu"), std::nullopt);
    EXPECT_EQ(fromRawValue<ModuleKind>(u""), std::nullopt);
}

TEST(SettingsEnums, TitlesAndSymbols) {
    struct Row {
        ModuleKind kind;
        const char* title;
        const char* symbol;
    };
    const Row modules[] = {{ModuleKind::combined, "Combined", "square.grid.2x2"},
                           {ModuleKind::astronomy, "Sun & Moon", "moon.stars"},
                           {ModuleKind::time, "World Clock", "globe"},
                           {ModuleKind::sensors, "Sensors", "thermometer.medium"}};
    for (const Row& row : modules) {
        EXPECT_EQ(title(row.kind), QString::fromUtf8(row.title));
        EXPECT_EQ(symbol(row.kind), QString::fromUtf8(row.symbol));
    }
    EXPECT_EQ(title(OverviewItem::devices), "iPhone and iPad");
    EXPECT_EQ(symbol(OverviewItem::keepAwake), "cup.and.saucer.fill");
    EXPECT_EQ(symbol(OverviewItem::weather), "cloud.sun.fill");
    EXPECT_EQ(title(RuleMetric::diskUsed), "System disk used");
    EXPECT_EQ(title(RuleMetric::temperature), "CPU temperature");
    for (ModuleKind kind : allCases<ModuleKind>())
        EXPECT_FALSE(title(kind).isEmpty() || symbol(kind).isEmpty());
    for (OverviewItem item : allCases<OverviewItem>())
        EXPECT_FALSE(title(item).isEmpty() || symbol(item).isEmpty());
    for (RuleMetric metric : allCases<RuleMetric>())
        EXPECT_FALSE(title(metric).isEmpty());
}

TEST(SettingsRecords, IdentityAndEquality) {
    const ModuleConfig a{ModuleKind::cpu, true, DisplayStyle::text};
    const ModuleConfig b{ModuleKind::cpu, true, DisplayStyle::graph};
    EXPECT_NE(a, b);
    EXPECT_EQ(a.id(), b.id());

    Rule first;
    Rule second = first;
    EXPECT_EQ(first, second);
    second.id = QUuid::createUuid();
    EXPECT_NE(first, second);
    EXPECT_NE(Rule().id, Rule().id);
}

QJsonValue parse(const char* json) {
    return QJsonDocument::fromJson(QByteArray("[") + json + "]").array().at(0);
}

TEST(SettingsRecords, StrictReadingNeedsEveryMemberOfTheRightType) {
    struct Row {
        const char* name;
        const char* json;
        bool readable;
    };
    const Row hotKeys[] = {
        {"complete", R"({"keyCode":40,"modifiers":4352,"label":"⌃⌘K"})", true},
        {"whole reals accepted", R"({"keyCode":40.0,"modifiers":256,"label":"⌘K"})", true},
        {"fractional key code", R"({"keyCode":40.5,"modifiers":256,"label":"⌘K"})", false},
        {"negative modifiers", R"({"keyCode":40,"modifiers":-1,"label":"⌘K"})", false},
        {"beyond 32 bits", R"({"keyCode":4294967296,"modifiers":0,"label":"K"})", false},
        {"largest 32-bit", R"({"keyCode":4294967295,"modifiers":0,"label":"K"})", true},
        {"label missing", R"({"keyCode":40,"modifiers":256})", false},
        {"label a number", R"({"keyCode":40,"modifiers":256,"label":5})", false},
        {"code as text", R"({"keyCode":"40","modifiers":256,"label":"K"})", false},
        {"not an object", R"([40,256,"K"])", false},
    };
    for (const Row& row : hotKeys) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(HotKey::fromJson(parse(row.json)).has_value(), row.readable);
    }

    const Row rules[] = {
        {"complete, lower-case id",
         R"({"id":"0f8fad5b-d9cb-469f-a165-70867728950e","enabled":true,"metric":"cpu",)"
         R"("comparison":"above","threshold":90,"duration":60})",
         true},
        {"braced id",
         R"({"id":"{0f8fad5b-d9cb-469f-a165-70867728950e}","enabled":true,"metric":"cpu",)"
         R"("comparison":"above","threshold":90,"duration":60})",
         false},
        {"unknown metric",
         R"({"id":"0F8FAD5B-D9CB-469F-A165-70867728950E","enabled":true,"metric":"fan",)"
         R"("comparison":"above","threshold":90,"duration":60})",
         false},
        {"duration missing",
         R"({"id":"0F8FAD5B-D9CB-469F-A165-70867728950E","enabled":true,"metric":"cpu",)"
         R"("comparison":"above","threshold":90})",
         false},
        {"enabled as number",
         R"({"id":"0F8FAD5B-D9CB-469F-A165-70867728950E","enabled":1,"metric":"cpu",)"
         R"("comparison":"above","threshold":90,"duration":60})",
         false},
    };
    for (const Row& row : rules) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(Rule::fromJson(parse(row.json)).has_value(), row.readable);
    }
}

TEST(SettingsRecords, RuleIdentifierIsWrittenUpperCaseAndReadInEitherCase) {
    const auto rule = Rule::fromJson(
        parse(R"({"id":"0f8fad5b-d9cb-469f-a165-70867728950e","enabled":false,"metric":"ping",)"
              R"("comparison":"below","threshold":12.5,"duration":0})"));
    ASSERT_TRUE(rule);
    EXPECT_EQ(rule->toJson().value("id").toString(), "0F8FAD5B-D9CB-469F-A165-70867728950E");
    EXPECT_EQ(Rule::fromJson(rule->toJson()), rule);
}

} // namespace
