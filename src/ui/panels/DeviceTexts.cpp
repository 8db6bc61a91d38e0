#include "ui/panels/DeviceTexts.h"

#include "base/Fmt.h"
#include "base/Numbers.h"

#include <QLocale>
#include <QStringList>
#include <algorithm>
#include <cmath>

namespace morvanex::ui::device {

QString deviceSymbol(const ConnectedDevice& device) {
    return device.symbol();
}

QString subtitle(const ConnectedDevice& device) {
    QStringList parts;
    if (const auto model = device.modelName())
        parts << *model;
    else if (device.deviceClass)
        parts << *device.deviceClass;
    else
        parts << QStringLiteral("Device");
    if (device.fullyCharged == true)
        parts << QStringLiteral("Charged");
    else if (device.isCharging == true)
        parts << QStringLiteral("Charging");
    return parts.join(QStringLiteral(" · "));
}

QString batteryState(const ConnectedDevice& device) {
    if (device.fullyCharged == true)
        return QStringLiteral("Charged");
    if (device.isCharging == true)
        return QStringLiteral("Charging");
    return QStringLiteral("On battery");
}

QString trustHint(const ConnectedDevice& device) {
    return QStringLiteral("Unlock ") + device.displayName() +
           QStringLiteral(" and tap Trust when asked (for example after plugging it in and "
                          "running idevicepair pair) to see battery, storage and more.");
}

std::optional<double> health(const DeviceBattery& battery) {
    if (battery.reportedHealth)
        return double(*battery.reportedHealth);
    if (battery.maxCapacity && battery.designCapacity && *battery.designCapacity >= 1)
        return std::min(100.0,
                        double(*battery.maxCapacity) / double(*battery.designCapacity) * 100);
    return std::nullopt;
}

HealthBadge healthBadge(double health) {
    if (health >= 80)
        return {Tint::green, QStringLiteral("Normal")};
    return {Tint::orange, QStringLiteral("Service Recommended")};
}

Tint healthBarColor(double health) {
    return health < 80 ? Tint::orange : Tint::green;
}

std::optional<Storage> storage(const ConnectedDevice& device) {
    if (!device.dataCapacity || !device.storageFree || *device.dataCapacity < 1)
        return std::nullopt;
    const double capacity = double(*device.dataCapacity);
    // In reals: a free count from a confused device cannot overflow the difference, and the
    // bar and the "Used" row stay within the partition.
    const double used = std::clamp(capacity - double(*device.storageFree), 0.0, capacity);
    const double fraction = used / capacity;
    return Storage{used, fraction, fraction > 0.9 ? Tint::red : Tint::blue};
}

QString byteCount(double bytes) {
    return Fmt::bytes(bytes, 1000);
}

std::optional<QString> softwareText(const ConnectedDevice& device) {
    if (!device.osVersion)
        return std::nullopt;
    QString text = (device.deviceClass == QStringLiteral("iPad") ? QStringLiteral("iPadOS")
                                                                 : QStringLiteral("iOS")) +
                   QStringLiteral(" ") + *device.osVersion;
    if (device.buildVersion)
        text += QStringLiteral(" (") + *device.buildVersion + QStringLiteral(")");
    return text;
}

QString connectionText(const ConnectedDevice& device) {
    return device.connection == ConnectedDevice::Connection::wifi ? QStringLiteral("Wi-Fi")
                                                                  : QStringLiteral("USB");
}

std::optional<QString> milliampHours(std::optional<std::int64_t> value) {
    if (!value)
        return std::nullopt;
    return QLocale().toString(qint64(*value)) + QStringLiteral(" mAh");
}

std::optional<QString> voltageText(std::optional<double> volts) {
    if (!volts)
        return std::nullopt;
    return Fmt::number(*volts, 2) + QStringLiteral(" V");
}

std::optional<QString> amperageText(std::optional<double> amperes) {
    if (!amperes)
        return std::nullopt;
    return Fmt::number(*amperes, 2) + QStringLiteral(" A");
}

std::optional<QString> adapterText(std::optional<std::int64_t> watts) {
    if (!watts)
        return std::nullopt;
    return QString::fromStdString(numbers::integerText(*watts)) + QStringLiteral(" W");
}

} // namespace morvanex::ui::device
