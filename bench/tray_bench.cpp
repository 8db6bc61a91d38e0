// What the tray adds to each tick. Measures, in one run, on this machine's readings with the
// default modules, the two ticks taken in turns (trayAndHeadlessTicks):
// - the tray tick: one tick of a hub started for the tray application (history recorded, rules
//   evaluated) followed by the status items' refresh, which builds every item's image, draws it
//   at 1× and 2× and publishes what changed over D-Bus (the items live on a private bus of this
//   program's own, registered with the test watcher), then the events that delivers;
// - the headless tick: one tick of a hub started headless, as the agent server runs it, then
//   the events it brings;
// and, apart, the refresh alone on unchanged readings (itemsRefresh: what the items cost by
// themselves).
// Goal: a tray tick costs at most 1.5 times a headless one.
//
// Nothing leaves the machine: the ping goes to the loopback address and the public-address
// and weather services point at a closed local port. The bus daemon is started and ended by
// this program, by its pid.
//
// Usage: tray_bench [benchmark flags]

#include "LocalSources.h"
#include "app/Hub.h"
#include "base/AppSettings.h"
#include "base/Numbers.h"
#include "platform/UserDefaults.h"
#include "support/PrivateBus.h"
#include "support/SniWatcher.h"
#include "ui/tray/StatusItemController.h"

#include <QApplication>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <chrono>
#include <iostream>
#include <map>
#include <memory>
#include <string>

using namespace morvanex;

namespace {

constexpr double goal = 1.5;

// A hub over this machine started in `mode`, ticking only when told: its timer is set to the
// longest interval.
struct Machine {
    AppSettings settings{platform::UserDefaults::inMemory()};
    std::unique_ptr<Hub> hub;

    Machine(Hub::Mode mode, const QString& historyFile) {
        bench::pingLoopback(settings);
        settings.update([](Config& c) { c.updateInterval = 86400; });
        hub = std::make_unique<Hub>(settings, platform::Clock::system(),
                                    bench::localSources(historyFile));
        hub->start(mode);
    }
};

struct Scene {
    QTemporaryDir folder;
    test::PrivateBus bus;
    std::unique_ptr<test::SniWatcher> watcher;
    std::unique_ptr<Machine> tray;
    std::unique_ptr<ui::StatusItemController> items;
    std::unique_ptr<Machine> headless;

    Scene() {
        const QString history = folder.filePath(QStringLiteral("history.sqlite"));
        watcher =
            std::make_unique<test::SniWatcher>(bus.connect(QStringLiteral("tray-bench-watcher")));
        if (bus.address().isEmpty() || !watcher->start())
            std::cerr << "no private bus with a watcher: the items fall back to tray icons\n";
        tray = std::make_unique<Machine>(Hub::Mode::application, history);
        items = std::make_unique<ui::StatusItemController>(*tray->hub, tray->settings,
                                                           ui::DropdownHooks{});
        items->busAddress = bus.address();
        items->rebuild();
        headless = std::make_unique<Machine>(Hub::Mode::headless, history);
        QCoreApplication::processEvents();
    }
};

Scene* scene = nullptr;

using Clock = std::chrono::steady_clock;

double microseconds(Clock::duration duration) {
    return std::chrono::duration<double, std::micro>(duration).count();
}

// The two ticks taken in turns, so that both meet the same load on a shared machine.
void trayAndHeadlessTicks(benchmark::State& state) {
    Hub& tray = *scene->tray->hub;
    ui::StatusItemController& items = *scene->items;
    Hub& headless = *scene->headless->hub;
    double trayTotal = 0;
    double headlessTotal = 0;
    for (auto _ : state) {
        const Clock::time_point start = Clock::now();
        tray.tick();
        items.refresh();
        QCoreApplication::processEvents();
        const Clock::time_point between = Clock::now();
        // The agent server's event loop runs too: the tick's asynchronous work (the ping, the
        // history queue's answers) is delivered in both.
        headless.tick();
        QCoreApplication::processEvents();
        const Clock::time_point end = Clock::now();
        trayTotal += microseconds(between - start);
        headlessTotal += microseconds(end - between);
    }
    state.counters["trayUs"] = benchmark::Counter(trayTotal, benchmark::Counter::kAvgIterations);
    state.counters["headlessUs"] =
        benchmark::Counter(headlessTotal, benchmark::Counter::kAvgIterations);
    state.counters["items"] = double(items.entries().size());
}
BENCHMARK(trayAndHeadlessTicks)->Unit(benchmark::kMicrosecond)->MinTime(6.0);

// The items' part of the tray tick alone, on the readings of the last tick.
void itemsRefresh(benchmark::State& state) {
    ui::StatusItemController& items = *scene->items;
    for (auto _ : state) {
        items.refresh();
        QCoreApplication::processEvents();
    }
}
BENCHMARK(itemsRefresh)->Unit(benchmark::kMicrosecond)->MinTime(3.0);

// The console report, keeping the tick pair's counters for the ratio.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    RatioReporter() : ConsoleReporter(OO_Tabular) {}
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs)
            if (run.run_type == Run::RT_Iteration && !run.error_occurred)
                for (const auto& [name, counter] : run.counters)
                    counters[name] = counter.value;
    }
    std::map<std::string, double> counters;
};

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    Scene built;
    scene = &built;
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const double tray = reporter.counters["trayUs"];
    const double headless = reporter.counters["headlessUs"];
    if (tray > 0 && headless > 0) {
        const double ratio = tray / headless;
        std::cout << "\ntray tick / headless tick = " << numbers::fixed(ratio, 3) << " ("
                  << numbers::fixed(tray, 1) << " us / " << numbers::fixed(headless, 1)
                  << " us; goal at most " << numbers::fixed(goal, 3) << ": "
                  << (ratio <= goal ? "met" : "MISSED") << ")\n";
    }
    scene = nullptr;
    benchmark::Shutdown();
    return 0;
}
