#pragma once

#include "monitors/BatteryMonitor.h"
#include "ui/kit/DetailCell.h"
#include "ui/kit/Palette.h"

#include <QString>
#include <QWidget>
#include <optional>

namespace morvanex::ui {

// The health card's badge: a coloured dot and the label.
QWidget* healthBadge(const QString& word, Appearance appearance);

// One peripheral: a small tile with its symbol, its name, a bar and the percentage.
QWidget* peripheralRow(const BluetoothBattery& device, const QString& symbol,
                       Appearance appearance);

// The content of the details disclosure: the six cells and, with cell voltages, their line.
QWidget* batteryDetails(const BatteryMonitor& battery, const std::optional<QString>& temperature,
                        Appearance appearance);

// "3.812 · 3.815 · 3.811 V".
QString cellVoltagesText(const std::vector<double>& volts);

} // namespace morvanex::ui
