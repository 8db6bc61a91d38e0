// An open panel follows every tick of the hub, so what it does on a tick is paid every 2 s for
// as long as the dropdown is open. Measures, in one run: the hub's sampling of this machine (the
// baseline every tick pays), then for each module's panel, open in the dropdown's frame at its
// width on the offscreen platform, what it adds to a tick: its reaction to the change the tick
// publishes, the layout and the repaint that asks for, and the deletion of what it replaced.
// Nothing is sent off the machine (ping to the loopback address, public-address and weather
// services pointed at a closed local port).
//
// Usage: panel_tick_bench [benchmark flags]
//        panel_tick_bench --share [SECONDS]   the share of one core the process takes over
//            SECONDS (60) of 2 s ticks, first with no panel open, then with the overview open.

#include "LocalSources.h"
#include "app/Hub.h"
#include "base/AppSettings.h"
#include "platform/UserDefaults.h"
#include "ui/tray/PanelContent.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <ctime>
#include <memory>

using namespace morvanex;

namespace {

// Runs what a tick left for the event loop: layout requests, repaints, deferred deletions.
void drain() {
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
}

std::unique_ptr<ui::PanelContent> openPanel(ModuleKind kind, ui::Appearance appearance) {
    ui::PanelEnv env;
    env.hub = bench::machine().hub.get();
    env.settings = &bench::machine().settings;
    env.appearance = appearance;
    auto panel = std::make_unique<ui::PanelContent>(kind, env);
    panel->setFixedWidth(ui::PanelContent::panelWidth);
    panel->resize(ui::PanelContent::panelWidth, panel->naturalHeight());
    panel->show();
    drain();
    return panel;
}

// The hub's sampling alone: what every tick costs whether a panel is open or not.
void BM_HubSampling(benchmark::State& state) {
    Hub& hub = *bench::machine().hub;
    for (auto _ : state) {
        hub.tick();
        drain();
    }
}
BENCHMARK(BM_HubSampling)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// What an open panel adds to a tick: the hub samples (untimed, its signals held back), then
// the panel follows the change the tick publishes, lays out, repaints and lets go of what it
// replaced.
void BM_PanelFollowsTick(benchmark::State& state) {
    const auto kind = ModuleKind(state.range(0));
    state.SetLabel(rawValue(kind).toStdString());
    Hub& hub = *bench::machine().hub;
    const auto panel = openPanel(kind, ui::Appearance::dark);
    for (auto _ : state) {
        state.PauseTiming();
        hub.blockSignals(true);
        hub.tick();
        hub.blockSignals(false);
        drain();
        state.ResumeTiming();
        emit hub.changed();
        drain();
    }
}

void panelArguments(benchmark::internal::Benchmark* b) {
    for (const ModuleKind kind : allCases<ModuleKind>())
        b->Arg(int(kind));
}
// A fixed count: a panel that costs little would otherwise run for many more untimed samplings.
BENCHMARK(BM_PanelFollowsTick)
    ->Apply(panelArguments)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(60);

double processSeconds() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) / 1e9;
}

// The share of one core (in per cent) the process takes over `seconds` of ticks every 2 s.
double share(int seconds) {
    Hub& hub = *bench::machine().hub;
    QTimer timer;
    timer.setInterval(2000);
    QObject::connect(&timer, &QTimer::timeout, &hub, &Hub::tick);
    QElapsedTimer wall;
    const double cpuStart = processSeconds();
    wall.start();
    timer.start();
    QTimer::singleShot(seconds * 1000, qApp, &QCoreApplication::quit);
    QCoreApplication::exec();
    return (processSeconds() - cpuStart) / (double(wall.nsecsElapsed()) / 1e9) * 100;
}

int runShare(int seconds) {
    const double idle = share(seconds);
    std::printf("no panel open:    %.2f %% of one core over %d s\n", idle, seconds);
    std::fflush(stdout);
    const auto panel = openPanel(ModuleKind::combined, ui::Appearance::dark);
    const double open = share(seconds);
    std::printf("overview open:    %.2f %% of one core over %d s\n", open, seconds);
    std::printf("the open overview: +%.2f %% of one core\n", open - idle);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc >= 2 && QByteArray(argv[1]) == "--share")
        return runShare(argc >= 3 ? QByteArray(argv[2]).toInt() : 60);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
