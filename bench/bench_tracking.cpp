// Cost of the tracking manager's share of one display frame (pitch and heading filters), of one
// compass reading, and of one location fix from the service's callback through the main-loop
// processing.
#include <benchmark/benchmark.h>

#include "arquorel/arcore/ARTrackingManager.h"
#include "sim/device/SensorScript.h"
#include "sim/device/SimLocationService.h"
#include "sim/device/SimMotionService.h"
#include "sim/device/SimPlatform.h"

namespace {

using namespace arquorel;

struct Rig {
    sim::SimPlatform device;
    sim::SimSensors sensors;
    std::shared_ptr<ARTrackingManager> manager = ARTrackingManager::create();
    Rig() { manager->startTracking(true); }
};

void BM_DisplayFrameFilters(benchmark::State& state) {
    Rig rig;
    rig.sensors.motion()->deliverAcceleration({0.05, -0.8, -0.6});
    rig.sensors.location()->deliverHeading({0, 350, 5, rig.device.now()});
    rig.device.advance(6);  // past the catch-up phase: the filters smooth from here on
    rig.sensors.location()->deliverHeading({0, 10, 5, rig.device.now()});
    for (auto _ : state) {
        rig.manager->filterPitch();
        rig.manager->filterHeading();
        benchmark::DoNotOptimize(rig.manager->filteredHeading());
        benchmark::DoNotOptimize(rig.manager->filteredPitch());
    }
}
BENCHMARK(BM_DisplayFrameFilters)->Repetitions(10)->ReportAggregatesOnly(true);

// One compass reading from the service's callback, swinging across north.
void BM_HeadingReading(benchmark::State& state) {
    Rig rig;
    auto& location = *rig.sensors.location();
    int i = 0;
    for (auto _ : state) {
        location.deliverHeading({0, (i++ % 2) ? 355.0 : 5.0, 5, rig.device.now()});
        benchmark::DoNotOptimize(rig.manager->heading());
    }
}
BENCHMARK(BM_HeadingReading)->Repetitions(10)->ReportAggregatesOnly(true);

// One fix per second along the Monaco walk: acceptance, the posted processing, and every
// fifth second the reload check and its distance.
void BM_LocationFix(benchmark::State& state) {
    Rig rig;
    auto track = sim::readGpxFile(ARQUOREL_DATA_DIR "/monaco/walk.gpx");
    if (!track.ok()) {
        state.SkipWithError(track.error.c_str());
        return;
    }
    auto& location = *rig.sensors.location();
    std::size_t i = 0;
    for (auto _ : state) {
        const Coordinate c = track.points[i++ % track.points.size()].coordinate;
        location.deliverLocation(Location(c, 0, 8, -1, rig.device.now()));
        rig.device.advance(1);
        benchmark::DoNotOptimize(rig.manager->userLocation());
    }
}
BENCHMARK(BM_LocationFix)->Repetitions(10)->ReportAggregatesOnly(true);

}  // namespace

BENCHMARK_MAIN();
