// Our side of the comparison with the web peer (bench/peer/, run by ./run bench peer): the
// same three workloads on the same geometry, the user at 43.7, 7.4 and place i at 5 + i metres
// on the course i x 137.50776 degrees.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <numbers>

#include "arquorel/arcore/ARPresenter.h"
#include "arquorel/arcore/ARTrackingManager.h"
#include "bench/BenchEngine.h"
#include "sim/device/SensorScript.h"
#include "sim/device/SimMotionService.h"
#include "sim/device/SimPlatform.h"

namespace {

using namespace arquorel;

const Location kUser(43.7, 7.4);

// The point `metres` away from `from` on the initial course `degrees` (great circle, the
// peer harness's formula).
Location destination(const Location& from, double metres, double degrees) {
    constexpr double kEarthRadius = 6371008.8, rad = std::numbers::pi / 180;
    const double d = metres / kEarthRadius, theta = degrees * rad;
    const double phi1 = from.latitude() * rad, lambda1 = from.longitude() * rad;
    const double phi2 =
        std::asin(std::sin(phi1) * std::cos(d) + std::cos(phi1) * std::sin(d) * std::cos(theta));
    const double lambda2 = lambda1 + std::atan2(std::sin(theta) * std::sin(d) * std::cos(phi1),
                                                std::cos(d) - std::sin(phi1) * std::sin(phi2));
    return Location(phi2 / rad, lambda2 / rad);
}

using bench::Controller;
using bench::Source;

// A presenter on a phone screen with `count` places, nearest first, distances and azimuths
// measured from the user, after the first rebuild.
struct Scene {
    sim::SimPlatform device;
    std::shared_ptr<Controller> controller = std::make_shared<Controller>();
    std::shared_ptr<ARPresenter> presenter;
    ARPresenter::AnnotationList annotations;
    std::vector<GeodesicPoint> points;  // each annotation's trigonometry, done once

    explicit Scene(std::size_t count) {
        controller->source = std::make_shared<Source>();
        controller->status = ARStatus{47, 60, 375 / 47.0, 812 / 60.0, 0, 0, kUser};
        presenter = ARPresenter::create(controller);
        presenter->setFrame({0, 0, 375, 812});
        for (std::size_t i = 0; i < count; ++i) {
            const double course = std::fmod(static_cast<double>(i) * 137.50776, 360.0);
            annotations.push_back(
                ARAnnotation::create(std::string(), std::string(),
                                     destination(kUser, 5.0 + static_cast<double>(i), course)));
            points.emplace_back(annotations.back()->location().coordinate);
        }
        measure(kUser);
        presenter->reload(annotations, ReloadType::annotationsChanged);
        device.advance(0.3);
    }

    // The controller's distance and azimuth passes: measure, then keep the list nearest first
    // (stable; a small move leaves it nearly sorted, so by insertion).
    void measure(const Location& user) {
        const UserOrigin origin(user);
        for (std::size_t i = 0; i < annotations.size(); ++i) {
            const auto m = origin.measure(points[i]);
            annotations[i]->setDistanceFromUser(m.distance);
            annotations[i]->setAzimuth(m.azimuth);
        }
        for (std::size_t i = 1; i < annotations.size(); ++i) {
            for (std::size_t j = i; j > 0 && annotations[j]->distanceFromUser() <
                                                 annotations[j - 1]->distanceFromUser();
                 --j) {
                std::swap(annotations[j], annotations[j - 1]);
                std::swap(points[j], points[j - 1]);
            }
        }
    }
};

// Filters, status update and the heading reload that moves the 8 sectors x 5 shown views.
void BM_PeerDisplayFrame(benchmark::State& state) {
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
    state.counters["shown"] =
        static_cast<double>(scene.presenter->visibleAnnotationsAsArray().size());
}
BENCHMARK(BM_PeerDisplayFrame)->Unit(benchmark::kMicrosecond);

// A fix one metre away and back in turn: distances and azimuths of 250 places, the list kept
// nearest first, the location reload (placement and sector re-sort), and the main-loop work it
// leaves (the end of the fades).
void BM_PeerPositionFix(benchmark::State& state) {
    Scene scene(250);
    const Location moved = destination(kUser, 1, 45);
    int n = 0;
    for (auto _ : state) {
        const Location& at = ++n % 2 ? moved : kUser;
        scene.controller->status.userLocation = at;
        scene.measure(at);
        scene.presenter->reload(scene.annotations, ReloadType::userLocationChanged);
        scene.device.advance(0.25);
    }
}
BENCHMARK(BM_PeerPositionFix)->Unit(benchmark::kMicrosecond);

// A rebuild over 10 000 places sorted nearest first, 250 of which get views, and the main-loop
// work it leaves.
void BM_PeerPlaces10000(benchmark::State& state) {
    Scene scene(10000);
    for (auto _ : state) {
        scene.presenter->reload(scene.annotations, ReloadType::annotationsChanged);
        scene.device.advance(0.25);
    }
    state.counters["active"] = static_cast<double>(scene.presenter->activeAnnotations().size());
}
BENCHMARK(BM_PeerPlaces10000)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
