#include "dump/DebugDump.h"

#include "app/HotKeys.h"
#include "app/Hub.h"
#include "app/InsightEngine.h"
#include "base/AppSettings.h"
#include "dump/DumpMenuBar.h"
#include "dump/DumpPanelSize.h"
#include "dump/DumpPanels.h"
#include "dump/DumpReport.h"
#include "dump/DumpSettingsPanes.h"
#include "dump/DumpValues.h"
#include "monitors/SMC.h"
#include "ui/kit/PanelDefaults.h"
#include "ui/tray/PanelContent.h"

#include <QApplication>
#include <QEventLoop>
#include <QTimer>
#include <chrono>
#include <cstdio>

namespace morvanex::DebugDump {
namespace {

using namespace std::chrono_literals;

constexpr int warmUpTicks = 4;
constexpr auto warmUpWait = 1500ms;
// Every condition the insight engine began tracking during the warm-up counts as held longer
// than any of its sustain thresholds.
constexpr qint64 insightLookAheadSeconds = 180;

void printLine(const QString& line) {
    const QByteArray bytes = dump::lineBytes(line);
    std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), stdout);
    std::fflush(stdout);
}

// Runs the main event loop for `duration`, so background results are applied meanwhile.
void runMainLoop(std::chrono::milliseconds duration) {
    QEventLoop loop;
    QTimer::singleShot(duration, &loop, &QEventLoop::quit);
    loop.exec();
}

} // namespace

void run(const std::optional<QString>& outputDirectory) {
    AppSettings& settings = AppSettings::shared();
    Hub hub(settings);
    hub.sensors.start();
    hub.devices.start();
    const Config config = settings.config();
    hub.weather.refreshIfNeeded(config.weatherLocation, true);
    for (int i = 0; i < warmUpTicks; ++i) {
        hub.tick();
        runMainLoop(warmUpWait);
    }

    printLine(dump::hotKeyProbe(HotKeyCenter::shared()));
    hub.insights().evaluate(hub.clock.now().addSecs(insightLookAheadSeconds));
    for (const QString& line : dump::reportLines(hub, config, hub.smc().isOpen(), hub.clock.now()))
        printLine(line);

    for (const QString& line : dump::panelSizeLines(hub, settings))
        printLine(line);
    for (const QString& line : dump::menuBarWidthLines())
        printLine(line);

    if (outputDirectory) {
        const QString folder = dump::prepareOutputDirectory(*outputDirectory);
        dump::writeMenuBarRenders(hub, config, folder);
        dump::writePanelRenders(
            hub, settings, folder,
            [](ModuleKind kind, const ui::PanelEnv& env) {
                return new ui::PanelContent(kind, env);
            },
            printLine);
        ui::PanelDefaults& defaults = ui::PanelDefaults::shared();
        dump::StoredSettingsPane storedPane(defaults);
        dump::writeSettingsRenders(hub, settings, defaults, folder);
        hub.keepAwake.stop(true);
        storedPane.restore();
        printLine(QStringLiteral("Wrote menu bar and panel renders to ") + folder);
    }
}

int launch(int& argc, char** argv, const std::optional<QString>& outputDirectory) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    run(outputDirectory);
    return 0;
}

} // namespace morvanex::DebugDump
