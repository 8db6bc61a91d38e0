#include "dump/DumpServiceLines.h"

#include "base/Fmt.h"
#include "base/FuzzyClock.h"
#include "base/Units.h"
#include "dump/DumpValues.h"
#include "services/SunCalc.h"
#include "services/WeatherCode.h"

#include <QLocale>
#include <algorithm>

namespace morvanex::dump {
namespace {

QString deviceHealth(const std::optional<DeviceBattery>& battery) {
    if (!battery)
        return QStringLiteral("-");
    if (battery->reportedHealth)
        return Fmt::percent(double(*battery->reportedHealth));
    if (battery->maxCapacity && battery->designCapacity && *battery->designCapacity >= 1)
        return Fmt::percent(std::min(
            double(*battery->maxCapacity) / double(*battery->designCapacity) * 100, 100.0));
    return QStringLiteral("-");
}

QString optionalInteger(const std::optional<std::int64_t>& value) {
    return value ? integer(*value) : QStringLiteral("-");
}

// The default text of a date: UTC, "2025-01-13 22:00:00 +0000".
QString utcDateText(const QDateTime& date) {
    return QLocale::c().toString(date.toUTC(), QStringLiteral("yyyy-MM-dd HH:mm:ss")) +
           QStringLiteral(" +0000");
}

} // namespace

QString hotKeysLine(const std::set<QString>& refused) {
    return tag(u"HotKeys") + QStringLiteral("refused: ") +
           textList(QStringList(refused.begin(), refused.end()));
}

QString insightLine(const Insight& insight) {
    return tag(u"Insight") + insight.text + QStringLiteral(" [") + rawValue(insight.kind) +
           QLatin1Char(']');
}

QString deviceDescription(const ConnectedDevice& device) {
    const QString system = device.deviceClass == QStringLiteral("iPad") ? QStringLiteral("iPadOS")
                                                                        : QStringLiteral("iOS");
    const QString charging = device.isCharging ? yesNo(*device.isCharging) : QStringLiteral("-");
    const QString free =
        device.storageFree ? Fmt::bytes(double(*device.storageFree), 1000) : QStringLiteral("-");
    const QString connection = device.connection == ConnectedDevice::Connection::usb
                                   ? QStringLiteral("usb")
                                   : QStringLiteral("wifi");
    const std::optional<std::int64_t> cycles =
        device.battery ? device.battery->cycleCount : std::nullopt;
    return device.displayName() + QStringLiteral(" [") + orDash(device.modelName()) +
           QStringLiteral("] ") + system + QLatin1Char(' ') + orDash(device.osVersion) +
           QStringLiteral(" battery=") + optionalInteger(device.batteryLevel) +
           QStringLiteral(" charging=") + charging + QStringLiteral(" free=") + free +
           QStringLiteral(" trusted=") + yesNo(device.trusted) + QLatin1Char(' ') + connection +
           QStringLiteral(" health=") + deviceHealth(device.battery) + QStringLiteral(" cycles=") +
           optionalInteger(cycles);
}

QString devicesLine(bool libraryLoaded, const std::vector<ConnectedDevice>& devices) {
    QStringList descriptions;
    for (const ConnectedDevice& device : devices)
        descriptions.append(deviceDescription(device));
    return tag(u"Devices") + QStringLiteral("available=") + yesNo(libraryLoaded) +
           QLatin1Char(' ') + textList(descriptions);
}

QString weatherLine(const WeatherState& weather, TempUnit unit) {
    if (!weather.report)
        return tag(u"Weather") + QStringLiteral("loading=") + yesNo(weather.isLoading) +
               QStringLiteral(" error=") + orDash(weather.lastError);
    const WeatherReport& report = *weather.report;
    return tag(u"Weather") + report.location.name + QStringLiteral(": ") +
           format(unit, report.current.temperature, 0) + QLatin1Char(' ') +
           WeatherCode::description(report.current.code) + QStringLiteral(" feels ") +
           format(unit, report.current.apparent, 0) + QStringLiteral(" days=") +
           integer(std::int64_t(report.days.size())) + QStringLiteral(" dew=") +
           realOrNan(report.current.dewPoint) + QStringLiteral(" uv=") +
           realOrNan(report.current.uvIndex);
}

QString astronomyLine(const AstronomyMonitor::Snapshot& snapshot, const QTimeZone& zone) {
    const QString nextFull = snapshot.nextFullMoon && snapshot.nextFullMoon->isValid()
                                 ? utcDateText(*snapshot.nextFullMoon)
                                 : QStringLiteral("-");
    return tag(u"Astro") + QStringLiteral("sunrise ") +
           Fmt::time(snapshot.sun[QStringLiteral("sunrise")], zone) + QStringLiteral(" sunset ") +
           Fmt::time(snapshot.sun[QStringLiteral("sunset")], zone) + QStringLiteral(" noon ") +
           Fmt::time(snapshot.sun.solarNoon, zone) + QStringLiteral(" moon ") +
           SunCalc::phaseName(snapshot.moonPhase) + QLatin1Char(' ') +
           Fmt::percent(snapshot.moonFraction * 100) + QStringLiteral(" rise ") +
           Fmt::time(snapshot.moonrise, zone) + QStringLiteral(" set ") +
           Fmt::time(snapshot.moonset, zone) + QStringLiteral(" nextFull ") + nextFull;
}

QString fuzzyLine(const QDateTime& now) {
    return tag(u"Fuzzy") + FuzzyClock::string(now);
}

QStringList ruleLines(const std::vector<Rule>& rules,
                      const std::function<std::optional<double>(RuleMetric)>& value) {
    QStringList lines;
    for (const Rule& rule : rules) {
        const std::optional<double> current = value(rule.metric);
        lines.append(tag(u"Rule") + title(rule.metric) + QStringLiteral(" = ") +
                     (current ? fixed(*current, 1) : QStringLiteral("n/a")));
    }
    return lines;
}

} // namespace morvanex::dump
