// Presenter costs: the per-frame heading reload, a full rebuild and a location reload.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>

#include "arquorel/arcore/ARPresenter.h"
#include "arquorel/arcore/ARTrackingManager.h"
#include "arquorel/arscreen/ARViewController.h"
#include "bench/BenchEngine.h"
#include "sim/device/SensorScript.h"
#include "sim/device/SimMotionService.h"
#include "sim/device/SimPlatform.h"

namespace {

using namespace arquorel;

using bench::Controller;
using bench::Source;

struct Scene {
    sim::SimPlatform device;
    std::shared_ptr<Controller> controller = std::make_shared<Controller>();
    std::shared_ptr<ARPresenter> presenter;
    ARPresenter::AnnotationList annotations;

    explicit Scene(std::size_t count, std::size_t active = 0, bool stacking = false) {
        controller->source = std::make_shared<Source>();
        controller->status = ARStatus{47, 60, 375 / 47.0, 812 / 60.0, 0, 0, Location(43.7, 7.4)};
        presenter = ARPresenter::create(controller);
        presenter->setFrame({0, 0, 375, 812});
        if (active) presenter->maxVisibleAnnotations = active;
        presenter->verticalStackingEnabled = stacking;
        // Nearest first, spread evenly round the compass.
        for (std::size_t i = 0; i < count; ++i) {
            auto a = ARAnnotation::create(std::string(), std::string(), Location(43.7, 7.4));
            a->setDistanceFromUser(5.0 + static_cast<double>(i));
            a->setAzimuth(std::fmod(static_cast<double>(i) * 137.50776, 360.0));
            annotations.push_back(a);
        }
        presenter->reload(annotations, ReloadType::annotationsChanged);
    }
};

// One display frame's presenter work: 8 sectors x 5 views moved for a new heading.
void BM_HeadingReload(benchmark::State& state) {
    Scene scene(250);
    double heading = 0;
    for (auto _ : state) {
        heading = std::fmod(heading + 0.7, 360);
        scene.controller->status.heading = heading;
        scene.presenter->reload(scene.annotations, ReloadType::headingChanged);
    }
    state.counters["visible"] =
        static_cast<double>(scene.presenter->visibleAnnotationsAsArray().size());
}
BENCHMARK(BM_HeadingReload)->Unit(benchmark::kMicrosecond);

// A whole display frame: pitch and heading filters, the status update and the heading reload
// that moves the 8 sectors x 5 shown views.
void BM_DisplayFrame(benchmark::State& state) {
    Scene scene(250);
    sim::SimSensors sensors;
    auto tracking = ARTrackingManager::create();
    tracking->startTracking(false);
    sim::SensorScript script;
    script.acceleration(0, {0, -0.94, -0.34}).heading(0, 10, 10);
    script.play(sensors);
    scene.device.advance(0.01);
    double heading = 0;
    for (auto _ : state) {
        heading = std::fmod(heading + 0.7, 360);
        tracking->setDebugHeading(heading);
        tracking->filterPitch();
        tracking->filterHeading();
        scene.controller->status.pitch = tracking->filteredPitch();
        scene.controller->status.heading = tracking->filteredHeading();
        scene.presenter->reload(scene.annotations, ReloadType::headingChanged);
    }
    state.counters["visible"] =
        static_cast<double>(scene.presenter->visibleAnnotationsAsArray().size());
}
BENCHMARK(BM_DisplayFrame)->Unit(benchmark::kMicrosecond);

// The same frame run by the AR view controller (displayTimerTick, debug aids off) over 250
// places round the user, 40 of them shown: target at most 1.2 x BM_DisplayFrame.
void BM_ControllerFrame(benchmark::State& state) {
    sim::SimPlatform device;
    sim::SimSensors sensors;
    auto source = std::make_shared<Source>();
    auto controller = ARViewController::make();
    controller->setDataSource(source);
    controller->presenter()->setFrame({0, 0, 375, 812});
    controller->mutableArStatus() =
        ARStatus{47, 60, 375 / 47.0, 812 / 60.0, 0, 0, Location(43.7, 7.4)};
    ARPresenter::AnnotationList annotations;
    for (std::size_t i = 0; i < 250; ++i) {
        const double r = (5.0 + static_cast<double>(i)) / 111000.0;
        const double a = std::fmod(static_cast<double>(i) * 137.50776, 360.0) * kDegreesToRadians;
        annotations.push_back(ARAnnotation::create(
            std::string(), std::string(),
            Location(43.7 + r * std::cos(a),
                     7.4 + r * std::sin(a) / std::cos(43.7 * kDegreesToRadians))));
    }
    controller->setAnnotations(annotations);
    auto& tracking = controller->trackingManager();
    tracking.startTracking(false);
    sim::SensorScript script;
    script.acceleration(0, {0, -0.94, -0.34}).heading(0, 10, 10);
    script.play(sensors);
    device.advance(0.01);
    double heading = 0;
    for (auto _ : state) {
        heading = std::fmod(heading + 0.7, 360);
        tracking.setDebugHeading(heading);
        controller->displayTimerTick();
    }
    state.counters["visible"] =
        static_cast<double>(controller->presenter()->visibleAnnotationsAsArray().size());
}
BENCHMARK(BM_ControllerFrame)->Unit(benchmark::kMicrosecond);

// A rebuild over 10 000 annotations sorted nearest first, 250 of which become active.
void BM_AnnotationsChangedRebuild(benchmark::State& state) {
    Scene scene(10000);
    bench::timeRebuilds(state, scene.device, *scene.presenter, scene.annotations);
}
BENCHMARK(BM_AnnotationsChangedRebuild)->Unit(benchmark::kMicrosecond);

// A host that raises maxVisibleAnnotations to 2000 with stacking on: a rebuild places and
// stacks 2000 views.
void BM_StackedRebuild2000(benchmark::State& state) {
    Scene scene(10000, 2000, true);
    bench::timeRebuilds(state, scene.device, *scene.presenter, scene.annotations);
}
BENCHMARK(BM_StackedRebuild2000)->Unit(benchmark::kMillisecond);

// A location reload with 250 active annotations: placement of the shown views plus the
// re-sorting of the sectors with the new distances.
void BM_UserLocationReload(benchmark::State& state) {
    Scene scene(250);
    double shift = 0;
    for (auto _ : state) {
        state.PauseTiming();
        shift += 0.5;
        for (std::size_t i = 0; i < scene.annotations.size(); ++i)
            scene.annotations[i]->setDistanceFromUser(5.0 + static_cast<double>(i) + shift);
        state.ResumeTiming();
        scene.presenter->reload(scene.annotations, ReloadType::userLocationChanged);
        state.PauseTiming();
        scene.device.advance(0.6);
        state.ResumeTiming();
    }
}
BENCHMARK(BM_UserLocationReload)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
