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
#include "dump/RenderWriter.h"
#include "monitors/SMC.h"
#include "platform/QuitOnSignals.h"
#include "ui/kit/PanelDefaults.h"
#include "ui/tray/PanelContent.h"

#include <QApplication>
#include <QEventLoop>
#include <QTimer>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>

namespace morvanex::DebugDump {
namespace {

using namespace std::chrono_literals;

constexpr int warmUpTicks = 4;
constexpr auto warmUpWait = 1500ms;
// Every condition the insight engine began tracking during the warm-up counts as held longer
// than any of its sustain thresholds.
constexpr qint64 insightLookAheadSeconds = 180;

// The reason the report could not be written to standard output, once a write failed; nothing
// more is written then.
std::optional<int> outputError;

void printBytes(const QByteArray& bytes) {
    if (outputError)
        return;
    errno = 0;
    if (std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), stdout) !=
            std::size_t(bytes.size()) ||
        std::fflush(stdout) != 0)
        outputError = errno != 0 ? errno : EIO;
}

void printLine(const QString& line) {
    printBytes(dump::lineBytes(line));
}

void printError(const QByteArray& line) {
    std::fwrite(line.constData(), 1, std::size_t(line.size()), stderr);
    std::fflush(stderr);
}

QByteArray reasonBytes(const QString& reason) {
    return dump::lineBytes(reason + QLatin1Char('.'));
}

// Runs the main event loop for `duration`, so background results are applied meanwhile.
void runMainLoop(std::chrono::milliseconds duration) {
    QEventLoop loop;
    QTimer::singleShot(duration, &loop, &QEventLoop::quit);
    loop.exec();
}

// The renders into `directory`. False when a render is missing; an interrupted
// run ends the process by its signal once the stored pane is back.
bool writeRenders(Hub& hub, AppSettings& settings, const Config& config,
                  const QByteArray& directory) {
    dump::RenderWriter writer(directory);
    if (!writer.folderError().isEmpty()) {
        printError(QByteArrayLiteral("Morvanex: cannot write the renders into ") +
                   dump::pathBytes(writer.path()) + QByteArrayLiteral(": ") +
                   reasonBytes(writer.folderError()));
        return false;
    }
    dump::writeMenuBarRenders(hub, config, writer);
    dump::writePanelRenders(
        hub, settings, writer,
        [](ModuleKind kind, const ui::PanelEnv& env) { return new ui::PanelContent(kind, env); },
        printLine);
    {
        // The settings renders change the stored pane: until it is back, SIGTERM and SIGINT
        // end the renders instead of the process, which then ends by the signal it was sent.
        platform::QuitOnSignals interruption([&writer] { writer.stop(); });
        ui::PanelDefaults& defaults = ui::PanelDefaults::shared();
        dump::StoredSettingsPane storedPane(defaults);
        dump::writeSettingsRenders(hub, settings, defaults, writer);
        hub.keepAwake.stop(true);
        storedPane.restore();
    }
    if (const int signal = platform::QuitOnSignals::lastCaught())
        platform::QuitOnSignals::endBy(signal);
    if (writer.failed())
        return false;
    printBytes(QByteArrayLiteral("Wrote menu bar and panel renders to ") +
               dump::pathBytes(writer.path()) + '\n');
    return true;
}

} // namespace

bool run(const std::optional<QByteArray>& outputDirectory) {
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

    const bool rendered = !outputDirectory || writeRenders(hub, settings, config, *outputDirectory);
    if (outputError) {
        printError(QByteArrayLiteral("Morvanex: could not write the report to standard output: ") +
                   reasonBytes(QString::fromLocal8Bit(std::strerror(*outputError))));
        return false;
    }
    return rendered;
}

int launch(int& argc, char** argv, const std::optional<QByteArray>& outputDirectory) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    return run(outputDirectory) ? 0 : 1;
}

} // namespace morvanex::DebugDump
