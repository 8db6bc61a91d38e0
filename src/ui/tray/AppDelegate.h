#pragma once

#include "ui/settings/SettingsView.h"
#include "ui/tray/ApplicationPolicy.h"

#include <QObject>
#include <QPointer>
#include <functional>
#include <memory>

namespace morvanex {
class AppSettings;
class Hub;
} // namespace morvanex

namespace morvanex::ui {

class DropdownController;

class StatusItemController;

// The tray application's delegate: wires the application together at launch (appearance,
// notifications, hub, status items and their dropdowns, settings reactions, updater, hot keys),
// turns settings changes into actions afterwards, opens the settings window on request and
// tidies up at the end.
class AppDelegate : public QObject {
    Q_OBJECT
public:
    // Makes the hub on first use; tests pass one over their own sources.
    using MakeHub = std::function<std::unique_ptr<Hub>(AppSettings& settings)>;

    explicit AppDelegate(AppSettings& settings, MakeHub makeHub = {}, QObject* parent = nullptr);
    ~AppDelegate() override;

    // The launch sequence; once.
    void applicationDidFinishLaunching();
    // Another start of the application asked this one to show itself.
    void applicationShouldHandleReopen();
    // Flushes the history and lets keep-awake go quietly.
    void applicationWillTerminate();

    // Builds the settings window once, then brings it to the front.
    void showSettings();
    // The settings window on its "About" pane.
    void showAbout();

    // Made on first use.
    Hub& hub();
    StatusItemController* statusController() const { return statusController_.get(); }
    DropdownController* dropdown() const { return dropdown_.get(); }
    SettingsView* settingsWindow() const { return settingsWindow_; }
    ApplicationPolicy& policy() { return policy_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildSettingsWindow();
    void remakeSettingsWindow();

    AppSettings& settings_;
    MakeHub makeHub_;
    std::unique_ptr<Hub> hub_;
    std::unique_ptr<DropdownController> dropdown_;
    std::unique_ptr<StatusItemController> statusController_;
    QPointer<SettingsView> settingsWindow_;
    Appearance settingsAppearance_ = Appearance::light;
    ApplicationPolicy policy_;
    bool terminated_ = false;
};

} // namespace morvanex::ui
