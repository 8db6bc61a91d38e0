#include "ui/settings/SettingsPanes.h"

#include "ui/settings/AboutPane.h"
#include "ui/settings/AgentsPane.h"
#include "ui/settings/GeneralPane.h"
#include "ui/settings/MenuBarPane.h"
#include "ui/settings/NotificationsPane.h"
#include "ui/settings/OverviewPane.h"
#include "ui/settings/SettingsForm.h"
#include "ui/settings/ShortcutsPane.h"
#include "ui/settings/WeatherPane.h"
#include "ui/settings/WorldClockPane.h"

#include <QLabel>
#include <QVBoxLayout>

namespace morvanex::ui {

const std::vector<PaneEntry>& settingsPanes() {
    static const std::vector<PaneEntry> panes = {
        {SettingsPane::general, QStringLiteral("General"), QStringLiteral("gearshape.fill"),
         Tint::gray,
         [](const SettingsEnv& env, QWidget* parent) -> QWidget* {
             return new GeneralPane(env.panel, env.general, parent);
         }},
        {SettingsPane::menuBar, QStringLiteral("Menu Bar"), QStringLiteral("menubar.rectangle"),
         Tint::blue,
         [](const SettingsEnv& env, QWidget* parent) -> QWidget* {
             return new MenuBarPane(env.panel, env.menuBarPreview, parent);
         }},
        {SettingsPane::overview, QStringLiteral("Overview"), QStringLiteral("square.grid.2x2.fill"),
         Tint::indigo,
         [](const SettingsEnv& env, QWidget* parent) -> QWidget* {
             return new OverviewPane(env.panel, parent);
         }},
        {SettingsPane::shortcuts, QStringLiteral("Shortcuts"), QStringLiteral("keyboard"),
         Tint::gray,
         [](const SettingsEnv& env, QWidget* parent) -> QWidget* {
             return new ShortcutsPane(env.panel, *env.hotKeys, parent);
         }},
        {SettingsPane::notifications, QStringLiteral("Notifications"),
         QStringLiteral("bell.badge.fill"), Tint::red,
         [](const SettingsEnv& env, QWidget* parent) -> QWidget* {
             return new NotificationsPane(env.panel, parent);
         }},
        {SettingsPane::weather, QStringLiteral("Weather"), QStringLiteral("cloud.sun.fill"),
         Tint::teal,
         [](const SettingsEnv& env, QWidget* parent) -> QWidget* {
             return new WeatherPane(env.panel, parent);
         }},
        {SettingsPane::time, QStringLiteral("World Clock"), QStringLiteral("globe"), Tint::orange,
         [](const SettingsEnv& env, QWidget* parent) -> QWidget* {
             return new WorldClockPane(env.panel, parent);
         }},
        {SettingsPane::agents, QStringLiteral("AI Agents"), QStringLiteral("sparkles"),
         Tint::purple,
         [](const SettingsEnv& env, QWidget* parent) -> QWidget* {
             return new AgentsPane(env.panel, parent);
         }},
        {SettingsPane::about, QStringLiteral("About"), QStringLiteral("info.circle.fill"),
         Tint::gray,
         [](const SettingsEnv& env, QWidget* parent) -> QWidget* {
             return new AboutPane(env.panel, parent);
         }},
    };
    return panes;
}

const PaneEntry& paneEntry(SettingsPane pane) {
    for (const PaneEntry& entry : settingsPanes()) {
        if (entry.pane == pane)
            return entry;
    }
    return settingsPanes().front();
}

} // namespace morvanex::ui
