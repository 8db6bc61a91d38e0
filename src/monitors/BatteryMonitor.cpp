#include "monitors/BatteryMonitor.h"

#include "platform/linux/PowerSupply.h"
#include "platform/linux/PowerSupplySources.h"
#include "platform/linux/UPowerDevices.h"

#include <algorithm>

namespace morvanex {

BatteryMonitor::BatteryMonitor(platform::Roots roots, PeripheralReader peripherals)
    : roots_(std::move(roots)), peripherals_(std::move(peripherals)) {
    if (!peripherals_) {
        peripherals_ = [client = std::make_shared<platform::UPowerClient>()](
                           platform::UPowerPeripheralsDone done) {
            client->request(std::move(done));
        };
    }
}

QString BatteryMonitor::stateDescription() const {
    if (!present)
        return QStringLiteral("No battery");
    if (isCharged)
        return QStringLiteral("Charged");
    if (onAC && percent >= 99.5)
        return QStringLiteral("Charged");
    if (isCharging)
        return QStringLiteral("Charging");
    if (onAC)
        return QStringLiteral("Not charging");
    return QStringLiteral("On battery");
}

void BatteryMonitor::sample() {
    ++tick;
    lowPowerMode = platform::readLowPowerMode(roots_);

    // Power sources: the internal battery's description.
    const platform::PowerSourceSnapshot snapshot =
        platform::describePowerSupplies(platform::readPowerSupplies(roots_));
    present = false;
    if (const auto& source = snapshot.battery; source && source->type == "InternalBattery") {
        present = true;
        const std::int64_t current = source->currentCapacity.value_or(0);
        const std::int64_t maximum = source->maxCapacity.value_or(100);
        percent = maximum < 1 ? 0 : double(current) / double(maximum) * 100;
        isCharging = source->isCharging.value_or(false);
        isCharged = source->isCharged.value_or(false);
        onAC = source->powerSourceState == QLatin1String("AC Power");
        const std::int64_t toEmpty = source->timeToEmpty.value_or(-1);
        const std::int64_t toFull = source->timeToFullCharge.value_or(-1);
        if (isCharging)
            minutesRemaining = toFull >= 1 ? std::optional(toFull) : std::nullopt;
        else
            minutesRemaining = !onAC && toEmpty >= 1 ? std::optional(toEmpty) : std::nullopt;
        condition = source->batteryHealth;
    }

    // The smart battery's details.
    if (present) {
        const platform::SmartBatteryProperties& smart = snapshot.smartBattery;
        cycleCount = smart.cycleCount;
        designCapacity = smart.designCapacity;
        maxCapacity = smart.rawMaxCapacity;
        currentCapacity = smart.rawCurrentCapacity;
        if (smart.temperature)
            temperature = double(*smart.temperature) / 100;
        if (smart.voltage)
            voltage = double(*smart.voltage) / 1000;
        if (smart.instantAmperage)
            amperage = double(*smart.instantAmperage) / 1000;
        if (smart.cellVoltage) {
            cellVoltages.clear();
            for (const double millivolts : *smart.cellVoltage) {
                if (millivolts > 0)
                    cellVoltages.push_back(millivolts / 1000);
            }
        }
        const auto& details = smart.adapterDetails;
        if (!details || !onAC) {
            adapterWatts.reset();
            adapterName.reset();
        } else {
            adapterWatts = details->watts;
            adapterName = details->name ? details->name : details->description;
        }
    }

    if (tick % 15 == 1) {
        // Main thread only: the answer comes back on it, and the check cannot race the
        // monitor's destruction.
        peripherals_([this, alive = std::weak_ptr<int>(alive_)](
                         std::vector<platform::UPowerPeripheral> found) {
            if (!alive.expired())
                replaceBluetooth(found);
        });
    }

    if (present && tick % 5 == 1)
        history.add(percent);
}

void BatteryMonitor::replaceBluetooth(const std::vector<platform::UPowerPeripheral>& peripherals) {
    std::vector<BluetoothBattery> list;
    for (const platform::UPowerPeripheral& peripheral : peripherals) {
        if (peripheral.name.isEmpty())
            continue;
        const bool seen = std::any_of(list.begin(), list.end(), [&](const auto& battery) {
            return battery.name == peripheral.name;
        });
        if (!seen)
            list.push_back({peripheral.name, peripheral.percent});
    }
    std::stable_sort(list.begin(), list.end(),
                     [](const auto& a, const auto& b) { return a.name < b.name; });
    bluetooth = std::move(list);
}

} // namespace morvanex
