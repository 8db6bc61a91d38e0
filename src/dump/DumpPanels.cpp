#include "dump/DumpPanels.h"

#include "dump/KeepAwakeCheck.h"
#include "dump/PanelRenderFrame.h"
#include "dump/SampleData.h"
#include "dump/SyntheticHistory.h"

#include <QDBusConnection>

namespace morvanex::dump {
namespace {

const char* appearanceName(ui::Appearance appearance) {
    return appearance == ui::Appearance::dark ? "dark" : "light";
}

// A render is looked at, never clicked; should anything fire, it reaches nothing outside.
ui::ProcessActionHooks inertProcessActions() {
    ui::ProcessActionHooks hooks = ui::ProcessActionHooks::system();
    hooks.quit = [](std::int32_t) {};
    hooks.forceQuit = [](std::int32_t, const QString&) {};
    hooks.showInFinder = [](std::int32_t) {};
    hooks.openActivityMonitor = [] {};
    return hooks;
}

} // namespace

ui::PanelEnv renderEnv(Hub& hub, AppSettings& settings, const PanelRenderEntry& entry,
                       ui::Appearance appearance) {
    ui::PanelEnv env;
    env.hub = &hub;
    env.settings = &settings;
    env.previewOverrides = entry.overrides;
    env.previewOverrides.isPreview = true;
    env.appearance = appearance;
    env.processActions = inertProcessActions();
    env.openLink = [](platform::SystemLink) {};
    env.openURL = [](const QUrl&) {};
    return env;
}

void installSampleState(Hub& hub, SampleState state, const std::function<void(QString)>& print) {
    const QDateTime now = hub.clock.now();
    switch (state) {
    case SampleState::none:
        break;
    case SampleState::devices:
        installSampleDevices(hub);
        break;
    case SampleState::keepAwake:
        startSampleKeepAwake(hub, now);
        print(keepAwakeCheck(QDBusConnection::systemBus()));
        break;
    case SampleState::speedTest:
        installSampleSpeedTests(hub, now);
        break;
    case SampleState::insight:
        installSampleInsight(hub);
        break;
    case SampleState::events:
        installSampleEvents(hub, now);
        break;
    }
}

int writePanelRenders(Hub& hub, AppSettings& settings, RenderWriter& writer,
                      const PanelMaker& makePanel, const std::function<void(QString)>& print) {
    if (std::unique_ptr<HistoryStore> history = DebugDump::syntheticHistory())
        hub.history = std::move(history);
    // The process list is taken once: the insight installed later names the same process.
    const std::optional<Insight> insight = sampleInsight(hub.processes);
    const std::vector<PanelRenderEntry> list =
        panelRenderList(insight ? insight->pid : std::nullopt);

    int written = 0;
    for (const PanelRenderEntry& entry : list) {
        if (writer.stopped())
            break;
        installSampleState(hub, entry.install, print);
        for (const ui::Appearance appearance : {ui::Appearance::dark, ui::Appearance::light}) {
            if (writer.stopped())
                break;
            const QString name = QStringLiteral("panel-") + entry.name + u'-' +
                                 QString::fromLatin1(appearanceName(appearance)) +
                                 QStringLiteral(".png");
            QWidget* panel = makePanel(entry.kind, renderEnv(hub, settings, entry, appearance));
            const QImage image = renderPanelFrame(panel, appearance);
            if (writer.writePng(image, name))
                ++written;
        }
    }
    return written;
}

} // namespace morvanex::dump
