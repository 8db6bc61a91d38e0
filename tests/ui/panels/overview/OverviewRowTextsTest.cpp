#include "ui/panels/overview/OverviewRowTexts.h"

#include "services/WeatherCode.h"

#include <QLocale>
#include <QTimeZone>
#include <gtest/gtest.h>

using namespace morvanex;
using namespace morvanex::ui;
using namespace morvanex::ui::overview;

TEST(OverviewInsightRow, SymbolsAndColours) {
    using K = Insight::Kind;
    using S = Insight::Severity;
    const std::vector<std::pair<K, QString>> symbols = {
        {K::memory, "memorychip"},         {K::cpu, "cpu"},
        {K::disk, "internaldrive"},        {K::network, "network"},
        {K::battery, "battery.25percent"}, {K::storage, "externaldrive.badge.exclamationmark"},
        {K::quiet, "checkmark.circle"},
    };
    for (const auto& [kind, symbol] : symbols)
        EXPECT_EQ(insightSymbol(kind), symbol);
    EXPECT_EQ(insightTint(S::warning, K::memory), Tint::orange);
    EXPECT_EQ(insightTint(S::warning, K::quiet), Tint::orange);
    EXPECT_EQ(insightTint(S::critical, K::cpu), Tint::red);
    EXPECT_EQ(insightTint(S::info, K::quiet), Tint::green);
    EXPECT_EQ(insightTint(S::info, K::disk), Tint::blue);
}

TEST(OverviewDeviceRow, BatteryMarks) {
    struct Case {
        std::int64_t level;
        std::optional<bool> charging;
        QString symbol;
        Tint tint;
    };
    const std::vector<Case> table = {
        {12, false, "battery.0percent", Tint::red},
        {13, std::nullopt, "battery.25percent", Tint::red},
        {20, false, "battery.25percent", Tint::red},
        {21, false, "battery.25percent", Tint::primaryText},
        {37, false, "battery.25percent", Tint::primaryText},
        {38, false, "battery.50percent", Tint::primaryText},
        {63, false, "battery.75percent", Tint::primaryText},
        {87, false, "battery.75percent", Tint::primaryText},
        {88, false, "battery.100percent", Tint::primaryText},
        {5, true, "battery.100percent.bolt", Tint::primaryText},
    };
    for (const Case& c : table) {
        EXPECT_EQ(deviceBatterySymbol(c.level, c.charging), c.symbol) << c.level;
        EXPECT_EQ(deviceBatteryTint(c.level, c.charging), c.tint) << c.level;
    }
}

TEST(OverviewDeviceRow, DetailLines) {
    ConnectedDevice phone;
    phone.id = "a";
    phone.name = "Ana's phone";
    phone.productType = "iPhone15,2";
    phone.deviceClass = "iPhone";
    phone.osVersion = "17.2";
    phone.trusted = true;
    phone.storageFree = 64'000'000'000;
    phone.isCharging = true;
    phone.fullyCharged = true;
    phone.connection = ConnectedDevice::Connection::wifi;
    const QString model = *phone.modelName();
    EXPECT_EQ(detailLines(phone),
              (QStringList{model + " · iOS 17.2", "64.0 GB free · Charged · Wi-Fi"}));

    ConnectedDevice charging = phone;
    charging.fullyCharged = std::nullopt;
    charging.storageFree.reset();
    charging.connection = ConnectedDevice::Connection::usb;
    EXPECT_EQ(detailLines(charging).value(1), "Charging");

    ConnectedDevice untrusted = phone;
    untrusted.trusted = false;
    EXPECT_EQ(
        detailLines(untrusted),
        (QStringList{model + " · iOS 17.2", "Trust this computer to see battery and storage"}));

    ConnectedDevice pad;
    pad.id = "b";
    pad.name = "Tablet";
    pad.deviceClass = "iPad";
    pad.osVersion = "17.1";
    pad.trusted = true;
    EXPECT_EQ(detailLines(pad), QStringList{"iPadOS 17.1"});
    pad.deviceClass.reset();
    EXPECT_EQ(detailLines(pad), QStringList{"iOS 17.1"});

    ConnectedDevice bare;
    bare.id = "c";
    bare.name = "Phone";
    bare.trusted = true;
    EXPECT_TRUE(detailLines(bare).isEmpty());

    // Without a name the model is the name, and not repeated under it.
    ConnectedDevice unnamed;
    unnamed.id = "d";
    unnamed.productType = "iPhone15,2";
    unnamed.trusted = true;
    EXPECT_EQ(unnamed.displayName(), *unnamed.modelName());
    EXPECT_TRUE(detailLines(unnamed).isEmpty());
}

namespace {

WeatherReport lisbon() {
    WeatherReport report;
    report.location.name = "Lisbon, Portugal, Europe";
    report.timeZone = QTimeZone(QByteArrayLiteral("Europe/Lisbon"));
    report.current.temperature = 21.4;
    report.current.code = 0;
    return report;
}

} // namespace

TEST(OverviewWeatherRow, HeadlineDetailAndPlaceholder) {
    const QLocale saved;
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedKingdom));
    WeatherReport report = lisbon();
    EXPECT_EQ(weatherHeadline(report, TempUnit::celsius),
              "Lisbon · 21° " + WeatherCode::description(0));
    report.location.name = "Porto";
    EXPECT_TRUE(weatherHeadline(report, TempUnit::fahrenheit).startsWith("Porto · 71° "));

    // No days and no sun times: nothing.
    EXPECT_EQ(weatherDetail(report, std::nullopt, TempUnit::celsius), "");
    const QDateTime sunsetUtc(QDate(2027, 6, 1), QTime(20, 5), Qt::UTC);
    // Lisbon is an hour ahead of UTC in June: the place's own clock.
    EXPECT_EQ(weatherDetail(report, sunsetUtc, TempUnit::celsius), "Sunset 21:05");

    WeatherDay day;
    day.high = 24.4;
    day.low = 15.6;
    report.days = {day};
    EXPECT_EQ(weatherDetail(report, sunsetUtc, TempUnit::celsius), "H 24°  L 16° · Sunset 21:05");
    EXPECT_EQ(weatherDetail(report, std::nullopt, TempUnit::celsius), "H 24°  L 16°");
    report.days[0].sunset = QDateTime(QDate(2027, 6, 1), QTime(19, 30), Qt::UTC);
    EXPECT_EQ(weatherDetail(report, sunsetUtc, TempUnit::celsius), "H 24°  L 16° · Sunset 20:30");

    EXPECT_EQ(weatherPlaceholder(true, QString("offline")), "Loading weather…");
    EXPECT_EQ(weatherPlaceholder(false, QString("offline")), "offline");
    EXPECT_EQ(weatherPlaceholder(false, std::nullopt), "Weather unavailable");
    QLocale::setDefault(saved);
}

TEST(OverviewWorldClocksRow, CitiesAndColumns) {
    EXPECT_EQ(worldClockCity("America/Argentina/Buenos_Aires"), "Buenos Aires");
    EXPECT_EQ(worldClockCity("UTC"), "UTC");
    EXPECT_EQ(worldClockCity("Europe/London"), "London");
    EXPECT_EQ(worldClockCity("/"), "/");

    const QLocale saved;
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedKingdom));
    const QDateTime now(QDate(2027, 1, 15), QTime(12, 0), Qt::UTC);
    const QTimeZone local(QByteArrayLiteral("UTC"));
    const auto columns = worldClockColumns(
        {"Asia/Kolkata", "UTC", "Europe/London", "Asia/Tokyo", "America/New_York"}, now, local);
    ASSERT_EQ(columns.size(), 3u);
    EXPECT_EQ(columns[0], (WorldClockColumn{"Kolkata", "17:30", "+5.5 h"}));
    EXPECT_EQ(columns[1], (WorldClockColumn{"UTC", "12:00", "Same time"}));
    EXPECT_EQ(columns[2].city, "London");

    // An unknown zone uses up its place.
    const auto two =
        worldClockColumns({"Asia/Tokyo", "Nowhere/Atlantis", "UTC", "Europe/Paris"}, now, local);
    ASSERT_EQ(two.size(), 2u);
    EXPECT_EQ(two[0].city, "Tokyo");
    EXPECT_EQ(two[1].city, "UTC");
    QLocale::setDefault(saved);
}
