#pragma once

#include "base/SettingsEnums.h"
#include "monitors/SensorMonitor.h"
#include "ui/kit/Palette.h"

#include <QString>
#include <QStringList>
#include <QTimer>
#include <QWidget>
#include <functional>

class QLabel;

namespace morvanex::ui {

class TemperatureBar;

// One temperature group: its name, a bar from 0 to 110 °C whose fill follows the hottest
// reading and whose marker sits at the average, and "avg / max" in the user's unit.
class TemperatureRow : public QWidget {
    Q_OBJECT
public:
    TemperatureRow(const QString& label, double average, double maximum, TempUnit unit,
                   Appearance appearance, QWidget* parent = nullptr);

    // Where a Celsius value sits on a bar `width` wide: its share of 110 °C, clamped.
    static double position(double celsius, double width);
    // The fill's colour for the hottest reading, in degrees Celsius whatever the unit shown.
    static Tint fillTint(double maximum);
    // "48° / 61°" (average, then maximum, no decimals).
    static QString valuesText(double average, double maximum, TempUnit unit);

    QString label() const { return label_; }
    // Shows new readings in place.
    void setValues(double average, double maximum, TempUnit unit);

private:
    QString label_;
    Appearance appearance_;
    TemperatureBar* bar_ = nullptr;
    QLabel* values_ = nullptr;
};

// The bar of a temperature row.
class TemperatureBar : public QWidget {
public:
    TemperatureBar(double average, double maximum, Appearance appearance, QWidget* parent);
    void setValues(double average, double maximum);
    QSize sizeHint() const override { return {60, 10}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    double average_;
    double maximum_;
    Appearance appearance_;
};

// One sensor of the detailed list: its label (with a menu-bar mark when it is the menu bar's
// sensor), its key and its value. A temperature's row offers "Show in Menu Bar" on a
// secondary click.
class DetailedSensorRow : public QWidget {
    Q_OBJECT
public:
    DetailedSensorRow(const Sensor& sensor, const QString& label, const QString& value,
                      bool inMenuBar, std::function<void()> showInMenuBar, Appearance appearance,
                      QWidget* parent = nullptr);

    // The items of a row's secondary-click menu for a sensor of `kind`.
    static QStringList menuTitles(SensorKind kind);

    const Sensor& sensor() const { return sensor_; }
    bool inMenuBar() const { return inMenuBar_; }
    // What the menu's one item runs.
    void showInMenuBar() const { showInMenuBar_(); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    Sensor sensor_;
    bool inMenuBar_;
    std::function<void()> showInMenuBar_;
    Appearance appearance_;
};

// A small turning ring that shows work under way.
class BusyIndicator : public QWidget {
public:
    explicit BusyIndicator(Appearance appearance, QWidget* parent = nullptr);
    QSize sizeHint() const override { return {16, 16}; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    Appearance appearance_;
    QTimer timer_;
    int angle_ = 0;
};

} // namespace morvanex::ui
