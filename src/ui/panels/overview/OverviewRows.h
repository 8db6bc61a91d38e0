#pragma once

#include "app/InsightEngine.h"
#include "base/SettingsEnums.h"
#include "services/ConnectedDevice.h"
#include "ui/kit/PanelEnv.h"
#include "ui/panels/overview/OverviewRowTexts.h"

#include <QDateTime>
#include <QStringList>
#include <QWidget>
#include <functional>

namespace morvanex::ui {
class SymbolIcon;
class TextLine;
class TileBackground;
} // namespace morvanex::ui

// The overview's full-width rows, each one line of content in the tile frame.
namespace morvanex::ui::overview {

// The current insight: its symbol, its text over up to three lines, and a chevron when it
// leads to a module. Only then does a tap run `action`.
class InsightRow : public QWidget {
    Q_OBJECT
public:
    InsightRow(const Insight& insight, std::function<void()> action, Appearance appearance,
               QWidget* parent = nullptr);

    TileBackground* background() const { return background_; }
    SymbolIcon* symbol() const { return symbol_; }
    QWidget* text() const { return text_; }
    SymbolIcon* chevron() const { return chevron_; } // null without a module

    static constexpr int maximumLines = 3;

private:
    TileBackground* background_ = nullptr;
    SymbolIcon* symbol_ = nullptr;
    QWidget* text_ = nullptr;
    SymbolIcon* chevron_ = nullptr;
};

// One connected phone or tablet: its icon, name and grey details, and its battery level.
// A tap opens the device's own panel through `openDevice` when the shell offers it.
class DeviceRow : public QWidget {
    Q_OBJECT
public:
    DeviceRow(const ConnectedDevice& device, const OpenDeviceAction& openDevice,
              Appearance appearance, QWidget* parent = nullptr);

    TileBackground* background() const { return background_; }
    TextLine* nameLine() const { return name_; }
    std::vector<TextLine*> detailLines() const { return details_; }
    SymbolIcon* batterySymbol() const { return battery_; } // null without a battery level
    TextLine* batteryLine() const { return level_; }       // null without a battery level

private:
    TileBackground* background_ = nullptr;
    TextLine* name_ = nullptr;
    std::vector<TextLine*> details_;
    SymbolIcon* battery_ = nullptr;
    TextLine* level_ = nullptr;
};

// The weather where the user is: sky symbol, place and temperature, then the day's high and
// low and sunset; a grey placeholder line while there is no report.
class WeatherRow : public QWidget {
    Q_OBJECT
public:
    WeatherRow(const WeatherRowState& state, TempUnit unit, std::function<void()> action,
               Appearance appearance, QWidget* parent = nullptr);

    TileBackground* background() const { return background_; }
    QString symbolName() const { return symbolName_; }
    TextLine* headlineLine() const { return headline_; }
    TextLine* detailLine() const { return detail_; } // null without a report

private:
    TileBackground* background_ = nullptr;
    QString symbolName_;
    TextLine* headline_ = nullptr;
    TextLine* detail_ = nullptr;
};

// Up to three world clocks side by side, all at the same instant.
class WorldClocksRow : public QWidget {
    Q_OBJECT
public:
    WorldClocksRow(const QStringList& clocks, const QDateTime& now, std::function<void()> action,
                   Appearance appearance, QWidget* parent = nullptr);

    TileBackground* background() const { return background_; }
    const std::vector<WorldClockColumn>& columns() const { return columns_; }

private:
    TileBackground* background_ = nullptr;
    std::vector<WorldClockColumn> columns_;
};

} // namespace morvanex::ui::overview
