#include "arquorel/arcore/ARTrackingManager.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>

#include "arquorel/arcore/ARStatus.h"
#include "sim/device/SensorScript.h"
#include "sim/device/SimLocationService.h"
#include "sim/device/SimMotionService.h"
#include "sim/device/SimPlatform.h"

namespace arquorel {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr Coordinate kCasino{43.7393682, 7.4272085};

// Everything both delegates hear, with the simulated time it arrived.
struct Recorder : ARTrackingManagerDelegate, ARTrackingLocDelegate {
    sim::SimPlatform* device = nullptr;
    std::vector<std::pair<double, double>> failures;  // (time, elapsed)
    std::vector<std::pair<double, Location>> reloads;
    std::vector<Location> locations;
    std::vector<HeadingReading> headings;
    std::function<void()> onLocation;
    std::function<void()> onFailure;

    void didUpdateReloadLocation(ARTrackingManager&, const Location& l) override {
        reloads.emplace_back(device->now(), l);
    }
    void didFailToFindLocationAfter(ARTrackingManager&, double elapsed) override {
        failures.emplace_back(device->now(), elapsed);
        if (onFailure) onFailure();
    }
    void didUpdateLocation(ARTrackingManager&, const Location& l) override {
        locations.push_back(l);
        if (onLocation) onLocation();
    }
    void didUpdateHeading(ARTrackingManager&, const HeadingReading& h) override {
        headings.push_back(h);
    }
};

// A coordinate `metres` north of `from`, by the distance rule the manager uses.
Coordinate north(Coordinate from, double metres) {
    const double perDegree = distanceFromUser(Location(from.latitude, from.longitude),
                                              Location(from.latitude + 1, from.longitude));
    return {from.latitude + metres / perDegree, from.longitude};
}

class ARTrackingManagerTest : public ::testing::Test {
  protected:
    void SetUp() override {
        recorder->device = &device;
        manager->setDelegate(recorder);
        manager->setLocDelegate(recorder);
    }

    sim::SimLocationService& location() { return *sensors.location(); }
    sim::SimMotionService& motion() { return *sensors.motion(); }
    bool fix(Coordinate c, double accuracy = 5, double age = 0) {
        const std::size_t before = recorder->locations.size();
        location().deliverLocation(Location(c, 12, accuracy, 3, device.now() - age));
        device.runPending();
        return recorder->locations.size() > before;
    }
    bool heading(double trueHeading, double accuracy = 5, double magnetic = 0) {
        const std::size_t before = recorder->headings.size();
        location().deliverHeading({magnetic, trueHeading, accuracy, device.now()});
        return recorder->headings.size() > before;
    }
    double pitchFrame(Acceleration a) {
        motion().deliverAcceleration(a);
        manager->filterPitch();
        return manager->filteredPitch();
    }

    sim::SimPlatform device;
    sim::SimSensors sensors;
    std::shared_ptr<ARTrackingManager> manager = ARTrackingManager::create();
    std::shared_ptr<Recorder> recorder = std::make_shared<Recorder>();
};

TEST_F(ARTrackingManagerTest, ConstructionConfiguresTheServiceAndDestructionLetsGo) {
    auto& svc = location();
    EXPECT_EQ(manager->reloadDistanceFilter(), 200);
    EXPECT_EQ(manager->userDistanceFilter(), 10);
    EXPECT_EQ(svc.distanceFilter(), 10);
    EXPECT_EQ(svc.desiredAccuracy(), LocationService::kBestAccuracy);
    EXPECT_EQ(svc.headingFilter(), 1.0);
    EXPECT_EQ(svc.delegate(), manager.get());
    manager->setUserDistanceFilter(25);
    EXPECT_EQ(svc.distanceFilter(), 25);
    manager->setUserDistanceFilter(std::nullopt);
    EXPECT_EQ(svc.distanceFilter(), LocationService::kDistanceFilterNone);

    EXPECT_FALSE(manager->shouldDisplayHeadingCalibration(svc));
    manager->setAllowCompassCalibration(true);
    EXPECT_TRUE(manager->shouldDisplayHeadingCalibration(svc));

    // Pending timers and posted work hold the manager weakly.
    manager->startTracking(true);
    fix(kCasino);
    fix(kCasino);  // a reload check is now pending
    location().deliverLocation(Location(kCasino, 0, 5, 3, device.now()));
    std::weak_ptr<ARTrackingManager> weak = manager;
    auto service = sensors.location();
    manager.reset();
    EXPECT_TRUE(weak.expired());
    EXPECT_EQ(service->delegate(), nullptr);
    EXPECT_FALSE(service->isUpdatingLocation());
    EXPECT_EQ(device.context().notificationCenter().observerCount(kDeviceOrientationDidChange), 0u);
    device.advance(20);
    EXPECT_EQ(recorder->failures.size(), 1u);
}

TEST_F(ARTrackingManagerTest, StartAndStopDriveTheSensorsAndResetTheData) {
    location().setAuthorizationStatus(AuthorizationStatus::notDetermined);
    manager->startTracking();
    EXPECT_EQ(location().authorizationRequestCount(), 1);
    EXPECT_TRUE(manager->tracking());
    EXPECT_TRUE(motion().isAccelerometerActive());
    EXPECT_TRUE(location().isUpdatingHeading());
    EXPECT_TRUE(location().isUpdatingLocation());
    device.runPending();  // the user allows
    manager->startTracking();
    EXPECT_EQ(location().authorizationRequestCount(), 1);  // only asked while undetermined

    fix(kCasino);
    heading(200);
    pitchFrame({0, 0, -1});
    manager->filterHeading();
    manager->stopTracking();
    EXPECT_FALSE(manager->tracking());
    EXPECT_FALSE(motion().isAccelerometerActive());
    EXPECT_FALSE(location().isUpdatingHeading());
    EXPECT_FALSE(location().isUpdatingLocation());
    EXPECT_FALSE(manager->userLocation());
    EXPECT_EQ(manager->heading(), 0);
    EXPECT_EQ(manager->filteredHeading(), 0);
    EXPECT_EQ(manager->filteredPitch(), 0);
    const auto s = manager->state();
    EXPECT_TRUE(s.catchupPitch);
    EXPECT_EQ(s.previousAcceleration, Acceleration{});
    EXPECT_FALSE(s.headingStartDate);
    EXPECT_FALSE(s.reportLocationDate);
    EXPECT_TRUE(s.reloadLocationPrevious);  // kept: the places around it are still loaded

    // A fix accepted just before the stop belongs to the tracking that ended.
    manager->startTracking();
    location().deliverLocation(Location(kCasino, 0, 5, 3, device.now()));
    manager->stopTracking();
    device.runPending();
    EXPECT_FALSE(manager->userLocation());
    EXPECT_EQ(recorder->locations.size(), 1u);
}

TEST_F(ARTrackingManagerTest, FixesAreAcceptedWithinTheAgeAndAccuracyLimits) {
    manager->startTracking();
    EXPECT_TRUE(fix(kCasino, 5, 29));
    EXPECT_FALSE(fix(kCasino, 5, 31));
    EXPECT_TRUE(fix(kCasino, 100));
    EXPECT_FALSE(fix(kCasino, 100.5));
    EXPECT_FALSE(fix(kCasino, -1));
    EXPECT_FALSE(fix(kCasino, kNaN));
    EXPECT_FALSE(fix(kCasino, kInf));
    EXPECT_FALSE(fix({kNaN, 7.4}));
    EXPECT_FALSE(fix({91, 7.4}));
    location().deliverLocation(Location(kCasino, 0, 5, 3, kNaN));
    device.runPending();
    EXPECT_EQ(recorder->locations.size(), 2u);

    // Processing is posted to the main loop; altitude is dropped, the rest kept.
    const Location last(north(kCasino, 3), 55, 7, 4, device.now() - 1);
    location().deliverLocation(last);
    EXPECT_EQ(recorder->locations.size(), 2u);
    device.runPending();
    const Location expected(last.coordinate, 0, 7, 4, last.timestamp);
    EXPECT_EQ(manager->userLocation(), expected);
    EXPECT_EQ(recorder->locations.back(), expected);

    // Of a list only the last fix counts; an empty list is ignored.
    manager->didUpdateLocations(location(), {Location(kCasino, 0, 5, 3, device.now()),
                                             Location(kCasino, 0, 500, 3, device.now())});
    manager->didUpdateLocations(location(), {});
    device.runPending();
    EXPECT_EQ(recorder->locations.size(), 3u);
    manager->didUpdateLocations(location(), {Location(kCasino, 0, 500, 3, device.now()),
                                             Location(kCasino, 0, 5, 3, device.now())});
    device.runPending();
    EXPECT_EQ(recorder->locations.size(), 4u);
}

TEST_F(ARTrackingManagerTest, ReloadChecksRunAtOnceThenEveryFiveSecondsOnTheNewestFix) {
    const double t0 = device.now();
    manager->startTracking();
    fix(kCasino);
    EXPECT_EQ(manager->state().reportLocationDate, t0);
    EXPECT_FALSE(manager->state().reportLocationTimerPending);
    EXPECT_EQ(manager->state().reloadLocationPrevious->coordinate, kCasino);

    device.advance(1);
    fix(north(kCasino, 300));
    EXPECT_TRUE(manager->state().reportLocationTimerPending);
    device.advance(2);
    fix(north(kCasino, 600));
    device.advance(2);
    EXPECT_TRUE(recorder->reloads.empty());
    device.advance(1);
    ASSERT_EQ(recorder->reloads.size(), 1u);
    EXPECT_DOUBLE_EQ(recorder->reloads[0].first, t0 + 6);
    EXPECT_EQ(recorder->reloads[0].second, *manager->userLocation());
    EXPECT_EQ(manager->state().reloadLocationPrevious, manager->userLocation());

    // Measured from the new reload location: 150 m on is not enough, 250 m is.
    device.advance(1);
    fix(north(kCasino, 750));
    device.advance(5);
    EXPECT_EQ(recorder->reloads.size(), 1u);
    EXPECT_DOUBLE_EQ(*manager->state().reportLocationDate, t0 + 12);
    fix(north(kCasino, 850));
    device.advance(5);
    EXPECT_EQ(recorder->reloads.size(), 2u);

    manager->setReloadDistanceFilter(std::nullopt);
    fix(north(kCasino, 5000));
    device.advance(30);
    EXPECT_EQ(recorder->reloads.size(), 2u);
}

TEST_F(ARTrackingManagerTest, MovingExactlyTheReloadDistanceDoesNotReload) {
    // The last latitude within 200 m of the origin and the first one beyond it.
    const Location origin(kCasino.latitude, kCasino.longitude);
    const auto d = [&](double lat) {
        return distanceFromUser(origin, Location(lat, kCasino.longitude));
    };
    double lo = kCasino.latitude, hi = kCasino.latitude + 0.01;
    while (std::nextafter(lo, hi) < hi) {
        const double mid = lo + (hi - lo) / 2;
        if (mid == lo || mid == hi) break;
        (d(mid) <= 200 ? lo : hi) = mid;
    }
    ASSERT_LE(d(lo), 200);
    ASSERT_GT(d(lo), 200 - 1e-6);
    ASSERT_GT(d(hi), 200);

    manager->startTracking();
    fix(kCasino);
    fix({lo, kCasino.longitude});
    device.advance(5);
    EXPECT_TRUE(recorder->reloads.empty());
    fix({hi, kCasino.longitude});
    device.advance(5);
    ASSERT_EQ(recorder->reloads.size(), 1u);
    EXPECT_EQ(recorder->reloads[0].second.latitude(), hi);

    // A limit equal to the computed distance does not trigger; one just below it does.
    const Coordinate far = north({hi, kCasino.longitude}, 333);
    const double exact =
        distanceFromUser(Location(hi, kCasino.longitude), Location(far.latitude, far.longitude));
    manager->setReloadDistanceFilter(exact);
    fix(far);
    device.advance(5);
    EXPECT_EQ(recorder->reloads.size(), 1u);
    manager->setReloadDistanceFilter(std::nextafter(exact, 0.0));
    fix(far);
    device.advance(5);
    EXPECT_EQ(recorder->reloads.size(), 2u);
}

TEST_F(ARTrackingManagerTest, WatchdogReportsEveryFiveSecondsUntilAFixIsAccepted) {
    const double t0 = device.now();
    manager->startTracking(true);
    ASSERT_EQ(recorder->failures.size(), 1u);
    EXPECT_EQ(recorder->failures[0], std::make_pair(t0, 0.0));
    location().setAuthorizationStatus(AuthorizationStatus::denied);  // fixes stop arriving
    device.advance(10);
    EXPECT_FALSE(fix(kCasino));
    location().setAuthorizationStatus(AuthorizationStatus::authorizedWhenInUse);
    EXPECT_FALSE(fix(kCasino, 500));
    device.advance(2);
    EXPECT_TRUE(fix(kCasino));
    device.advance(30);
    ASSERT_EQ(recorder->failures.size(), 3u);
    EXPECT_EQ(recorder->failures[1], std::make_pair(t0 + 5, 5.0));
    EXPECT_EQ(recorder->failures[2], std::make_pair(t0 + 10, 10.0));
    EXPECT_EQ(manager->state().locationSearchStartTime, t0);  // kept until the next reset
    EXPECT_FALSE(manager->state().locationSearchTimerRunning);

    // A restart begins a new count; without the request nothing is reported.
    manager->startTracking(true);
    device.advance(5);
    EXPECT_EQ(recorder->failures.back(), std::make_pair(device.now(), 5.0));
    manager->startTracking(false);
    device.advance(60);
    EXPECT_EQ(recorder->failures.size(), 5u);
}

TEST_F(ARTrackingManagerTest, HeadingsAreAcceptedUpToTheAccuracyLimit) {
    manager->startTracking();
    EXPECT_TRUE(heading(10, 120));
    const auto seeded = manager->state();
    for (double accuracy : {121.0, -1.0, kNaN}) EXPECT_FALSE(heading(50, accuracy)) << accuracy;
    EXPECT_FALSE(heading(-1, 5, kNaN));
    EXPECT_FALSE(heading(kInf));
    EXPECT_EQ(manager->heading(), 10);
    EXPECT_EQ(manager->state().headingStartDate, seeded.headingStartDate);

    // True heading when known, else magnetic; always within [0, 360).
    EXPECT_TRUE(heading(370));
    EXPECT_EQ(manager->heading(), 10);
    EXPECT_TRUE(heading(-1, 5, 40));
    EXPECT_EQ(manager->heading(), 40);
    EXPECT_TRUE(heading(kNaN, 5, 60));
    EXPECT_EQ(manager->heading(), 60);
    EXPECT_TRUE(heading(-1, 5, -10));
    EXPECT_EQ(manager->heading(), 350);
    EXPECT_EQ(recorder->headings.size(), 5u);
}

TEST_F(ARTrackingManagerTest, HeadingFilterSeedsCatchesUpAndSmooths) {
    manager->startTracking();
    heading(200);
    EXPECT_EQ(manager->filteredHeading(), 200);
    EXPECT_EQ(manager->state().headingFilterFactorInUse, 1.0);  // 0 -> 200 folds to -160

    device.advance(2);
    heading(215);
    EXPECT_EQ(manager->state().headingFilterFactorInUse, 1.0);
    manager->filterHeading();
    EXPECT_EQ(manager->filteredHeading(), 215);
    heading(220);
    EXPECT_EQ(manager->state().headingFilterFactorInUse, 0.075);
    device.advance(3);  // exactly 5 s after the first heading
    heading(300);
    EXPECT_EQ(manager->state().headingFilterFactorInUse, 0.075);

    // Across north the short way.
    manager->startTracking();
    heading(359);
    device.advance(5);
    heading(1);
    manager->filterHeading();
    EXPECT_NEAR(manager->filteredHeading(), 359.15, 1e-9);

    manager->startTracking();
    manager->setHeadingFilterFactor(0.5);
    heading(10);
    device.advance(5);
    heading(350);
    manager->filterHeading();
    EXPECT_NEAR(manager->filteredHeading(), 0, 1e-12);

    // The debug heading replaces the input; nonsense leaves the filter alone.
    manager->setHeadingFilterFactor(kNaN);
    EXPECT_EQ(manager->headingFilterFactor(), 0.5);
    manager->setDebugHeading(0);
    for (int i = 0; i < 1200; ++i) manager->filterHeading();
    ASSERT_EQ(manager->filteredHeading(), 0);
    for (double d : {-2e-14, 90.0, 359.9999999999, 720.0, -400.0, 180.0, kNaN, kInf}) {
        manager->setDebugHeading(d);
        manager->filterHeading();
        EXPECT_GE(manager->filteredHeading(), 0) << d;
        EXPECT_LT(manager->filteredHeading(), 360) << d;
    }
    manager->setDebugHeading(std::nullopt);
    for (int i = 0; i < 60; ++i) manager->filterHeading();
    EXPECT_NEAR(manager->filteredHeading(), 350, 1e-6);
}

TEST_F(ARTrackingManagerTest, PitchFollowsGravityInEveryOrientation) {
    manager->startTracking();
    EXPECT_EQ(pitchFrame({0, 0, 0}), 45);  // atan2(0, 0): no seeding from a zero sample
    EXPECT_TRUE(manager->state().catchupPitch);

    // Each case starts from reset data, so the first frame is half the raw pitch.
    struct Case {
        DeviceOrientation orientation;
        Acceleration sample;
        double rawPitch;
    };
    using O = DeviceOrientation;
    for (const Case& c : {Case{O::portrait, {0, -1, 0}, 0}, Case{O::portrait, {0.6, 0, -1}, -90},
                          Case{O::portrait, {0, -0.6, -0.6}, -45}, Case{O::portrait, {0, 0, 1}, 90},
                          Case{O::portraitUpsideDown, {0, 0.6, -0.6}, -45},
                          Case{O::landscapeRight, {0.6, 0, -0.6}, -45},
                          Case{O::landscapeLeft, {-0.6, 0, -0.6}, -45},
                          Case{O::landscapeLeft, {0.6, 0, -0.6}, -135}}) {
        device.context().device().setOrientation(c.orientation);
        EXPECT_EQ(location().headingOrientation(), c.orientation);
        manager->startTracking();
        EXPECT_NEAR(pitchFrame(c.sample), c.rawPitch / 2, 1e-9);
        EXPECT_NEAR(pitchFrame(c.sample), c.rawPitch * 3 / 4, 1e-9);
    }

    // Face up keeps the last upright orientation, for the pitch and for the compass.
    device.context().device().setOrientation(O::faceUp);
    EXPECT_EQ(manager->orientation(), O::landscapeLeft);
    EXPECT_EQ(location().headingOrientation(), O::landscapeLeft);
    manager->startTracking();
    EXPECT_NEAR(pitchFrame({-0.6, 0, -0.6}), -45.0 / 2, 1e-9);
}

TEST_F(ARTrackingManagerTest, PitchFilterLowPassesAndSurvivesNonsense) {
    manager->startTracking();
    pitchFrame({0, -1, 0});
    pitchFrame({0, 0, -1});
    const auto a = manager->state().previousAcceleration;
    EXPECT_NEAR(a.y, -0.925, 1e-12);
    EXPECT_NEAR(a.z, -0.075, 1e-12);

    const double before = manager->filteredPitch();
    for (Acceleration bad :
         {Acceleration{kNaN, 0, 0}, Acceleration{0, kInf, 0}, Acceleration{0, 0, -kInf}}) {
        EXPECT_EQ(pitchFrame(bad), before);
    }
    EXPECT_EQ(manager->state().previousAcceleration, a);
    pitchFrame({1e308, -1e308, 1e308});
    EXPECT_TRUE(std::isfinite(manager->filteredPitch()));

    manager->setDebugPitch(30);
    manager->setFilteredPitch(30);
    manager->setFilteredPitch(kNaN);
    EXPECT_EQ(pitchFrame({0, -1, 0}), 30);
    manager->stopTracking();
    manager->setDebugPitch(std::nullopt);
    manager->setFilteredPitch(12);
    manager->filterPitch();  // no sample while stopped
    EXPECT_EQ(manager->filteredPitch(), 12);
}

TEST_F(ARTrackingManagerTest, DelegatesMayStopOrDropTheManagerFromTheirCallbacks) {
    manager->startTracking(true);
    recorder->onLocation = [&] { manager->stopTracking(); };
    fix(kCasino);
    EXPECT_FALSE(manager->state().reportLocationDate);
    EXPECT_FALSE(manager->state().reloadLocationPrevious);

    recorder->onLocation = nullptr;
    manager->startTracking(true);
    recorder->onFailure = [&] { manager.reset(); };
    device.advance(5);
    EXPECT_FALSE(manager);
    device.advance(20);
    EXPECT_EQ(recorder->failures.size(), 3u);
}

TEST_F(ARTrackingManagerTest, ReplaysTheMonacoWalk) {
    const auto track = sim::readGpxFile(ARQUOREL_DATA_DIR "/monaco/walk.gpx");
    ASSERT_TRUE(track.ok()) << track.error;
    sim::SensorScript script = sim::SensorScript::fromTrack(track.points, 8);
    for (int i = 0; i <= 100; ++i) script.heading(i * 0.5, 120 + i * 0.5, 0, 10);
    script.orientation(0, DeviceOrientation::portrait).acceleration(0, {0, -0.8, -0.6});

    manager->startTracking(true);
    script.play(sensors);
    for (int frame = 0; frame < 60 * 60; ++frame) {  // the first minute at 60 frames a second
        device.advance(1.0 / 60);
        manager->filterPitch();
        manager->filterHeading();
    }
    device.advance(script.duration());
    EXPECT_EQ(recorder->locations.size(), 210u);
    EXPECT_EQ(recorder->failures.size(), 1u);  // only the 0 at the start
    EXPECT_NEAR(manager->filteredHeading(), 170, 0.5);
    EXPECT_NEAR(manager->filteredPitch(), std::atan2(-0.8, -0.6) * kRadiansToDegrees + 90, 1e-6);
    ASSERT_GE(recorder->reloads.size(), 2u);
    Location previous(kCasino.latitude, kCasino.longitude);
    double previousTime = 0;
    for (const auto& [time, reload] : recorder->reloads) {
        EXPECT_GT(distanceFromUser(previous, reload), 200);
        EXPECT_GE(time - previousTime, 5);
        previous = reload;
        previousTime = time;
    }
}

}  // namespace
}  // namespace arquorel
