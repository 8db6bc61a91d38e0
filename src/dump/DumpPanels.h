#pragma once

#include "app/Hub.h"
#include "base/AppSettings.h"
#include "dump/PanelRenderList.h"
#include "dump/RenderWriter.h"
#include "ui/kit/PanelEnv.h"

#include <QString>
#include <QWidget>
#include <functional>

// The dropdown panel renders of the --dump mode.
namespace morvanex::dump {

// Makes the panel a render shows (the panel shell with its back row and footer).
using PanelMaker = std::function<QWidget*(ModuleKind kind, const ui::PanelEnv& env)>;

// The environment a render hands its panel: the hub and settings, the entry's overrides marked
// as a preview, the appearance, and actions that do nothing.
ui::PanelEnv renderEnv(Hub& hub, AppSettings& settings, const PanelRenderEntry& entry,
                       ui::Appearance appearance);

// Writes one entry's sample data into the hub; `print` receives the keep-awake check's line.
void installSampleState(Hub& hub, SampleState state, const std::function<void(QString)>& print);

// Makes the synthetic history the hub's, builds the render list (the last entry marks the
// process the sample insight names) and writes "panel-<name>-<dark|light>.png" for each entry,
// installing each entry's sample data first, until the writer stops. Returns the files written.
int writePanelRenders(Hub& hub, AppSettings& settings, RenderWriter& writer,
                      const PanelMaker& makePanel, const std::function<void(QString)>& print);

} // namespace morvanex::dump
