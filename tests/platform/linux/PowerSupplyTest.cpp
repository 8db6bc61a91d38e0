#include "platform/linux/PowerSupply.h"

#include "platform/linux/PowerSupplySources.h"

#include <gtest/gtest.h>

using namespace morvanex::platform;

namespace {

Roots power(const char* name) {
    return Roots::under(QStringLiteral(MORVANEX_FIXTURES "/power/") + QLatin1String(name));
}

} // namespace

TEST(PowerSupply, ReadsSystemBatteriesAndAdapters) {
    const PowerSupplies supplies = readPowerSupplies(power("discharging"));
    // The empty bay BAT1 and the mouse's battery (scope Device) are not the system's.
    ASSERT_EQ(supplies.batteries.size(), 1u);
    const PowerSupplyBattery& battery = supplies.batteries[0];
    EXPECT_EQ(battery.name, QStringLiteral("BAT0"));
    EXPECT_EQ(battery.status, QStringLiteral("Discharging"));
    EXPECT_EQ(battery.energyNow, 35120000.0);
    EXPECT_EQ(battery.energyFull, 50960000.0);
    EXPECT_EQ(battery.energyFullDesign, 57000000.0);
    EXPECT_EQ(battery.powerNow, 8420000.0);
    EXPECT_EQ(battery.voltageMinDesign, 11580000.0);
    EXPECT_EQ(battery.cycleCount, 342);
    EXPECT_EQ(battery.chargeNow, std::nullopt);
    EXPECT_EQ(battery.temperature, std::nullopt);
    ASSERT_EQ(supplies.adapters.size(), 1u);
    EXPECT_EQ(supplies.adapters[0].name, QStringLiteral("AC"));
    EXPECT_FALSE(supplies.adapters[0].online);
    EXPECT_TRUE(readLowPowerMode(power("discharging")));
    EXPECT_FALSE(readLowPowerMode(power("full-on-ac")));
    EXPECT_FALSE(readLowPowerMode(power("charging")));
}

TEST(PowerSupply, UsbPowerDeliveryAdapter) {
    const PowerSupplies supplies = readPowerSupplies(power("full-on-ac"));
    ASSERT_EQ(supplies.adapters.size(), 2u);
    EXPECT_EQ(supplies.adapters[1].type, QStringLiteral("USB"));
    EXPECT_TRUE(supplies.adapters[1].online);
    EXPECT_EQ(supplies.adapters[1].voltageMax, 20000000.0);
    EXPECT_EQ(supplies.adapters[1].currentMax, 3250000.0);
    const auto snapshot = describePowerSupplies(supplies);
    ASSERT_TRUE(snapshot.smartBattery.adapterDetails);
    EXPECT_EQ(snapshot.smartBattery.adapterDetails->watts, 65);
    EXPECT_EQ(snapshot.smartBattery.adapterDetails->name, std::nullopt);
}

TEST(PowerSupply, NoSuppliesNoBattery) {
    const auto snapshot = describePowerSupplies(
        readPowerSupplies(Roots::under(QStringLiteral(MORVANEX_FIXTURES "/sensors/vm"))));
    EXPECT_FALSE(snapshot.battery);
    EXPECT_FALSE(snapshot.onAC);
}

TEST(PowerSupplySources, TwoBatteriesAreSummed) {
    const auto snapshot = describePowerSupplies(readPowerSupplies(power("two-batteries")));
    ASSERT_TRUE(snapshot.battery);
    const PowerSourceDescription& source = *snapshot.battery;
    EXPECT_EQ(source.currentCapacity, 45000); // mWh
    EXPECT_EQ(source.maxCapacity, 88000);
    EXPECT_EQ(source.isCharging, false);
    EXPECT_EQ(source.isCharged, false);
    EXPECT_EQ(source.powerSourceState, QStringLiteral("Battery Power"));
    EXPECT_EQ(source.timeToEmpty, 300); // 45 Wh at 9 W
    EXPECT_EQ(source.timeToFullCharge, std::nullopt);
    const SmartBatteryProperties& smart = snapshot.smartBattery;
    EXPECT_EQ(smart.cycleCount, 200);
    EXPECT_EQ(smart.designCapacity, 8649); // 96 Wh at 11.1 V
    EXPECT_EQ(smart.rawMaxCapacity, 7928);
    EXPECT_EQ(smart.rawCurrentCapacity, 4054);
    EXPECT_EQ(smart.voltage, 11500);
    EXPECT_EQ(smart.instantAmperage, -783); // 9 W drawn at 11.5 V
    EXPECT_EQ(smart.temperature, std::nullopt);
}

TEST(PowerSupplySources, OneBatteryCases) {
    PowerSupplies supplies;
    PowerSupplyBattery b;
    b.name = "BAT0";
    b.status = "Charging";
    b.chargeNow = 1000000;
    b.chargeFull = 4000000;
    b.currentNow = -1500000; // some drivers sign the current; the status decides
    supplies.batteries = {b};
    auto snapshot = describePowerSupplies(supplies);
    EXPECT_TRUE(snapshot.onAC); // charging without an adapter to ask
    EXPECT_EQ(snapshot.battery->timeToFullCharge, 120);
    EXPECT_EQ(snapshot.smartBattery.instantAmperage, 1500);
    EXPECT_EQ(snapshot.smartBattery.voltage, std::nullopt);

    supplies.batteries[0].status = "Discharging";
    supplies.batteries[0].currentNow = 2000000;
    snapshot = describePowerSupplies(supplies);
    EXPECT_FALSE(snapshot.onAC);
    EXPECT_EQ(snapshot.battery->timeToEmpty, 30);
    EXPECT_EQ(snapshot.smartBattery.instantAmperage, -2000);

    // The driver's own estimate wins over the computed one.
    supplies.batteries[0].timeToEmpty = 5400;
    snapshot = describePowerSupplies(supplies);
    EXPECT_EQ(snapshot.battery->timeToEmpty, 90);

    // A full charge of 0 leaves the percentage to the capacity file.
    supplies.batteries[0].chargeFull = 0;
    supplies.batteries[0].capacity = 77;
    snapshot = describePowerSupplies(supplies);
    EXPECT_EQ(snapshot.battery->currentCapacity, 77);
    EXPECT_EQ(snapshot.battery->maxCapacity, 100);
}
