// Drawing the AR screen of the demo host with 40 cards (the Monaco places, facing the Casino)
// into a 375x812 picture at 2 pixels a point: building the display list from the window's view
// tree (target 200 us at most), and rasterising that list with Cairo (target 16 ms at most).
#include <benchmark/benchmark.h>

#include "arquorel/places/PlacesFile.h"
#include "arquorel/platform/drawing/DisplayList.h"
#include "arquorel/platform/drawing/Renderer.h"
#include "arquorel/platform/drawing/cairo/CairoCanvas.h"
#include "sim/host/ScreenCommand.h"

namespace {

using namespace arquorel;

std::unique_ptr<sim::ScreenScene> makeScene() {
    sim::ScreenRequest request;
    request.at = {43.7393682, 7.4272085};
    request.heading = 80;
    auto file = PlacesFile::fromPath(ARQUOREL_DATA_DIR "/monaco/places.json");
    return std::make_unique<sim::ScreenScene>(request, file.records);
}

std::size_t cardCount(sim::ScreenScene& scene) {
    return scene.screen().presenter()->subviews().size();
}

void BM_ScreenDisplayList(benchmark::State& state) {
    auto scene = makeScene();
    const Renderer renderer;
    DisplayList list;
    for (auto _ : state) {
        list.clear();
        renderer.render(scene->window(), list);
        benchmark::DoNotOptimize(list.steps().data());
    }
    state.counters["cards"] = static_cast<double>(cardCount(*scene));
    state.counters["steps"] = static_cast<double>(list.steps().size());
}
BENCHMARK(BM_ScreenDisplayList)->Unit(benchmark::kMicrosecond);

void BM_ScreenRasterise(benchmark::State& state) {
    auto scene = makeScene();
    DisplayList list;
    Renderer().render(scene->window(), list);
    for (auto _ : state) {
        cairo::CairoCanvas canvas({375, 812}, 2, Color::black());
        list.replay(canvas);
        benchmark::DoNotOptimize(canvas.pixelWidth());
    }
    state.counters["cards"] = static_cast<double>(cardCount(*scene));
}
BENCHMARK(BM_ScreenRasterise)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
