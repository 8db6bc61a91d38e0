#pragma once

#include "platform/AutostartEntry.h"
#include "platform/UserDefaults.h"
#include "ui/kit/AppearanceMode.h"
#include "ui/kit/PanelEnv.h"

#include <QWidget>
#include <functional>
#include <optional>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace morvanex::ui {

class AppearancePicker;
class SwitchToggle;

// The whole application's settings: appearance, open at login, the interval, units, the graph
// history, the disks listed and the ping host. Every control writes at once.
class GeneralPane : public QWidget {
    Q_OBJECT
public:
    struct Sources {
        platform::UserDefaults defaults = platform::UserDefaults::standard();
        platform::AutostartEntry autostart = platform::AutostartEntry();
        // What a click on an appearance does after storing it.
        std::function<void(AppearanceMode)> applyAppearance = [](AppearanceMode m) { apply(m); };
        // Asks before the history is cleared.
        std::function<bool(QWidget* parent)> confirmClear = defaultConfirmClear;
    };

    GeneralPane(const PanelEnv& env, Sources sources, QWidget* parent = nullptr);
    GeneralPane(const PanelEnv& env, QWidget* parent = nullptr);

    static bool defaultConfirmClear(QWidget* parent);
    // The interval picker's choices: (label, seconds), in order.
    static const std::vector<std::pair<QString, double>>& intervalChoices();
    // The choice showing a stored interval, or nothing when it is none of them.
    static std::optional<int> intervalIndex(double seconds);

    SwitchToggle* loginToggle() const { return login_; }
    QLabel* loginErrorLabel() const { return loginError_; }
    QComboBox* intervalPicker() const { return interval_; }
    QComboBox* temperaturePicker() const { return temperature_; }
    QComboBox* bandwidthPicker() const { return bandwidth_; }
    QComboBox* windPicker() const { return wind_; }
    QLineEdit* pingField() const { return ping_; }
    SwitchToggle* networkDisksToggle() const { return networkDisks_; }
    SwitchToggle* removableDisksToggle() const { return removableDisks_; }
    QLabel* historySizeLabel() const { return historySize_; }
    QPushButton* clearHistoryButton() const { return clearHistory_; }

private:
    void loginChanged(bool on);
    void clearHistory();
    void refresh();
    void refreshHistorySize();

    PanelEnv env_;
    Sources sources_;
    bool correctingLogin_ = false;
    std::optional<std::int64_t> clearedSize_;
    SwitchToggle* login_ = nullptr;
    QLabel* loginError_ = nullptr;
    QComboBox* interval_ = nullptr;
    QComboBox* temperature_ = nullptr;
    QComboBox* bandwidth_ = nullptr;
    QComboBox* wind_ = nullptr;
    QLineEdit* ping_ = nullptr;
    SwitchToggle* networkDisks_ = nullptr;
    SwitchToggle* removableDisks_ = nullptr;
    QLabel* historySize_ = nullptr;
    QPushButton* clearHistory_ = nullptr;
};

} // namespace morvanex::ui
