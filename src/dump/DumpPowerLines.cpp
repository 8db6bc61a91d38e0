#include "dump/DumpPowerLines.h"

#include "base/Fmt.h"
#include "base/Units.h"
#include "dump/DumpValues.h"

namespace morvanex::dump {
namespace {

constexpr qsizetype groupWordWidth = 8;
constexpr qsizetype sensorsPerGroupLine = 8;

// printf's "%d:%02d" of whole hours and the minutes left.
QString hoursAndMinutes(std::int64_t minutes) {
    const std::int64_t rest = minutes % 60;
    QString restText = integer(rest);
    if (rest >= 0 && rest < 10)
        restText.prepend(QLatin1Char('0'));
    return integer(minutes / 60) + QLatin1Char(':') + restText;
}

QString health(const BatteryMonitor& battery) {
    if (!battery.maxCapacity || !battery.designCapacity || *battery.designCapacity < 1)
        return QStringLiteral("-");
    return Fmt::percent(double(*battery.maxCapacity) / double(*battery.designCapacity) * 100);
}

} // namespace

QString sensorsLine(bool controllerOpen, const SensorMonitor& sensors, TempUnit unit) {
    return tag(u"Sensors") + QStringLiteral("available=") + yesNo(controllerOpen) +
           QStringLiteral(" ready=") + yesNo(sensors.isReady) + QStringLiteral(" count=") +
           integer(std::int64_t(sensors.sensors.size())) + QStringLiteral(" cpuMax=") +
           format(unit, sensors.cpuTemperature(), 1);
}

QStringList sensorGroupLines(const std::vector<Sensor>& sensors) {
    QStringList lines;
    for (const SensorGroup group : allCases<SensorGroup>()) {
        QStringList entries;
        qsizetype count = 0;
        for (const Sensor& sensor : sensors) {
            if (sensor.group != group)
                continue;
            if (++count <= sensorsPerGroupLine)
                entries.append(sensor.name + QLatin1Char('[') + sensor.key + QStringLiteral("]=") +
                               fixed(sensor.value, 1));
        }
        if (count == 0)
            continue;
        QString line = QStringLiteral("  ") +
                       rawValue(group).leftJustified(groupWordWidth, QLatin1Char(' '), true) +
                       QLatin1Char(' ') + entries.join(QStringLiteral(", "));
        if (count > sensorsPerGroupLine)
            line += QStringLiteral(" … +") + integer(count - sensorsPerGroupLine);
        lines.append(line);
    }
    return lines;
}

QStringList fanLines(const std::vector<Fan>& fans) {
    QStringList lines;
    for (const Fan& fan : fans) {
        lines.append(QStringLiteral("  Fan ") + integer(std::int64_t(fan.index) + 1) +
                     QStringLiteral("  ") + whole(fan.rpm) + QStringLiteral(" rpm (min ") +
                     whole(fan.minimum) + QStringLiteral(", max ") + whole(fan.maximum) +
                     QLatin1Char(')'));
    }
    return lines;
}

QString batteryLine(const BatteryMonitor& battery) {
    const QString remaining =
        battery.minutesRemaining ? hoursAndMinutes(*battery.minutesRemaining) : QStringLiteral("-");
    const QString temperature =
        battery.temperature ? Fmt::number(*battery.temperature, 1) : QStringLiteral("-");
    QStringList peripherals;
    for (const BluetoothBattery& peripheral : battery.bluetooth)
        peripherals.append(peripheral.name + QLatin1Char(' ') + integer(peripheral.percent) +
                           QLatin1Char('%'));
    return tag(u"Battery") + QStringLiteral("present=") + yesNo(battery.present) +
           QLatin1Char(' ') + Fmt::percent(battery.percent) + QLatin1Char(' ') +
           battery.stateDescription() + QStringLiteral(" remaining=") + remaining +
           QStringLiteral(" cycles=") + integer(battery.cycleCount.value_or(-1)) +
           QStringLiteral(" health=") + health(battery) + QStringLiteral(" temp=") + temperature +
           QStringLiteral(" V=") + real(battery.voltage.value_or(0.0)) + QStringLiteral(" A=") +
           real(battery.amperage.value_or(0.0)) + QStringLiteral(" adapter=") +
           integer(battery.adapterWatts.value_or(0)) + QStringLiteral("W cells=") +
           numberList(battery.cellVoltages) + QStringLiteral(" bt=") + textList(peripherals);
}

} // namespace morvanex::dump
