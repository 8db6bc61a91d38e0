#pragma once

#include "base/SettingsEnums.h"
#include "monitors/BatteryMonitor.h"
#include "monitors/SensorMonitor.h"

#include <QString>
#include <QStringList>
#include <vector>

// The report's lines about sensors, fans and the battery.
namespace morvanex::dump {

// "Sensors  available=true ready=true count=42 cpuMax=61.3°": `controllerOpen` tells whether
// the controller connection is open; the temperature is shown in `unit`.
QString sensorsLine(bool controllerOpen, const SensorMonitor& sensors, TempUnit unit);

// For each group that has sensors, in group order: "  CPU      " and its first 8 sensors in
// list order as name[KEY]=61.3, then " … +N" for the ones left out.
QStringList sensorGroupLines(const std::vector<Sensor>& sensors);

// "  Fan 1  2400 rpm (min 1200, max 6000)" per fan, in order.
QStringList fanLines(const std::vector<Fan>& fans);

// "Battery  present=true 87% On battery remaining=3:05 cycles=212 health=91% temp=30.1 V=12.3
// A=-1.2 adapter=0W cells=[...] bt=[...]"; absent values print -, -1, 0.0 or 0.
QString batteryLine(const BatteryMonitor& battery);

} // namespace morvanex::dump
