// The tray redraws every status item on each tick, so drawing must cost less than the tick that
// feeds it. Measures, in one run: one tick of a hub on this machine (no history, nothing sent
// off the machine: ping to the loopback address, public-address and weather services pointed at
// a closed local port), and building and rasterising all 41 item images (every module in every
// style the renders show, dark appearance, device-pixel ratio 2) from that hub's readings.
//
// Usage: menubar_bench [benchmark flags]

#include "LocalSources.h"
#include "app/Hub.h"
#include "base/AppSettings.h"
#include "dump/DumpMenuBar.h"
#include "platform/UserDefaults.h"
#include "ui/menubar/MenuBarContent.h"
#include "ui/menubar/MenuBarRenderer.h"

#include <QApplication>
#include <benchmark/benchmark.h>
#include <memory>

using namespace morvanex;

namespace {

void BM_HubTick(benchmark::State& state) {
    Hub& hub = *bench::machine().hub;
    for (auto _ : state)
        hub.tick();
}
BENCHMARK(BM_HubTick)->Unit(benchmark::kMicrosecond)->MinTime(2.0);

void BM_AllItemImages(benchmark::State& state) {
    const Hub& hub = *bench::machine().hub;
    const Config config = bench::machine().settings.config();
    int images = 0;
    for (auto _ : state) {
        for (const ModuleKind kind : allCases<ModuleKind>()) {
            for (const DisplayStyle style : dump::renderedStyles(kind)) {
                const ModuleConfig module{kind, true, style};
                const QImage image = ui::MenuBarRenderer::image(
                                         ui::MenuBarContent::parts(module, hub, config), false)
                                         .toImage(ui::Appearance::dark);
                benchmark::DoNotOptimize(image.constBits());
                ++images;
            }
        }
    }
    state.counters["images"] = benchmark::Counter(images, benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_AllItemImages)->Unit(benchmark::kMicrosecond)->MinTime(2.0);

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
