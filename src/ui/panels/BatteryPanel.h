#pragma once

#include "base/SettingsEnums.h"
#include "monitors/BatteryMonitor.h"
#include "monitors/ProcessMonitor.h"
#include "monitors/SensorMonitor.h"
#include "platform/PowerProfile.h"
#include "ui/kit/PanelEnv.h"
#include "ui/panels/SectionStack.h"

#include <QString>
#include <QWidget>
#include <functional>
#include <optional>
#include <vector>

namespace morvanex::ui {

class PanelDefaults;
class SegmentedPicker;

// The battery module's panel: the charge and state, a switch between the Battery tab (charge
// history, power, health and details, keeping awake, peripheral batteries) and the Apps tab
// (the processes that drain the battery most).
class BatteryPanel : public QWidget {
    Q_OBJECT
public:
    // Makes the keep-awake card placed in the Battery tab (none: the tab goes without it).
    using CardFactory = std::function<QWidget*(const PanelEnv& env, QWidget* parent)>;

    // `powerProfile` answers whether the machine saves power (none: power-profiles-daemon on
    // the system bus); renders never ask it.
    explicit BatteryPanel(PanelEnv env, PanelDefaults* defaults = nullptr,
                          platform::PowerProfileReader powerProfile = {},
                          CardFactory keepAwakeCard = {}, QWidget* parent = nullptr);

    // The header's subtitle: the state, and the time to full or to empty when known.
    static QString subtitle(const BatteryMonitor& battery);
    // "45 min", "2 h 5 min".
    static QString timeText(std::int64_t minutes);
    // The busiest processes among the first six by processor use, above 5 %.
    static std::vector<ProcessSample> significant(std::vector<ProcessSample> processes);
    // "Apps · 3", or "Apps" for none.
    static QString appsLabel(std::size_t count);
    // How long ago a full charge history begins: "100 min ago", "2 h ago".
    static QString historyStart(const BatteryMonitor& battery, double updateInterval);
    static QString deviceSymbol(const QString& name);
    // Maximum over design capacity in percent; nothing without both (design at least 1).
    static std::optional<double> health(const BatteryMonitor& battery);
    // The power source's own word, else one from the health percentage.
    static std::optional<QString> healthWord(const BatteryMonitor& battery);
    static QString badgeLabel(const QString& word);
    static Tint badgeTint(const QString& word);
    // "4,382 mAh" in the user's locale; nothing without a reading.
    static std::optional<QString> capacityText(std::optional<std::int64_t> mAh);
    // The battery's temperature, else the hottest battery-group sensor; nothing without either.
    static std::optional<QString> temperatureText(const BatteryMonitor& battery,
                                                  const SensorMonitor& sensors, TempUnit unit);
    struct Line {
        QString label;
        QString value;
        bool operator==(const Line&) const = default;
    };
    // The power card's rows.
    static std::vector<Line> powerLines(const BatteryMonitor& battery, const SensorMonitor& sensors,
                                        bool lowPowerMode);

    // The tab shown: a render's forced tab, else the switch's.
    int shownTab() const;
    // Whether the power profile says the machine saves power.
    bool lowPowerMode() const;
    SegmentedPicker* tabSwitch() const { return tabs_; }
    const SectionStack& sections() const { return sections_; }

    static const QString detailsKey;

private:
    using GraphCard = SectionStack::GraphCard;

    void build();
    void buildBatteryTab();
    void buildAppsTab(const std::vector<ProcessSample>& processes);
    void askPowerProfile();

    PanelEnv env_;
    PanelDefaults& defaults_;
    platform::PowerProfileReader powerProfile_;
    CardFactory keepAwakeCard_;
    SectionStack sections_;
    SegmentedPicker* tabs_ = nullptr;
    int tab_ = 0;
    std::optional<QString> profile_;
    bool asking_ = false;
    std::shared_ptr<int> alive_ = std::make_shared<int>(0); // watched by late answers
};

} // namespace morvanex::ui
