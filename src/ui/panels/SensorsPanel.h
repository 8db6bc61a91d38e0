#pragma once

#include "base/SettingsEnums.h"
#include "monitors/SensorMonitor.h"
#include "ui/kit/PanelEnv.h"
#include "ui/panels/SectionStack.h"

#include <QString>
#include <QWidget>
#include <optional>
#include <vector>

class QScrollArea;

namespace morvanex::ui {

class PanelDefaults;
class SegmentedPicker;

// The sensors module's panel: the hottest sensor and the menu bar's temperature, the detail
// level, then the controller message, the discovery indicator, or the simple or detailed view.
class SensorsPanel : public QWidget {
    Q_OBJECT
public:
    explicit SensorsPanel(PanelEnv env, PanelDefaults* defaults = nullptr,
                          QWidget* parent = nullptr);

    // What stands under the picker.
    enum class Content { notAccessible, discovering, simple, detailed };
    static Content content(bool controllerOpen, bool ready, SensorMode mode);

    // The temperature sensor with the highest value, the first of equal values.
    static std::optional<Sensor> hottest(const std::vector<Sensor>& sensors);
    // The configured sensor when the monitor has it, else the hottest CPU temperature.
    static std::optional<Sensor> menubarSensor(const SensorMonitor& monitor,
                                               const std::optional<QString>& key);
    // The name, with " current" or " voltage" after currents and voltages.
    static QString label(const Sensor& sensor);
    // The current value: a temperature in the unit, others with "V", "A" or "W".
    static QString value(const Sensor& sensor, TempUnit unit, int decimals);
    // Order of the power card: power first ("PSTR" before the rest), then voltages, currents,
    // temperatures.
    static int powerRank(const Sensor& sensor);
    // The power group's sensors in that order (equal ranks keep the monitor's order).
    static std::vector<Sensor> powerRows(const std::vector<Sensor>& sensors);
    // A fan's place between its minimum and maximum, 0...1; 0 without a range.
    static double fanFraction(const Fan& fan);
    // "1,234 rpm"; "—" for a speed that cannot be shown.
    static QString rpmText(double rpm);
    // "1,200 – 6,000".
    static QString fanRange(const Fan& fan);
    // The groups of the temperatures card, in order.
    static const std::vector<SensorGroup>& summaryGroups();
    // The caption under the detailed list.
    static const QString detailCaption;
    static const QString notAccessibleText;

    SensorMode effectiveMode() const;
    SegmentedPicker* picker() const { return picker_; }
    const SectionStack& sections() const { return sections_; }
    QScrollArea* detailScroll() const { return scroll_; }

private:
    using GraphCard = SectionStack::GraphCard;

    void build();
    void buildSimple(TempUnit unit);
    void buildDetailed(TempUnit unit);
    void showInMenuBar(const QString& key);

    PanelEnv env_;
    PanelDefaults& defaults_;
    SectionStack sections_;
    SegmentedPicker* picker_ = nullptr;
    QScrollArea* scroll_ = nullptr;
    int scrollValue_ = 0; // kept across rebuilds
};

} // namespace morvanex::ui
