// Map packs and walking routes on the bundled Monaco extract: making the pack from the
// extract, reading it, a walk across Monaco (Place du Casino to the Rock), and the features of
// a street-level view found through the index, and the map's frame while dragged.

#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "arquorel/platform/drawing/DisplayList.h"
#include "arquorel/platform/drawing/LayerStore.h"
#include "arquorel/platform/drawing/Renderer.h"
#include "arquorel/platform/drawing/cairo/CairoCanvas.h"
#include "arquorel/platform/maps/MapView.h"
#include "arquorel/platform/maps/pack/WalkingRouter.h"
#include "bench/BenchLayers.h"
#include "sim/device/SimPlatform.h"
#include "sim/mappack/MapPackMaker.h"

namespace {

using namespace arquorel;

const std::string kExtract = std::string(ARQUOREL_DATA_DIR) + "/monaco/monaco-latest.osm.pbf";
constexpr Coordinate kCasino{43.7393682, 7.4272085};
constexpr Coordinate kRock{43.7314, 7.4199};  // Place du Palais

const std::string& packBytes() {
    static const std::string bytes = sim::makeMapPack(kExtract).pack->write();
    return bytes;
}

void BM_MakeMonacoPack(benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(sim::makeMapPack(kExtract).pack);
}
BENCHMARK(BM_MakeMonacoPack)->Unit(benchmark::kMillisecond);

void BM_ReadMonacoPack(benchmark::State& state) {
    const std::string& bytes = packBytes();
    for (auto _ : state) benchmark::DoNotOptimize(MapPack::read(bytes).pack);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes.size()));
}
BENCHMARK(BM_ReadMonacoPack)->Unit(benchmark::kMillisecond);

void BM_RouteCasinoToTheRock(benchmark::State& state) {
    const WalkingRouter router(MapPack::read(packBytes()).pack);
    double metres = 0;
    for (auto _ : state) {
        const auto route = router.route(kCasino, kRock);
        metres = route ? route->distance : 0;
        benchmark::DoNotOptimize(metres);
    }
    state.counters["metres"] = metres;
}
BENCHMARK(BM_RouteCasinoToTheRock)->Unit(benchmark::kMicrosecond);

void BM_RouterSetUp(benchmark::State& state) {
    const auto pack = MapPack::read(packBytes()).pack;
    for (auto _ : state) benchmark::DoNotOptimize(std::make_unique<WalkingRouter>(pack));
}
BENCHMARK(BM_RouterSetUp)->Unit(benchmark::kMillisecond);

void BM_FeaturesOfAStreetView(benchmark::State& state) {
    const auto pack = MapPack::read(packBytes()).pack;
    // About 375 x 300 points at street level: 300 m by 240 m around the Casino.
    const MapBox view{{kCasino.latitude - 0.00108, kCasino.longitude - 0.00187},
                      {kCasino.latitude + 0.00108, kCasino.longitude + 0.00187}};
    std::size_t found = 0;
    for (auto _ : state) {
        found = pack->featuresIn(view).size();
        benchmark::DoNotOptimize(found);
    }
    state.counters["features"] = static_cast<double>(found);
}
BENCHMARK(BM_FeaturesOfAStreetView)->Unit(benchmark::kMicrosecond);

// A 375 x 300 map at street level around the Casino, turned 45 degrees, with the route to the
// Rock on it: what the details screen shows.
struct StreetMap {
    sim::SimPlatform device;
    std::shared_ptr<MapView> map = std::make_shared<MapView>(Rect{0, 0, 375, 300});
    StreetMap() {
        const auto pack = MapPack::read(packBytes()).pack;
        device.context().mapData = pack;
        map->setCamera({kCasino, 600, 45});
        map->showsUserLocation = true;
        map->setUserLocation(Location(kCasino.latitude, kCasino.longitude));
        map->addOverlay(
            std::make_shared<MapPolyline>(WalkingRouter(pack).route(kCasino, kRock)->polyline));
        map->layoutIfNeeded();
    }
};

void BM_MapDisplayList(benchmark::State& state) {
    StreetMap street;
    std::size_t steps = 0;
    for (auto _ : state) {
        DisplayList list;
        Renderer().render(*street.map, list);
        steps = list.steps().size();
        benchmark::DoNotOptimize(steps);
    }
    state.counters["features"] = static_cast<double>(street.map->featuresDrawn());
}
BENCHMARK(BM_MapDisplayList)->Unit(benchmark::kMicrosecond);

void BM_MapPicture(benchmark::State& state) {
    StreetMap street;
    DisplayList list;
    Renderer().render(*street.map, list);
    for (auto _ : state) {
        cairo::CairoCanvas canvas({375, 300}, 2, Color::white());
        list.replay(canvas);
        benchmark::DoNotOptimize(canvas.pixelWidth());
    }
}
BENCHMARK(BM_MapPicture)->Unit(benchmark::kMillisecond);

// A frame while a finger drags the map (4 points a frame, back and forth across 160 points),
// drawn directly and through retained layers: the kept drawing is shifted and drawn again only
// when the drag passes its margin.
void panningFrames(benchmark::State& state, bool layered) {
    StreetMap street;
    MapView& map = *street.map;
    LayerStore layers(2, cairo::makeCairoLayer);
    cairo::CairoCanvas canvas({375, 300}, 2, Color::white());
    int frame = 0;
    for (auto _ : state) {
        const int t = frame++ % 80;
        const double dx = t < 40 ? 4 : -4;
        const MapCamera c = map.camera();
        map.setCamera({map.convert(Point{187.5 - dx, 150}), c.altitude, c.heading});
        map.layoutIfNeeded();
        if (layered) {
            Renderer().renderFrame(map, canvas, layers);
        } else {
            canvas.clear();
            Renderer().render(map, canvas);
        }
        benchmark::DoNotOptimize(canvas.pixelWidth());
    }
    if (layered) bench::layerCounters(state, layers);
}
void BM_MapPanningFrameDirect(benchmark::State& state) {
    panningFrames(state, false);
}
BENCHMARK(BM_MapPanningFrameDirect)->Unit(benchmark::kMillisecond);
void BM_MapPanningFrameLayered(benchmark::State& state) {
    panningFrames(state, true);
}
BENCHMARK(BM_MapPanningFrameLayered)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
