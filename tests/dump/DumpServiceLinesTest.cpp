#include "dump/DumpServiceLines.h"

#include "base/Fmt.h"

#include <gtest/gtest.h>

// Readable failure messages for texts.
inline void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}

using namespace morvanex;

namespace {

QDateTime utc(int year, int month, int day, int hour, int minute, int second = 0) {
    return QDateTime(QDate(year, month, day), QTime(hour, minute, second), QTimeZone::utc());
}

TEST(DumpServiceLines, HotKeysLineListsRefusedIdentifiersInOrder) {
    EXPECT_EQ(dump::hotKeysLine({}), "HotKeys  refused: []");
    EXPECT_EQ(dump::hotKeysLine({QStringLiteral("settings"), QStringLiteral("dropdown.cpu")}),
              "HotKeys  refused: [\"dropdown.cpu\", \"settings\"]");
}

TEST(DumpServiceLines, InsightLine) {
    EXPECT_EQ(dump::insightLine(Insight{}), "Insight  All quiet. [quiet]");
    Insight busy;
    busy.kind = Insight::Kind::memory;
    busy.text = QStringLiteral("Memory is under pressure.");
    EXPECT_EQ(dump::insightLine(busy), "Insight  Memory is under pressure. [memory]");
}

TEST(DumpServiceLines, DeviceDescriptions) {
    ConnectedDevice phone;
    phone.name = QStringLiteral("Anna's iPhone");
    phone.productType = QStringLiteral("iPhone15,2");
    phone.deviceClass = QStringLiteral("iPhone");
    phone.osVersion = QStringLiteral("17.4.1");
    phone.batteryLevel = 80;
    phone.isCharging = false;
    phone.storageFree = 12'300'000'000;
    phone.trusted = true;
    phone.battery = DeviceBattery{};
    phone.battery->cycleCount = 301;
    phone.battery->reportedHealth = 92;
    phone.battery->designCapacity = 3000;
    phone.battery->maxCapacity = 2000; // the reported health wins
    EXPECT_EQ(dump::deviceDescription(phone),
              "Anna's iPhone [iPhone 14 Pro] iOS 17.4.1 battery=80 charging=false free=12.3 GB "
              "trusted=true usb health=92% cycles=301");

    ConnectedDevice bare; // nothing could be read: no battery record at all
    bare.connection = ConnectedDevice::Connection::wifi;
    EXPECT_EQ(dump::deviceDescription(bare), "iPhone [-] iOS - battery=- charging=- free=- "
                                             "trusted=false wifi health=- cycles=-");

    ConnectedDevice tablet;
    tablet.productType = QStringLiteral("iPad13,4");
    tablet.deviceClass = QStringLiteral("iPad");
    tablet.isCharging = true;
    tablet.battery = DeviceBattery{};
    tablet.battery->designCapacity = 3000;
    tablet.battery->maxCapacity = 3300; // above design: a device's health is capped at 100 %
    EXPECT_EQ(dump::deviceDescription(tablet),
              "iPad Pro (11-inch) (3rd generation) [iPad Pro (11-inch) (3rd generation)] iPadOS - "
              "battery=- charging=true free=- trusted=false usb health=100% cycles=-");
}

TEST(DumpServiceLines, DeviceHealthForms) {
    struct Row {
        std::optional<std::int64_t> reported;
        std::optional<std::int64_t> design;
        std::optional<std::int64_t> maximum;
        const char* health;
    };
    const Row rows[] = {
        {std::nullopt, 3000, 2700, "90%"},         {std::nullopt, 0, 2700, "-"},
        {std::nullopt, std::nullopt, 2700, "-"},   {std::nullopt, 3000, std::nullopt, "-"},
        {101, std::nullopt, std::nullopt, "101%"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.health);
        ConnectedDevice device;
        device.battery = DeviceBattery{};
        device.battery->reportedHealth = row.reported;
        device.battery->designCapacity = row.design;
        device.battery->maxCapacity = row.maximum;
        EXPECT_TRUE(dump::deviceDescription(device).endsWith(
            QStringLiteral(" health=%1 cycles=-").arg(row.health)));
    }
}

TEST(DumpServiceLines, DevicesLine) {
    EXPECT_EQ(dump::devicesLine(true, {}), "Devices  available=true []");
    EXPECT_EQ(dump::devicesLine(false, {}), "Devices  available=false []");
    ConnectedDevice quoted;
    quoted.name = QStringLiteral("The \"Big\" iPad");
    quoted.deviceClass = QStringLiteral("iPad");
    ConnectedDevice second;
    second.connection = ConnectedDevice::Connection::wifi;
    EXPECT_EQ(dump::devicesLine(true, {quoted, second}),
              "Devices  available=true [\"The \\\"Big\\\" iPad [-] iPadOS - battery=- charging=- "
              "free=- trusted=false usb health=- cycles=-\", \"iPhone [-] iOS - battery=- "
              "charging=- free=- trusted=false wifi health=- cycles=-\"]");
}

TEST(DumpServiceLines, WeatherLineWhileLoadingOrFailed) {
    EXPECT_EQ(dump::weatherLine({std::nullopt, true, std::nullopt}, TempUnit::celsius),
              "Weather  loading=true error=-");
    EXPECT_EQ(dump::weatherLine({std::nullopt, false, QStringLiteral("No connection.")},
                                TempUnit::celsius),
              "Weather  loading=false error=No connection.");
}

TEST(DumpServiceLines, WeatherLineWithAForecast) {
    WeatherReport report;
    report.location = WeatherLocation{QStringLiteral("Lisbon, Portugal"), 38.7, -9.1};
    report.current.temperature = 21.5;
    report.current.apparent = 20.4;
    report.current.code = 0;
    report.current.dewPoint = 11.25;
    report.current.uvIndex = 5;
    report.days.resize(14);
    EXPECT_EQ(dump::weatherLine({report, false, std::nullopt}, TempUnit::celsius),
              "Weather  Lisbon, Portugal: 22° Clear feels 20° days=14 dew=11.25 uv=5.0");
    report.current.dewPoint.reset();
    report.current.uvIndex.reset();
    report.days.resize(3);
    // A held forecast shows even while a refresh runs or after a later failure.
    EXPECT_EQ(dump::weatherLine({report, true, QStringLiteral("Timed out.")}, TempUnit::fahrenheit),
              "Weather  Lisbon, Portugal: 71° Clear feels 69° days=3 dew=nan uv=nan");
}

TEST(DumpServiceLines, AstronomyLine) {
    AstronomyMonitor::Snapshot snapshot;
    snapshot.sun.solarNoon = utc(2025, 3, 1, 12, 26);
    snapshot.sun.events[QStringLiteral("sunrise")] = utc(2025, 3, 1, 6, 12);
    // No sunset that day: the missing event prints as the time formatter's dash.
    snapshot.moonPhase = 0.1;
    snapshot.moonFraction = 0.225;
    snapshot.moonrise = utc(2025, 3, 1, 8, 1);
    snapshot.nextFullMoon = QDateTime(QDate(2025, 3, 14), QTime(7, 55, 30), QTimeZone(3600));
    const QTimeZone zone = QTimeZone::utc();
    EXPECT_EQ(dump::astronomyLine(snapshot, zone),
              "Astro    sunrise " + Fmt::time(utc(2025, 3, 1, 6, 12), zone) + " sunset — noon " +
                  Fmt::time(utc(2025, 3, 1, 12, 26), zone) + " moon Waxing Crescent 23% rise " +
                  Fmt::time(utc(2025, 3, 1, 8, 1), zone) +
                  " set — nextFull 2025-03-14 06:55:30 +0000");
    snapshot.nextFullMoon.reset();
    EXPECT_TRUE(dump::astronomyLine(snapshot, zone).endsWith(" set — nextFull -"));
}

TEST(DumpServiceLines, FuzzyLine) {
    EXPECT_EQ(dump::fuzzyLine(utc(2025, 3, 1, 14, 32)), "Fuzzy    half past two");
}

TEST(DumpServiceLines, RuleLinesOnePerRuleEnabledOrNot) {
    Rule cpu;
    cpu.metric = RuleMetric::cpu;
    Rule ping;
    ping.metric = RuleMetric::ping;
    ping.enabled = false;
    Rule battery;
    battery.metric = RuleMetric::batteryLevel;
    const auto value = [](RuleMetric metric) -> std::optional<double> {
        if (metric == RuleMetric::cpu)
            return 12.25;
        if (metric == RuleMetric::batteryLevel)
            return 100;
        return std::nullopt;
    };
    EXPECT_TRUE(dump::ruleLines({}, value).isEmpty());
    EXPECT_EQ(dump::ruleLines({cpu, ping, battery, cpu}, value),
              QStringList({"Rule     CPU usage = 12.2", "Rule     Ping time = n/a",
                           "Rule     Battery level = 100.0", "Rule     CPU usage = 12.2"}));
}

} // namespace
