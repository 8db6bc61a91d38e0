#include "monitors/BatteryMonitor.h"

#include "platform/linux/UPowerDevices.h"
#include "support/FixtureTree.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

using namespace morvanex;
using morvanex::test::copyFixture;
using morvanex::test::writeFile;

namespace {

platform::Roots power(const char* name) {
    return platform::Roots::under(QStringLiteral(MORVANEX_FIXTURES "/power/") +
                                  QLatin1String(name));
}

BatteryMonitor::PeripheralReader noPeripherals() {
    return [](const platform::UPowerPeripheralsDone& done) { done({}); };
}

} // namespace

TEST(BatteryMonitor, FixtureTable) {
    struct Row {
        const char* fixture;
        double percent;
        bool charging, charged, onAC;
        std::optional<std::int64_t> minutes, cycles, design, max, current;
        std::optional<double> temperature, voltage, amperage;
        std::optional<std::int64_t> adapterWatts;
        std::optional<QString> condition;
        bool lowPower;
        const char* state;
    };
    const Row rows[] = {
        {"charging",
         62,
         true,
         false,
         true,
         58,
         123,
         4000,
         3800,
         2356,
         30.1,
         12.6,
         1.5,
         {},
         {},
         false,
         "Charging"},
        {"discharging",
         35120.0 / 50960 * 100,
         false,
         false,
         false,
         250,
         342,
         4922,
         4401,
         3033,
         {},
         11.87,
         -0.709,
         {},
         {},
         true,
         "On battery"},
        {"full-on-ac",
         100,
         false,
         true,
         true,
         {},
         12,
         5200,
         5000,
         5000,
         {},
         13.05,
         0,
         65,
         QStringLiteral("Good"),
         false,
         "Charged"},
        {"energy-only",
         50,
         false,
         false,
         false,
         120,
         57,
         {},
         {},
         {},
         {},
         {},
         {},
         {},
         {},
         false,
         "On battery"},
        {"capacity-only",
         80,
         false,
         false,
         false,
         {},
         {},
         {},
         {},
         {},
         {},
         {},
         {},
         {},
         {},
         false,
         "On battery"},
        {"two-batteries",
         45000.0 / 88000 * 100,
         false,
         false,
         false,
         300,
         200,
         8649,
         7928,
         4054,
         {},
         11.5,
         -0.783,
         {},
         {},
         false,
         "On battery"},
        {"no-cycle-count",
         50,
         false,
         false,
         false,
         225,
         {},
         6200,
         6000,
         3000,
         {},
         7.6,
         -0.8,
         {},
         {},
         false,
         "On battery"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.fixture);
        BatteryMonitor monitor(power(row.fixture), noPeripherals());
        monitor.sample();
        EXPECT_TRUE(monitor.present);
        EXPECT_NEAR(monitor.percent, row.percent, 1e-9);
        EXPECT_EQ(monitor.isCharging, row.charging);
        EXPECT_EQ(monitor.isCharged, row.charged);
        EXPECT_EQ(monitor.onAC, row.onAC);
        EXPECT_EQ(monitor.minutesRemaining, row.minutes);
        EXPECT_EQ(monitor.cycleCount, row.cycles);
        EXPECT_EQ(monitor.designCapacity, row.design);
        EXPECT_EQ(monitor.maxCapacity, row.max);
        EXPECT_EQ(monitor.currentCapacity, row.current);
        EXPECT_EQ(monitor.temperature.has_value(), row.temperature.has_value());
        if (row.temperature && monitor.temperature) {
            EXPECT_DOUBLE_EQ(*monitor.temperature, *row.temperature);
        }
        EXPECT_EQ(monitor.voltage.has_value(), row.voltage.has_value());
        if (row.voltage && monitor.voltage) {
            EXPECT_DOUBLE_EQ(*monitor.voltage, *row.voltage);
        }
        EXPECT_EQ(monitor.amperage.has_value(), row.amperage.has_value());
        if (row.amperage && monitor.amperage) {
            EXPECT_DOUBLE_EQ(*monitor.amperage, *row.amperage);
        }
        EXPECT_EQ(monitor.adapterWatts, row.adapterWatts);
        EXPECT_EQ(monitor.adapterName, std::nullopt);
        EXPECT_EQ(monitor.condition, row.condition);
        EXPECT_TRUE(monitor.cellVoltages.empty());
        EXPECT_EQ(monitor.lowPowerMode, row.lowPower);
        EXPECT_EQ(monitor.stateDescription(), QLatin1String(row.state));
        EXPECT_EQ(monitor.history.values, std::vector<double>{monitor.percent});
        EXPECT_EQ(monitor.history.capacity, 600);
        EXPECT_EQ(monitor.tick, 1);
    }
}

TEST(BatteryMonitor, ThisVirtualMachine) {
    BatteryMonitor monitor(platform::Roots::under(QStringLiteral(MORVANEX_FIXTURES "/sensors/vm")),
                           noPeripherals());
    EXPECT_EQ(monitor.stateDescription(), QStringLiteral("No battery"));
    monitor.sample();
    EXPECT_FALSE(monitor.present);
    EXPECT_EQ(monitor.percent, 0);
    EXPECT_FALSE(monitor.onAC);
    EXPECT_TRUE(monitor.history.values.empty());
    EXPECT_TRUE(monitor.bluetooth.empty());
    EXPECT_EQ(monitor.stateDescription(), QStringLiteral("No battery"));
}

TEST(BatteryMonitor, ThisMachineWithTheRealReaders) {
    BatteryMonitor monitor;
    monitor.sample(); // the system's power supplies, and UPower on the system bus if there is one
    EXPECT_EQ(monitor.tick, 1);
    // The test's own look at the supplies: the machine's batteries are those of type "Battery"
    // that do not belong to a peripheral.
    std::vector<int> capacities;
    const QDir supplies(QStringLiteral("/sys/class/power_supply"));
    for (const QString& name : supplies.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        const auto text = [&](const char* file) {
            QFile f(supplies.filePath(name + u'/' + QLatin1String(file)));
            return f.open(QIODevice::ReadOnly) ? f.readAll().trimmed() : QByteArray();
        };
        if (text("type") == "Battery" && text("scope") != "Device")
            capacities.push_back(text("capacity").toInt());
    }
    EXPECT_EQ(monitor.present, !capacities.empty());
    if (capacities.empty()) {
        EXPECT_EQ(monitor.stateDescription(), QStringLiteral("No battery"));
    } else if (capacities.size() == 1) {
        // The charge moves by a percent at most while the test reads it a second time.
        EXPECT_NEAR(monitor.percent, capacities.front(), 1.0);
    }
    QCoreApplication::processEvents(); // an answer already there is taken; later ones are dropped
}

TEST(BatteryMonitor, ZeroMaximumGivesZeroPercent) {
    const QString root = copyFixture("power/energy-only");
    writeFile(root, "sys/class/power_supply/BAT0/energy_now", "300\n");
    writeFile(root, "sys/class/power_supply/BAT0/energy_full", "400\n"); // rounds to 0 mWh
    BatteryMonitor monitor(platform::Roots::under(root), noPeripherals());
    monitor.sample();
    EXPECT_TRUE(monitor.present);
    EXPECT_EQ(monitor.percent, 0);
}

TEST(BatteryMonitor, StatesOnTheAdapter) {
    const QString root = copyFixture("power/full-on-ac");
    const QString bat = "sys/class/power_supply/BAT0/";
    writeFile(root, bat + "status", "Not charging\n");
    writeFile(root, bat + "charge_now", "4980000\n"); // 99.6 %
    writeFile(root, bat + "time_to_empty_now", "7200\n");
    BatteryMonitor monitor(platform::Roots::under(root), noPeripherals());
    monitor.sample();
    EXPECT_FALSE(monitor.isCharging);
    EXPECT_FALSE(monitor.isCharged);
    EXPECT_EQ(monitor.stateDescription(), QStringLiteral("Charged"));
    EXPECT_EQ(monitor.minutesRemaining, std::nullopt); // on the adapter, whatever the estimate
    writeFile(root, bat + "charge_now", "4970000\n");  // 99.4 %
    monitor.sample();
    EXPECT_EQ(monitor.stateDescription(), QStringLiteral("Not charging"));

    // Charging without a rate has no estimate.
    writeFile(root, bat + "status", "Charging\n");
    writeFile(root, bat + "current_now", "0\n");
    monitor.sample();
    EXPECT_EQ(monitor.stateDescription(), QStringLiteral("Charging"));
    EXPECT_EQ(monitor.minutesRemaining, std::nullopt);
    writeFile(root, bat + "time_to_full_now", "0\n");
    monitor.sample();
    EXPECT_EQ(monitor.minutesRemaining, std::nullopt);
}

TEST(BatteryMonitor, UnpluggingClearsTheAdapterAtTheNextSample) {
    const QString root = copyFixture("power/full-on-ac");
    BatteryMonitor monitor(platform::Roots::under(root), noPeripherals());
    monitor.sample();
    EXPECT_EQ(monitor.adapterWatts, 65);
    writeFile(root, "sys/class/power_supply/AC/online", "0\n");
    writeFile(root, "sys/class/power_supply/ucsi-source-psy-USBC000:001/online", "0\n");
    writeFile(root, "sys/class/power_supply/BAT0/status", "Discharging\n");
    monitor.sample();
    EXPECT_FALSE(monitor.onAC);
    EXPECT_EQ(monitor.adapterWatts, std::nullopt);
    EXPECT_EQ(monitor.adapterName, std::nullopt);
    EXPECT_EQ(monitor.stateDescription(), QStringLiteral("On battery"));
}

TEST(BatteryMonitor, MissingReadingsKeepTheirLastValue) {
    const QString root = copyFixture("power/charging");
    const QString bat = "sys/class/power_supply/BAT0/";
    BatteryMonitor monitor(platform::Roots::under(root), noPeripherals());
    monitor.sample();
    EXPECT_EQ(monitor.temperature, 30.1);
    QFile::remove(root + "/" + bat + "temp");
    QFile::remove(root + "/" + bat + "voltage_now");
    QFile::remove(root + "/" + bat + "voltage_min_design");
    QFile::remove(root + "/" + bat + "current_now");
    QFile::remove(root + "/" + bat + "cycle_count");
    monitor.sample();
    EXPECT_EQ(monitor.temperature, 30.1);
    EXPECT_EQ(monitor.voltage, 12.6);
    EXPECT_EQ(monitor.amperage, 1.5);
    EXPECT_EQ(monitor.cycleCount, std::nullopt); // absent when not found

    // The battery goes away: present turns false and the rest stays as it was.
    QDir(root + "/sys/class/power_supply/BAT0").removeRecursively();
    monitor.sample();
    EXPECT_FALSE(monitor.present);
    EXPECT_EQ(monitor.stateDescription(), QStringLiteral("No battery"));
    EXPECT_NEAR(monitor.percent, 62, 1e-9);
    EXPECT_EQ(monitor.temperature, 30.1);
}

TEST(BatteryMonitor, HistoryEveryFifthSample) {
    const QString root = copyFixture("power/discharging");
    BatteryMonitor monitor(platform::Roots::under(root), noPeripherals());
    for (int i = 0; i < 11; ++i)
        monitor.sample();
    EXPECT_EQ(monitor.tick, 11);
    EXPECT_EQ(monitor.history.values.size(), 3u); // ticks 1, 6 and 11
}

TEST(BatteryMonitor, BluetoothEveryFifteenthSample) {
    std::vector<platform::UPowerPeripheral> devices{
        {"Magic Keyboard", 64}, {"AirPods Pro", 80}, {"Magic Keyboard", 12}, {"", 50}};
    std::vector<platform::UPowerPeripheralsDone> asked;
    BatteryMonitor monitor(platform::Roots::under(QStringLiteral(MORVANEX_FIXTURES "/sensors/vm")),
                           [&](platform::UPowerPeripheralsDone done) { asked.push_back(done); });
    monitor.sample();
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_TRUE(monitor.bluetooth.empty()); // until the answer comes
    asked[0](devices);
    EXPECT_EQ(monitor.bluetooth,
              (std::vector<BluetoothBattery>{{"AirPods Pro", 80}, {"Magic Keyboard", 64}}));
    EXPECT_EQ(monitor.bluetooth[0].id(), QStringLiteral("AirPods Pro"));
    for (int i = 0; i < 14; ++i)
        monitor.sample();
    EXPECT_EQ(asked.size(), 1u);
    monitor.sample(); // tick 16
    ASSERT_EQ(asked.size(), 2u);
    asked[1]({{"MX Master 3", 40}});
    EXPECT_EQ(monitor.bluetooth, (std::vector<BluetoothBattery>{{"MX Master 3", 40}}));
    asked[1]({});
    EXPECT_TRUE(monitor.bluetooth.empty());
}

TEST(BatteryMonitor, LateAnswerAfterTheMonitorIsGone) {
    platform::UPowerPeripheralsDone pending;
    {
        BatteryMonitor monitor(
            platform::Roots::under(QStringLiteral(MORVANEX_FIXTURES "/sensors/vm")),
            [&](platform::UPowerPeripheralsDone done) { pending = done; });
        monitor.sample();
    }
    ASSERT_TRUE(pending);
    pending({{"MX Master 3", 40}}); // nothing to update, nothing touched
}
