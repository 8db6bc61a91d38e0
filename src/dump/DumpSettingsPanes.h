#pragma once

#include "app/Hub.h"
#include "base/AppSettings.h"
#include "dump/RenderWriter.h"
#include "ui/kit/PanelDefaults.h"

#include <QString>
#include <QVariant>
#include <chrono>

// The settings window's panes as the --dump mode pictures them: each pane, dark and light, in a
// window that is never put on screen.
namespace morvanex::dump {

// The pane the settings window opens on ("settings.pane"), remembered as it was and put back:
// a stored value is stored again as it was, an absent key is removed again.
class StoredSettingsPane {
public:
    explicit StoredSettingsPane(ui::PanelDefaults& defaults);
    void restore();

private:
    ui::PanelDefaults& defaults_;
    std::optional<QVariant> remembered_;
};

// For each pane in sidebar order: stores its name under "settings.pane", then for dark and
// light builds the settings view 840 × 580 in an unshown window, runs the event loop for
// `settle` so its first updates land, and writes "settings-<pane>-<dark|light>.png" at scale 2
// through `writer`, until the writer stops. Leaves "settings.pane" naming the last pane stored.
// Returns the files written.
int writeSettingsRenders(Hub& hub, AppSettings& settings, ui::PanelDefaults& defaults,
                         RenderWriter& writer,
                         std::chrono::milliseconds settle = std::chrono::milliseconds(400));

} // namespace morvanex::dump
