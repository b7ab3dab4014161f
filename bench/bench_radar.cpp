// Radar costs over the Monaco places: a recalibration frame (every point measured again from
// the user, the dots handed over, the points rebuilt from the places) and a steady frame once
// the radar is frozen (only the rotation follows the compass).
#include <benchmark/benchmark.h>

#include <cstdio>

#include "arquorel/arscreen/RadarFeed.h"
#include "arquorel/places/Place.h"
#include "arquorel/places/PlacesFile.h"
#include "arquorel/platform/runtime/PlatformContext.h"
#include "sim/device/SimPlatform.h"

namespace {

using namespace arquorel;

struct RadarScene {
    sim::SimPlatform device;
    std::vector<std::shared_ptr<Place>> places;
    RadarFeed feed{RadarView::create(), [this] { return build(); }};

    RadarScene() {
        auto loaded = PlacesFile::fromPath(ARQUOREL_DATA_DIR "/monaco/places.json");
        for (const auto& record : loaded.records)
            if (auto place = Place::create(record)) places.push_back(place);
        platformContext().console().startCapture();  // the counters go to the console
        feed.locationChanged(Location(43.7393682, 7.4272085));
        feed.headingChanged({80, 82, 5, 0});
    }

    // What the main screen hands the radar: a point per place with its category colour.
    RadarFeed::Points build() {
        RadarFeed::Points points;
        points.reserve(places.size());
        for (const auto& place : places) {
            auto point = ARGeoCoordinate::coordinateWithLocation(place->location());
            point->unique = place->property->id;
            point->color = Color::fromHex(place->property->category_color)
                               .value_or(RadarFeed::kDefaultDotColor);
            point->alpha = 0.5;
            point->dataObject = place;
            points.push_back(std::move(point));
        }
        return points;
    }
};

void BM_RadarRecalibrationFrame(benchmark::State& state) {
    RadarScene scene;
    for (auto _ : state) {
        scene.feed.reset();
        scene.feed.update(0.1);
        platformContext().console().clear();
        benchmark::DoNotOptimize(scene.feed.maximumScaleDistance());
    }
    state.counters["places"] = static_cast<double>(scene.feed.points().size());
}
BENCHMARK(BM_RadarRecalibrationFrame)->Unit(benchmark::kMicrosecond);

void BM_RadarSteadyRotationFrame(benchmark::State& state) {
    RadarScene scene;
    for (int i = 0; i <= RadarFeed::kReloadCount; ++i) scene.feed.update(0.1);
    double heading = 80;
    for (auto _ : state) {
        heading = heading >= 359 ? 0 : heading + 0.5;
        scene.feed.headingChanged({heading, heading, 5, 0});
        scene.feed.update(0.1);
        benchmark::DoNotOptimize(scene.feed.radar()->transform());
    }
}
BENCHMARK(BM_RadarSteadyRotationFrame)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
