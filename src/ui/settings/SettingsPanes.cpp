#include "ui/settings/SettingsPanes.h"

#include "ui/settings/GeneralPane.h"
#include "ui/settings/MenuBarPane.h"
#include "ui/settings/SettingsForm.h"
#include "ui/settings/ShortcutsPane.h"

#include <QLabel>
#include <QVBoxLayout>

namespace morvanex::ui {
namespace {

// Stands in for a pane whose view this build does not have yet.
QWidget* placeholder(const SettingsEnv& env, QWidget* parent, const QString& title) {
    auto* form = new SettingsForm(env.panel.appearance, parent);
    FormSection* section = form->addSection(title);
    section->addRow(formLabel(QStringLiteral("Not available in this build."), 13,
                              Tint::secondaryText, env.panel.appearance));
    form->finish();
    return form;
}

} // namespace

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
         [](const SettingsEnv& env, QWidget* parent) {
             return placeholder(env, parent, QStringLiteral("Overview"));
         }},
        {SettingsPane::shortcuts, QStringLiteral("Shortcuts"), QStringLiteral("command"),
         Tint::gray,
         [](const SettingsEnv& env, QWidget* parent) -> QWidget* {
             return new ShortcutsPane(env.panel, *env.hotKeys, parent);
         }},
        {SettingsPane::notifications, QStringLiteral("Notifications"),
         QStringLiteral("bell.badge.fill"), Tint::red,
         [](const SettingsEnv& env, QWidget* parent) {
             return placeholder(env, parent, QStringLiteral("Notifications"));
         }},
        {SettingsPane::weather, QStringLiteral("Weather"), QStringLiteral("cloud.sun.fill"),
         Tint::teal,
         [](const SettingsEnv& env, QWidget* parent) {
             return placeholder(env, parent, QStringLiteral("Weather"));
         }},
        {SettingsPane::time, QStringLiteral("World Clock"), QStringLiteral("globe"), Tint::orange,
         [](const SettingsEnv& env, QWidget* parent) {
             return placeholder(env, parent, QStringLiteral("World Clock"));
         }},
        {SettingsPane::agents, QStringLiteral("AI Agents"), QStringLiteral("sparkles"),
         Tint::purple,
         [](const SettingsEnv& env, QWidget* parent) {
             return placeholder(env, parent, QStringLiteral("AI Agents"));
         }},
        {SettingsPane::about, QStringLiteral("About"), QStringLiteral("info.circle.fill"),
         Tint::gray,
         [](const SettingsEnv& env, QWidget* parent) {
             return placeholder(env, parent, QStringLiteral("About"));
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
