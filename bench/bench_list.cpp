// The places list with the 612 Monaco places, 375x812 points at 2 pixels a point: a compass
// heading change (every visible row's distance and arrow updated and laid out), one scroll
// step (rows leaving, cells handed out again, configured and laid out), the display list of
// the screen and its Cairo picture.
#include <benchmark/benchmark.h>

#include <string>

#include "arquorel/platform/drawing/DisplayList.h"
#include "arquorel/platform/drawing/LayerStore.h"
#include "arquorel/platform/drawing/Renderer.h"
#include "arquorel/platform/drawing/cairo/CairoCanvas.h"
#include "bench/BenchLayers.h"
#include "sim/device/SimLocationService.h"
#include "sim/host/CliArgs.h"
#include "sim/host/ListCommand.h"

namespace {

using namespace arquorel;
using namespace arquorel::sim;

ListRequest request() {
    ListRequest r;
    r.places = ARQUOREL_DATA_DIR "/monaco/places.json";
    r.at = {43.7393682, 7.4272085};
    r.heading = 108;
    return r;
}

std::vector<std::shared_ptr<QuorelProperty>> monaco() {
    std::ostringstream err;
    auto file = readPlacesFile(request().places, err);
    return file ? file->records : std::vector<std::shared_ptr<QuorelProperty>>{};
}

void BM_ListHeadingChange(benchmark::State& state) {
    ListScene scene(request(), monaco());
    auto& service = static_cast<SimLocationService&>(*LocationManager::sharedInstance()->manager());
    double heading = 108;
    for (auto _ : state) {
        heading = heading >= 300 ? 10 : heading + 1.5;
        service.deliverHeading({heading, heading, 5, scene.device().now()});
        scene.window().layoutIfNeededRecursively();
    }
    state.counters["rows_shown"] =
        static_cast<double>(scene.list().tableView->visibleCells().size());
}
BENCHMARK(BM_ListHeadingChange)->Unit(benchmark::kMicrosecond);

void BM_ListScrollStep(benchmark::State& state) {
    ListScene scene(request(), monaco());
    auto& table = *scene.list().tableView;
    double y = 0;
    for (auto _ : state) {
        y += 40;  // a finger's move between two display frames of a brisk scroll
        if (y > table.maximumContentOffset().y) y = 0;
        table.setContentOffset({0, y});
        scene.window().layoutIfNeededRecursively();
    }
    // The whole list, top to bottom: cells made beside the rows that fit on screen.
    table.setContentOffset({0, 0});
    std::size_t mostShown = 0;
    for (double at = 0; at <= table.maximumContentOffset().y; at += 40) {
        table.setContentOffset({0, at});
        mostShown = std::max(mostShown, table.visibleCells().size());
    }
    state.counters["cells_made"] = table.createdCellCount();
    state.counters["rows_on_screen"] = static_cast<double>(mostShown);
}
BENCHMARK(BM_ListScrollStep)->Unit(benchmark::kMicrosecond);

void BM_ListDisplayList(benchmark::State& state) {
    ListScene scene(request(), monaco());
    const Renderer renderer;
    for (auto _ : state) {
        DisplayList list;
        renderer.render(scene.window(), list);
        benchmark::DoNotOptimize(list.steps().data());
    }
}
BENCHMARK(BM_ListDisplayList)->Unit(benchmark::kMicrosecond);

void BM_ListPicture(benchmark::State& state) {
    ListScene scene(request(), monaco());
    const Renderer renderer;
    for (auto _ : state) {
        cairo::CairoCanvas canvas({375, 812}, 2, Color::white());
        renderer.render(scene.window(), canvas);
        benchmark::DoNotOptimize(canvas.pixel(0, 0));
    }
}
BENCHMARK(BM_ListPicture)->Unit(benchmark::kMillisecond);

// A frame while scrolling slowly (3 points a frame), drawn directly and through retained
// layers: the cells' layers are copied, and drawn only as rows come into view. Both draw over
// the last picture, as a phone's screen keeps it: the window is opaque.
void scrollingFrames(benchmark::State& state, bool layered) {
    ListScene scene(request(), monaco());
    auto& table = *scene.list().tableView;
    LayerStore layers(2, cairo::makeCairoLayer);
    cairo::CairoCanvas canvas({375, 812}, 2, Color::white());
    double y = 0;
    for (auto _ : state) {
        y += 3;
        if (y > table.maximumContentOffset().y) y = 0;
        table.setContentOffset({0, y});
        scene.window().layoutIfNeededRecursively();
        if (layered)
            Renderer().renderFrame(scene.window(), canvas, layers);
        else
            Renderer().render(scene.window(), canvas);
        benchmark::DoNotOptimize(canvas.pixelWidth());
    }
    if (layered) bench::layerCounters(state, layers);
}
void BM_ListScrollingFrameDirect(benchmark::State& state) {
    scrollingFrames(state, false);
}
BENCHMARK(BM_ListScrollingFrameDirect)->Unit(benchmark::kMillisecond);
void BM_ListScrollingFrameLayered(benchmark::State& state) {
    scrollingFrames(state, true);
}
BENCHMARK(BM_ListScrollingFrameLayered)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
