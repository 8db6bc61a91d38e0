#include "platform/linux/PowerSupply.h"

#include "platform/linux/ProcFiles.h"

#include <QDir>

namespace morvanex::platform {
namespace {

struct Folder {
    QString path;

    QString text(const char* file) const {
        const auto line = procfiles::readLine(path + QLatin1Char('/') + QLatin1String(file));
        return line ? QString::fromUtf8(*line).trimmed() : QString();
    }
    std::optional<std::int64_t> integer(const char* file) const {
        return procfiles::readInteger(path + QLatin1Char('/') + QLatin1String(file));
    }
    std::optional<double> number(const char* file) const {
        const auto value = integer(file);
        return value ? std::optional(double(*value)) : std::nullopt;
    }
};

bool isAdapterType(const QString& type) {
    return type == QLatin1String("Mains") || type.startsWith(QLatin1String("USB"));
}

} // namespace

PowerSupplies readPowerSupplies(const Roots& roots) {
    PowerSupplies supplies;
    const QString base = roots.sys + QStringLiteral("/class/power_supply");
    const QStringList entries = QDir(base).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    for (const QString& entry : entries) {
        const Folder folder{base + QLatin1Char('/') + entry};
        const QString type = folder.text("type");
        if (folder.text("scope") == QLatin1String("Device"))
            continue;
        if (type == QLatin1String("Battery")) {
            if (folder.integer("present") == 0)
                continue;
            PowerSupplyBattery battery;
            battery.name = entry;
            battery.status = folder.text("status");
            battery.capacity = folder.number("capacity");
            battery.chargeNow = folder.number("charge_now");
            battery.chargeFull = folder.number("charge_full");
            battery.chargeFullDesign = folder.number("charge_full_design");
            battery.energyNow = folder.number("energy_now");
            battery.energyFull = folder.number("energy_full");
            battery.energyFullDesign = folder.number("energy_full_design");
            battery.voltageNow = folder.number("voltage_now");
            battery.voltageMinDesign = folder.number("voltage_min_design");
            battery.currentNow = folder.number("current_now");
            battery.powerNow = folder.number("power_now");
            battery.cycleCount = folder.integer("cycle_count");
            battery.temperature = folder.number("temp");
            battery.timeToEmpty = folder.integer("time_to_empty_now");
            battery.timeToFull = folder.integer("time_to_full_now");
            battery.health = folder.text("health");
            supplies.batteries.push_back(std::move(battery));
        } else if (isAdapterType(type)) {
            PowerSupplyAdapter adapter;
            adapter.name = entry;
            adapter.type = type;
            adapter.online = folder.integer("online").value_or(0) > 0;
            adapter.voltageMax = folder.number("voltage_max");
            adapter.currentMax = folder.number("current_max");
            adapter.manufacturer = folder.text("manufacturer");
            adapter.modelName = folder.text("model_name");
            supplies.adapters.push_back(std::move(adapter));
        }
    }
    return supplies;
}

bool readLowPowerMode(const Roots& roots) {
    const auto profile =
        procfiles::readLine(roots.sys + QStringLiteral("/firmware/acpi/platform_profile"));
    return profile && profile->trimmed() == "low-power";
}

} // namespace morvanex::platform
