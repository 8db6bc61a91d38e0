#pragma once

#include "app/HotKeys.h"
#include "platform/AutostartEntry.h"
#include "platform/UserDefaults.h"
#include "ui/kit/MenuBarPreviewSource.h"
#include "ui/kit/PanelEnv.h"
#include "ui/settings/GeneralPane.h"
#include "ui/settings/SettingsPane.h"

#include <QString>
#include <QWidget>
#include <functional>
#include <vector>

namespace morvanex::ui {

// What the settings window hands its panes: the panel environment (hub, settings, appearance)
// and the few things only some panes use.
struct SettingsEnv {
    PanelEnv panel;
    HotKeyCenter* hotKeys = &HotKeyCenter::shared();
    // Draws the Menu Bar pane's preview items; nothing leaves the strip empty.
    MenuBarPreviewSource menuBarPreview;
    GeneralPane::Sources general;
};

// One pane of the sidebar: its title, symbol and tint, and how its view is made (anew on every
// selection).
struct PaneEntry {
    SettingsPane pane;
    QString title;
    QString symbol;
    Tint tint;
    std::function<QWidget*(const SettingsEnv& env, QWidget* parent)> make;
};

// Every pane in sidebar order.
const std::vector<PaneEntry>& settingsPanes();
const PaneEntry& paneEntry(SettingsPane pane);

} // namespace morvanex::ui
