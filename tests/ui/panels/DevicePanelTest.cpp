#include "ui/panels/DevicePanel.h"

#include "PanelProbe.h"
#include "base/Units.h"
#include "support/HubFixture.h"
#include "ui/kit/Card.h"
#include "ui/kit/DetailCell.h"
#include "ui/kit/Dot.h"
#include "ui/kit/HeroValue.h"
#include "ui/kit/PanelHeader.h"
#include "ui/kit/SymbolIcon.h"
#include "ui/kit/UsageBars.h"
#include "ui/panels/DeviceTexts.h"

#include <QLabel>
#include <QLocale>
#include <gtest/gtest.h>

using namespace morvanex;
using namespace morvanex::ui;
using namespace morvanex::test;

namespace {

// The grid's capacities group digits as the user's locale does: pin one that groups with ",".
struct PinnedLocale {
    QLocale saved;
    PinnedLocale() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }
    ~PinnedLocale() { QLocale::setDefault(saved); }
};

ConnectedDevice phone() {
    ConnectedDevice d;
    d.id = "00008110-000A";
    d.name = "Ada's iPhone";
    d.trusted = true;
    d.deviceClass = "iPhone";
    d.productType = "iPhone15,2";
    d.osVersion = "17.4";
    d.buildVersion = "21E219";
    d.batteryLevel = 82;
    return d;
}

DeviceBattery battery(std::optional<std::int64_t> maxCap, std::optional<std::int64_t> design) {
    DeviceBattery b;
    b.maxCapacity = maxCap;
    b.designCapacity = design;
    return b;
}

} // namespace

TEST(DeviceTexts, Subtitle) {
    ConnectedDevice d = phone();
    const QString model = *d.modelName();
    EXPECT_EQ(device::subtitle(d), model);
    d.isCharging = true;
    EXPECT_EQ(device::subtitle(d), model + " · Charging");
    d.fullyCharged = true;
    EXPECT_EQ(device::subtitle(d), model + " · Charged");
    EXPECT_EQ(device::batteryState(d), "Charged");
    d.productType.reset();
    d.isCharging = false;
    d.fullyCharged = false;
    EXPECT_EQ(device::subtitle(d), "iPhone");
    EXPECT_EQ(device::batteryState(d), "On battery");
    d.deviceClass.reset();
    EXPECT_EQ(device::subtitle(d), "Device");
    d.isCharging = true;
    EXPECT_EQ(device::batteryState(d), "Charging");
}

TEST(DeviceTexts, DeviceSymbol) {
    ConnectedDevice d;
    const std::pair<std::optional<QString>, QString> cases[] = {
        {QString("iPad"), "ipad"},
        {QString("iPod"), "ipodtouch"},
        {QString("iPhone"), "iphone"},
        {std::nullopt, "iphone"},
    };
    for (const auto& [kind, symbol] : cases) {
        d.deviceClass = kind;
        EXPECT_EQ(device::deviceSymbol(d), symbol);
    }
}

TEST(DeviceTexts, HealthAndItsWords) {
    struct Case {
        DeviceBattery battery;
        std::optional<double> health;
    };
    DeviceBattery reported = battery(2000, 3000);
    reported.reportedHealth = 91;
    const Case cases[] = {
        {reported, 91},
        {battery(2900, 3000), 2900.0 / 3000 * 100},
        {battery(3100, 3000), 100},
        {battery(2900, 0), std::nullopt},
        {battery(2900, std::nullopt), std::nullopt},
        {battery(std::nullopt, 3000), std::nullopt},
    };
    for (const Case& c : cases) {
        const auto h = device::health(c.battery);
        ASSERT_EQ(h.has_value(), c.health.has_value());
        if (h) {
            EXPECT_DOUBLE_EQ(*h, *c.health);
        }
    }
    EXPECT_EQ(device::healthBadge(96.67), (device::HealthBadge{Tint::green, "Normal"}));
    EXPECT_EQ(device::healthBadge(80), (device::HealthBadge{Tint::green, "Normal"}));
    EXPECT_EQ(device::healthBadge(79.9),
              (device::HealthBadge{Tint::orange, "Service Recommended"}));
    EXPECT_EQ(device::healthBarColor(80), Tint::green);
    EXPECT_EQ(device::healthBarColor(79.9), Tint::orange);
}

TEST(DeviceTexts, Storage) {
    ConnectedDevice d = phone();
    EXPECT_EQ(device::storage(d), std::nullopt);
    d.dataCapacity = 0;
    d.storageFree = 0;
    EXPECT_EQ(device::storage(d), std::nullopt);
    d.dataCapacity = 100'000;
    d.storageFree = 5'000;
    EXPECT_EQ(device::storage(d), (device::Storage{95'000, 0.95, Tint::red}));
    d.storageFree = 10'000;
    EXPECT_EQ(device::storage(d), (device::Storage{90'000, 0.9, Tint::blue}));
    // A device reporting more free space than its partition holds has nothing in use.
    d.storageFree = 150'000;
    EXPECT_EQ(device::storage(d), (device::Storage{0, 0, Tint::blue}));
    d.storageFree = -1;
    EXPECT_EQ(device::storage(d), (device::Storage{100'000, 1, Tint::red}));
    EXPECT_EQ(device::byteCount(128e9), "128 GB");
    EXPECT_EQ(device::byteCount(64.5e9), "64.5 GB");
}

TEST(DeviceTexts, AboutAndGridValues) {
    ConnectedDevice d = phone();
    EXPECT_EQ(device::softwareText(d), "iOS 17.4 (21E219)");
    d.deviceClass = "iPad";
    d.buildVersion.reset();
    EXPECT_EQ(device::softwareText(d), "iPadOS 17.4");
    d.osVersion.reset();
    EXPECT_EQ(device::softwareText(d), std::nullopt);
    EXPECT_EQ(device::connectionText(d), "USB");
    d.connection = ConnectedDevice::Connection::wifi;
    EXPECT_EQ(device::connectionText(d), "Wi-Fi");

    {
        PinnedLocale english;
        EXPECT_EQ(device::milliampHours(3279), "3,279 mAh");
    }
    {
        PinnedLocale german;
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        EXPECT_EQ(device::milliampHours(3279), "3.279 mAh");
    }
    EXPECT_EQ(device::milliampHours(std::nullopt), std::nullopt);
    EXPECT_EQ(device::voltageText(4.3125), "4.31 V");
    EXPECT_EQ(device::amperageText(-0.52), "-0.52 A");
    EXPECT_EQ(device::adapterText(20), "20 W");
    EXPECT_EQ(device::adapterText(std::nullopt), std::nullopt);
}

namespace {

struct DevicePanelTest : ::testing::Test {
    PinnedLocale english;
    HubFixture f;
    std::unique_ptr<DevicePanel> panel;

    void make(const QString& id = "00008110-000A") {
        PanelEnv env;
        env.hub = f.hub.get();
        env.settings = &f.settings;
        panel = std::make_unique<DevicePanel>(env, id);
    }
    void show(std::vector<ConnectedDevice> devices) {
        f.hub->devices.setDevices(std::move(devices));
        emit f.hub->changed();
        settle();
    }
    PanelHeader* header() const { return panel->findChild<PanelHeader*>(); }
    QStringList cardTitles() const {
        QStringList titles;
        for (const CardHeader* h : panel->findChildren<CardHeader*>())
            titles << h->titleLine()->fullText();
        return titles;
    }
    QStringList labels() const {
        QStringList all;
        for (const QLabel* l : panel->findChildren<QLabel*>())
            if (!qobject_cast<const TextLine*>(l))
                all << l->text();
        return all;
    }
};

} // namespace

TEST_F(DevicePanelTest, ADetachedDeviceShowsDisconnected) {
    show({phone()});
    make();
    EXPECT_EQ(header()->titleLine()->fullText(), "Ada's iPhone");
    show({});
    EXPECT_EQ(header()->titleLine()->fullText(), "Disconnected");
    EXPECT_EQ(header()->subtitleLine()->fullText(), "The device is no longer connected");
    EXPECT_TRUE(cardTitles().isEmpty());
}

TEST_F(DevicePanelTest, TrustedWithoutBatteryDetails) {
    ConnectedDevice d = phone();
    d.isCharging = true;
    d.fullyCharged = true;
    show({d});
    make();
    EXPECT_EQ(cardTitles(), QStringList({"Battery", "About"}));
    EXPECT_EQ(rowValue(panel.get(), "State"), "Charged");
    EXPECT_TRUE(labels().contains("Battery health isn't available for this device."));
    EXPECT_EQ(header()->findChild<HeroValue*>()->content(), (HeroValue::Content{"82", "%"}));
    EXPECT_EQ(header()->findChild<SymbolIcon*>(QString())->name(), "bolt.fill");
    EXPECT_EQ(rowValue(panel.get(), "Software"), "iOS 17.4 (21E219)");
    EXPECT_EQ(rowValue(panel.get(), "Connection"), "USB");
    EXPECT_EQ(rowValue(panel.get(), "Serial number"), "<none>");
}

TEST_F(DevicePanelTest, UntrustedShowsTheHintAndNoBattery) {
    ConnectedDevice d = phone();
    d.trusted = false;
    d.batteryLevel.reset();
    show({d});
    make();
    EXPECT_EQ(header()->findChild<HeroValue*>(), nullptr);
    EXPECT_EQ(cardTitles(), QStringList({"About"}));
    EXPECT_TRUE(labels().contains(device::trustHint(d)));
    EXPECT_TRUE(device::trustHint(d).startsWith("Unlock Ada's iPhone and tap Trust"));
}

TEST_F(DevicePanelTest, BatteryHealthCard) {
    ConnectedDevice d = phone();
    DeviceBattery b = battery(2900, 3000);
    b.cycleCount = 412;
    b.temperature = 30.25;
    b.voltage = 4.31;
    d.battery = b;
    show({d});
    f.settings.update([](Config& c) { c.temperatureUnit = TempUnit::fahrenheit; });
    make();
    EXPECT_EQ(cardTitles(), QStringList({"Battery Health", "About"}));
    EXPECT_EQ(rowValue(panel.get(), "Maximum capacity"), "97%");
    EXPECT_EQ(rowValue(panel.get(), "Cycle count"), "412");
    EXPECT_EQ(rowValue(panel.get(), "Temperature"), format(TempUnit::fahrenheit, 30.25, 1));
    EXPECT_TRUE(texts(panel.get()).contains("Normal"));
    EXPECT_EQ(panel->findChild<Dot*>()->tint(), Tint::green);
    const auto cells = panel->findChildren<DetailCell*>();
    ASSERT_EQ(cells.size(), 6);
    EXPECT_EQ(cells[0]->valueLine()->fullText(), "2,900 mAh");
    EXPECT_EQ(cells[2]->valueLine()->fullText(), "—");
    EXPECT_EQ(cells[3]->valueLine()->fullText(), "4.31 V");
    EXPECT_EQ(cells[5]->valueLine()->fullText(), "—");
}

TEST_F(DevicePanelTest, StorageCard) {
    ConnectedDevice d = phone();
    d.dataCapacity = 100'000'000'000;
    d.storageFree = 5'000'000'000;
    d.storageTotal = 128'000'000'000;
    show({d});
    make();
    EXPECT_EQ(cardTitles(), QStringList({"Battery", "Storage", "About"}));
    CardHeader* storage = panel->findChildren<CardHeader*>()[1];
    EXPECT_EQ(storage->trailingLine()->fullText(), "128 GB");
    EXPECT_EQ(rowValue(panel.get(), "Used"), "95.0 GB");
    EXPECT_EQ(rowValue(panel.get(), "Available"), "5.0 GB");
    // The bar view has no meta-object of its own: find it by its C++ type.
    std::vector<const UsageBarView*> bars;
    for (const QWidget* w : panel->findChildren<QWidget*>())
        if (const auto* bar = dynamic_cast<const UsageBarView*>(w))
            bars.push_back(bar);
    ASSERT_EQ(bars.size(), 1u);
    EXPECT_EQ(bars[0]->bar().color, Tint::red);
    EXPECT_DOUBLE_EQ(bars[0]->bar().fraction, 0.95);

    d.dataCapacity = 0;
    show({d});
    EXPECT_EQ(cardTitles(), QStringList({"Battery", "About"}));
}
