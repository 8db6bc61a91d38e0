#include "platform/linux/PowerSupplySources.h"

#include <algorithm>
#include <cmath>

namespace morvanex::platform {
namespace {

// One battery's amounts in one unit: µWh and µW, or µAh and µA.
struct Amounts {
    double now = 0;
    double full = 0;
    std::optional<double> design;
    std::optional<double> rate; // never negative
};

std::optional<double> conversionVolts(const PowerSupplyBattery& b) {
    const auto microvolts = b.voltageMinDesign ? b.voltageMinDesign : b.voltageNow;
    if (!microvolts || *microvolts <= 0)
        return std::nullopt;
    return *microvolts / 1e6;
}

std::optional<Amounts> energy(const PowerSupplyBattery& b) {
    Amounts out;
    if (b.powerNow)
        out.rate = std::abs(*b.powerNow);
    else if (b.currentNow && b.voltageNow)
        out.rate = std::abs(*b.currentNow) * *b.voltageNow / 1e6;
    if (b.energyNow && b.energyFull) {
        out.now = *b.energyNow;
        out.full = *b.energyFull;
        out.design = b.energyFullDesign;
        return out;
    }
    const auto volts = conversionVolts(b);
    if (b.chargeNow && b.chargeFull && volts) {
        out.now = *b.chargeNow * *volts;
        out.full = *b.chargeFull * *volts;
        if (b.chargeFullDesign)
            out.design = *b.chargeFullDesign * *volts;
        return out;
    }
    return std::nullopt;
}

std::optional<Amounts> charge(const PowerSupplyBattery& b) {
    Amounts out;
    if (b.currentNow)
        out.rate = std::abs(*b.currentNow);
    else if (b.powerNow && b.voltageNow && *b.voltageNow > 0)
        out.rate = std::abs(*b.powerNow) / *b.voltageNow * 1e6;
    if (b.chargeNow && b.chargeFull) {
        out.now = *b.chargeNow;
        out.full = *b.chargeFull;
        out.design = b.chargeFullDesign;
        return out;
    }
    const auto volts = conversionVolts(b);
    if (b.energyNow && b.energyFull && volts) {
        out.now = *b.energyNow / *volts;
        out.full = *b.energyFull / *volts;
        if (b.energyFullDesign)
            out.design = *b.energyFullDesign / *volts;
        return out;
    }
    return std::nullopt;
}

// The amounts of every battery, or nothing when one of them lacks them.
template <typename F>
std::optional<std::vector<Amounts>> all(const std::vector<PowerSupplyBattery>& batteries, F view) {
    std::vector<Amounts> out;
    for (const auto& battery : batteries) {
        const auto amounts = view(battery);
        if (!amounts)
            return std::nullopt;
        out.push_back(*amounts);
    }
    return out;
}

// The nearest whole number; nothing for a value that is not finite or beyond 64 bits.
std::optional<std::int64_t> rounded(double value) {
    const double nearest = std::round(value);
    if (!std::isfinite(nearest) || std::abs(nearest) >= 9.2e18)
        return std::nullopt;
    return std::int64_t(nearest);
}

// Minutes to empty (or to full) from summed amounts; nothing without a rate.
std::optional<std::int64_t> minutes(const std::vector<Amounts>& amounts, bool toFull) {
    double remaining = 0;
    double rate = 0;
    for (const Amounts& a : amounts) {
        if (!a.rate)
            return std::nullopt;
        remaining += toFull ? std::max(a.full - a.now, 0.0) : a.now;
        rate += *a.rate;
    }
    if (rate <= 0)
        return std::nullopt;
    return rounded(remaining / rate * 60);
}

// The battery's current in µA: negative while discharging, positive while charging.
std::optional<double> signedCurrent(const PowerSupplyBattery& b) {
    std::optional<double> current = b.currentNow;
    if (!current && b.powerNow && b.voltageNow && *b.voltageNow > 0)
        current = *b.powerNow / *b.voltageNow * 1e6;
    if (!current)
        return std::nullopt;
    if (b.status == QLatin1String("Discharging"))
        return -std::abs(*current);
    if (b.status == QLatin1String("Charging"))
        return std::abs(*current);
    return *current;
}

} // namespace

PowerSourceSnapshot describePowerSupplies(const PowerSupplies& supplies) {
    PowerSourceSnapshot snapshot;
    const auto& batteries = supplies.batteries;
    const auto statusIs = [&batteries](const char* status) {
        return std::any_of(batteries.begin(), batteries.end(),
                           [status](const auto& b) { return b.status == QLatin1String(status); });
    };
    const bool charging = statusIs("Charging");
    const bool adapterOnline = std::any_of(supplies.adapters.begin(), supplies.adapters.end(),
                                           [](const auto& a) { return a.online; });
    // Without an adapter to ask, the batteries tell: only an adapter charges or holds them.
    snapshot.onAC = adapterOnline || charging ||
                    (supplies.adapters.empty() && (statusIs("Full") || statusIs("Not charging")));

    SmartBatteryProperties& smart = snapshot.smartBattery;
    // The online adapter that tells the most: one with a rated power before one without.
    std::vector<const PowerSupplyAdapter*> online;
    for (const PowerSupplyAdapter& adapter : supplies.adapters) {
        if (adapter.online)
            online.push_back(&adapter);
    }
    std::stable_sort(online.begin(), online.end(), [](const auto* a, const auto* b) {
        return (a->voltageMax && a->currentMax) > (b->voltageMax && b->currentMax);
    });
    for (const PowerSupplyAdapter* found : online) {
        const PowerSupplyAdapter& adapter = *found;
        AdapterDetails details;
        if (adapter.voltageMax && adapter.currentMax)
            details.watts = rounded(*adapter.voltageMax * *adapter.currentMax / 1e12);
        const QString name =
            (adapter.manufacturer + QLatin1Char(' ') + adapter.modelName).trimmed();
        if (!name.isEmpty())
            details.name = name;
        smart.adapterDetails = details;
        break;
    }

    if (batteries.empty())
        return snapshot;

    PowerSourceDescription source;
    source.isCharging = charging;
    source.isCharged = std::all_of(batteries.begin(), batteries.end(),
                                   [](const auto& b) { return b.status == QLatin1String("Full"); });
    source.powerSourceState =
        snapshot.onAC ? QStringLiteral("AC Power") : QStringLiteral("Battery Power");
    const auto energies = all(batteries, energy);
    const auto charges = all(batteries, charge);
    const auto usable = [](const std::optional<std::vector<Amounts>>& amounts) {
        if (!amounts)
            return false;
        double full = 0;
        for (const Amounts& a : *amounts)
            full += a.full;
        return full > 0;
    };
    // The drivers' own unit when they agree; converted amounts only for mixed batteries.
    const auto native = [&batteries](auto has) {
        return std::all_of(batteries.begin(), batteries.end(), has);
    };
    const bool nativeEnergy = native([](const auto& b) { return b.energyNow && b.energyFull; });
    const bool nativeCharge = native([](const auto& b) { return b.chargeNow && b.chargeFull; });
    const auto& measured = nativeEnergy       ? energies
                           : nativeCharge     ? charges
                           : usable(energies) ? energies
                                              : charges;
    if (usable(measured)) {
        double now = 0;
        double full = 0;
        for (const Amounts& a : *measured) {
            now += a.now;
            full += a.full;
        }
        source.currentCapacity = rounded(now / 1000);
        source.maxCapacity = rounded(full / 1000);
    } else if (std::all_of(batteries.begin(), batteries.end(),
                           [](const auto& b) { return b.capacity.has_value(); })) {
        double sum = 0;
        for (const auto& b : batteries)
            sum += *b.capacity;
        source.currentCapacity = rounded(sum / double(batteries.size()));
        source.maxCapacity = 100;
    }

    const bool discharging = !charging && !snapshot.onAC;
    if (batteries.size() == 1 && batteries[0].timeToEmpty && *batteries[0].timeToEmpty > 0 &&
        discharging) {
        source.timeToEmpty = *batteries[0].timeToEmpty / 60;
    } else if (discharging && usable(measured)) {
        source.timeToEmpty = minutes(*measured, false);
    }
    if (batteries.size() == 1 && batteries[0].timeToFull && *batteries[0].timeToFull > 0 &&
        charging) {
        source.timeToFullCharge = *batteries[0].timeToFull / 60;
    } else if (charging && usable(measured)) {
        source.timeToFullCharge = minutes(*measured, true);
    }
    for (const auto& b : batteries) {
        if (!b.health.isEmpty() && b.health != QLatin1String("Unknown")) {
            source.batteryHealth = b.health;
            break;
        }
    }
    snapshot.battery = source;

    for (const auto& b : batteries) {
        if (b.cycleCount && *b.cycleCount >= 0)
            smart.cycleCount = std::max(smart.cycleCount.value_or(0), *b.cycleCount);
        const auto centidegrees = b.temperature ? rounded(*b.temperature * 10) : std::nullopt;
        if (centidegrees)
            smart.temperature = std::max(smart.temperature.value_or(INT64_MIN), *centidegrees);
    }
    if (charges) {
        double now = 0;
        double full = 0;
        double design = 0;
        bool haveDesign = true;
        for (const Amounts& a : *charges) {
            now += a.now;
            full += a.full;
            haveDesign = haveDesign && a.design.has_value();
            design += a.design.value_or(0);
        }
        smart.rawCurrentCapacity = rounded(now / 1000);
        smart.rawMaxCapacity = rounded(full / 1000);
        if (haveDesign)
            smart.designCapacity = rounded(design / 1000);
    }
    double volts = 0;
    double watts = 0;
    int withVoltage = 0;
    bool powerKnown = true;
    for (const auto& b : batteries) {
        if (!b.voltageNow) {
            powerKnown = false;
            continue;
        }
        volts += *b.voltageNow / 1e6;
        ++withVoltage;
        if (const auto current = signedCurrent(b))
            watts += *b.voltageNow / 1e6 * *current / 1e6;
        else
            powerKnown = false;
    }
    if (withVoltage > 0) {
        const double mean = volts / withVoltage;
        smart.voltage = rounded(mean * 1000);
        if (powerKnown && mean > 0)
            smart.instantAmperage = rounded(watts / mean * 1000);
    }
    // One battery's current needs no voltage.
    if (batteries.size() == 1) {
        if (const auto current = signedCurrent(batteries[0]))
            smart.instantAmperage = rounded(*current / 1000);
    }
    return snapshot;
}

} // namespace morvanex::platform
