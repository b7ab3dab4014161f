#include "arquorel/arcore/ARTrackingManager.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <tuple>

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
    int headings = 0;
    std::function<void()> onLocation, onFailure;
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
    void didUpdateHeading(ARTrackingManager&, const HeadingReading&) override { ++headings; }
};

// About `metres` north of kCasino (a degree of latitude there is 111.1 km).
Coordinate north(double metres) {
    return {kCasino.latitude + metres / 111100, kCasino.longitude};
}

class ARTrackingManagerTest : public ::testing::Test {
  protected:
    void SetUp() override {
        recorder->device = &device;
        manager->setDelegate(recorder);
        manager->setLocDelegate(recorder);
    }

    sim::SimLocationService& location() { return *sensors.location(); }
    bool fix(Coordinate c, double accuracy = 5, double age = 0) {
        const std::size_t before = recorder->locations.size();
        location().deliverLocation(Location(c, 12, accuracy, 3, device.now() - age));
        device.runPending();
        return recorder->locations.size() > before;
    }
    bool heading(double trueHeading, double accuracy = 5, double magnetic = 0) {
        const int before = recorder->headings;
        location().deliverHeading({magnetic, trueHeading, accuracy, device.now()});
        return recorder->headings > before;
    }
    // Fix at `c`, then wait for the reload check; returns the reloads so far.
    std::size_t reloadsAfter(Coordinate c, double wait = 5) {
        fix(c);
        device.advance(wait);
        return recorder->reloads.size();
    }
    double pitchFrame(Acceleration a) {
        sensors.motion()->deliverAcceleration(a);
        manager->filterPitch();
        return manager->filteredPitch();
    }

    sim::SimPlatform device;
    sim::SimSensors sensors;
    std::shared_ptr<ARTrackingManager> manager = ARTrackingManager::create();
    std::shared_ptr<Recorder> recorder = std::make_shared<Recorder>();
};

TEST_F(ARTrackingManagerTest, SettingsServiceSetUpAndWeakHoldByTimersAndPostedWork) {
    auto service = sensors.location();
    EXPECT_EQ(std::tuple(service->distanceFilter(), service->headingFilter()),
              std::tuple(10.0, 1.0));
    manager->setUserDistanceFilter(std::nullopt);
    EXPECT_EQ(service->distanceFilter(), LocationService::kDistanceFilterNone);
    EXPECT_FALSE(manager->shouldDisplayHeadingCalibration(*service));
    manager->setAllowCompassCalibration(true);
    EXPECT_TRUE(manager->shouldDisplayHeadingCalibration(*service));
    // Numeric settings ignore NaN, the filter factors also infinity.
    using M = ARTrackingManager;
    for (auto set :
         {&M::setHeadingFilterFactor, &M::setPitchFilterFactor, &M::setMinimumLocationAge,
          &M::setMinimumHeadingAccuracy, &M::setMinimumLocationHorizontalAccuracy})
        ((*manager).*set)(kNaN);
    manager->setHeadingFilterFactor(kInf);
    EXPECT_EQ(std::tuple(manager->headingFilterFactor(), manager->pitchFilterFactor(),
                         manager->minimumLocationAge(), manager->minimumHeadingAccuracy(),
                         manager->minimumLocationHorizontalAccuracy()),
              std::tuple(0.075, 0.075, 30.0, 120.0, 100.0));

    manager->startTracking(true);
    fix(kCasino);
    fix(kCasino);  // a reload check is now pending
    location().deliverLocation(Location(kCasino, 0, 5, 3, device.now()));
    std::weak_ptr<ARTrackingManager> weak = manager;
    manager.reset();
    EXPECT_TRUE(weak.expired());
    EXPECT_EQ(service->delegate(), nullptr);
    EXPECT_FALSE(service->isUpdatingLocation());
    EXPECT_EQ(device.context().notificationCenter().observerCount(kDeviceOrientationDidChange), 0u);
    device.advance(20);
    EXPECT_EQ(recorder->failures.size(), 1u);
}

TEST_F(ARTrackingManagerTest, DelegatesMayStopOrDropTheManagerFromTheirCallbacks) {
    manager->startTracking(true);
    recorder->onLocation = [&] { manager->stopTracking(); };
    fix(kCasino);
    EXPECT_FALSE(manager->state().reportLocationDate);
    EXPECT_FALSE(manager->state().reloadLocationPrevious);

    recorder->onLocation = nullptr;
    manager->startTracking(true);  // reports 0 at once
    recorder->onFailure = [&] { manager.reset(); };
    device.advance(5);
    EXPECT_FALSE(manager);
    device.advance(20);
    EXPECT_EQ(recorder->failures.size(), 3u);
}

TEST_F(ARTrackingManagerTest, StartAndStopDriveTheSensorsAndResetTheData) {
    location().setAuthorizationStatus(AuthorizationStatus::notDetermined);
    location().setLocationServicesEnabled(false);
    manager->startTracking();  // nobody to ask while location services are off
    EXPECT_EQ(location().authorizationRequestCount(), 0);
    location().setLocationServicesEnabled(true);
    manager->startTracking();
    const auto running = [&] {
        return std::tuple(manager->tracking(), sensors.motion()->isAccelerometerActive(),
                          location().isUpdatingHeading(), location().isUpdatingLocation());
    };
    EXPECT_EQ(running(), std::tuple(true, true, true, true));
    device.runPending();  // the user allows
    manager->startTracking();
    EXPECT_EQ(location().authorizationRequestCount(), 1);  // only asked while undetermined

    fix(kCasino);
    heading(200);
    pitchFrame({0, 0, -1});
    manager->stopTracking();
    EXPECT_EQ(running(), std::tuple(false, false, false, false));
    EXPECT_FALSE(manager->userLocation());
    EXPECT_EQ(std::tuple(manager->heading(), manager->filteredHeading(), manager->filteredPitch()),
              std::tuple(0.0, 0.0, 0.0));
    EXPECT_TRUE(manager->state().reloadLocationPrevious);  // the places around it stay loaded
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
    const std::tuple<Coordinate, double, double, bool> cases[] = {
        {kCasino, 5, 29, true},    {kCasino, 5, 30, true},     {kCasino, 5, 31, false},
        {kCasino, 0, 0, true},     {kCasino, 100, 0, true},    {kCasino, 100.5, 0, false},
        {kCasino, -1, 0, false},   {kCasino, kNaN, 0, false},  {kCasino, kInf, 0, false},
        {kCasino, 5, kNaN, false}, {{kNaN, 7.4}, 5, 0, false}, {{91, 7.4}, 5, 0, false}};
    for (const auto& [at, accuracy, age, accepted] : cases)
        EXPECT_EQ(fix(at, accuracy, age), accepted) << at.latitude << " " << accuracy << " " << age;
    // Processed on the main loop; altitude is dropped, the rest kept.
    const Location last(north(3), 55, 7, 4, device.now() - 1);
    location().deliverLocation(last);
    EXPECT_EQ(recorder->locations.size(), 4u);
    device.runPending();
    EXPECT_EQ(manager->userLocation(), Location(last.coordinate, 0, 7, 4, last.timestamp));
    // Of a list only the last fix counts; an empty list is ignored.
    const Location good(kCasino, 0, 5, 3, device.now()), bad(kCasino, 0, 500, 3, device.now());
    manager->didUpdateLocations(location(), {good, bad});
    manager->didUpdateLocations(location(), {});
    device.runPending();
    EXPECT_EQ(recorder->locations.size(), 5u);
    manager->setMinimumLocationAge(10);
    manager->setMinimumLocationHorizontalAccuracy(20);
    EXPECT_EQ(std::tuple(fix(kCasino, 20, 10), fix(kCasino, 21), fix(kCasino, 5, 11)),
              std::tuple(true, false, false));
}

TEST_F(ARTrackingManagerTest, ReloadCheckAtOnceThenEveryFiveSecondsOnlyBeyondTheLimit) {
    const double t0 = device.now();
    manager->startTracking();
    fix(kCasino);
    EXPECT_EQ(manager->state().reloadLocationPrevious->coordinate, kCasino);
    device.advance(1);
    EXPECT_EQ(reloadsAfter(north(300), 2), 0u);
    EXPECT_EQ(reloadsAfter(north(600), 2), 0u);
    device.advance(1);
    ASSERT_EQ(recorder->reloads.size(), 1u);
    EXPECT_DOUBLE_EQ(recorder->reloads[0].first, t0 + 6);
    EXPECT_EQ(recorder->reloads[0].second, *manager->userLocation());
    // Measured from the new reload location: 150 m on is not enough, 250 m is.
    device.advance(1);
    EXPECT_EQ(reloadsAfter(north(750)), 1u);
    EXPECT_EQ(reloadsAfter(north(850)), 2u);
    // Exactly the reload distance does not trigger, a hair more does; without a filter, never.
    const Coordinate far = north(1200);
    const double exact =
        distanceFromUser(*manager->userLocation(), Location(far.latitude, far.longitude));
    manager->setReloadDistanceFilter(exact);
    EXPECT_EQ(reloadsAfter(far), 2u);
    manager->setReloadDistanceFilter(std::nextafter(exact, 0.0));
    EXPECT_EQ(reloadsAfter(far), 3u);
    manager->setReloadDistanceFilter(std::nullopt);
    EXPECT_EQ(reloadsAfter(north(5000), 30), 3u);
    // A check pending at a restart is dropped: the first fix after it is checked at once.
    manager->setReloadDistanceFilter(200);
    fix(north(5000));
    fix(north(5100));
    manager->startTracking();
    device.advance(5);
    fix(kCasino);
    EXPECT_EQ(recorder->reloads.size(), 4u);
}

TEST_F(ARTrackingManagerTest, WatchdogReportsEveryFiveSecondsUntilAFixIsAccepted) {
    const double t0 = device.now();
    manager->startTracking(true);
    device.advance(10);
    EXPECT_FALSE(fix(kCasino, 500));
    device.advance(2);
    EXPECT_TRUE(fix(kCasino));
    device.advance(30);
    const std::vector<std::pair<double, double>> expected{{t0, 0}, {t0 + 5, 5}, {t0 + 10, 10}};
    EXPECT_EQ(recorder->failures, expected);
    // A restart begins a new count; a restart without the request stops it.
    manager->startTracking(true);
    device.advance(5);
    EXPECT_EQ(recorder->failures.back(), std::make_pair(device.now(), 5.0));
    manager->startTracking(false);
    device.advance(60);
    EXPECT_EQ(recorder->failures.size(), 5u);
}

TEST_F(ARTrackingManagerTest, HeadingsAreAcceptedUpToTheAccuracyLimit) {
    manager->startTracking();
    EXPECT_TRUE(heading(10, 120) && heading(10, 0));
    for (double accuracy : {121.0, -1.0, kNaN}) EXPECT_FALSE(heading(50, accuracy)) << accuracy;
    EXPECT_FALSE(heading(-1, 5, kNaN));
    EXPECT_FALSE(heading(kInf));
    manager->setMinimumHeadingAccuracy(20);
    EXPECT_FALSE(heading(50, 21));
    EXPECT_EQ(manager->heading(), 10);
    // True heading when known (0 is north, not unknown), else magnetic; always within [0, 360).
    const double cases[][3] = {{370, 0, 10},   {0, 40, 0},     {-1, 40, 40},
                               {kNaN, 60, 60}, {-1, -10, 350}, {-1, -1e-14, 0}};
    for (const auto& [trueHeading, magnetic, expected] : cases) {
        EXPECT_TRUE(heading(trueHeading, 5, magnetic));
        EXPECT_EQ(manager->heading(), expected) << trueHeading << " " << magnetic;
    }
}

TEST_F(ARTrackingManagerTest, HeadingFilterSeedsCatchesUpAndTakesTheShortWay) {
    // The first reading seeds the filter. Until 5 s after it, a jump of more than 10 degrees,
    // measured the short way round, makes the next frame follow the reading at once.
    // (first, wait, next, weight)
    const std::tuple<double, double, double, double> jumps[] = {
        {200, 2, 215, 1},   {200, 2, 210, 0.075}, {200, 2, 189.5, 1},  {2, 2, 358, 0.075},
        {358, 2, 2, 0.075}, {5, 2, 340, 1},       {200, 5, 300, 0.075}};
    for (const auto& [first, wait, next, weight] : jumps) {
        manager->startTracking();
        heading(first);
        EXPECT_EQ(manager->filteredHeading(), first);
        device.advance(wait);
        heading(next);
        EXPECT_EQ(manager->state().headingFilterFactorInUse, weight) << first << " " << next;
        manager->filterHeading();
        EXPECT_EQ(manager->filteredHeading() == next, weight == 1) << first << " " << next;
    }
    // (seed, next heading after the catch-up period, factor, filtered)
    const std::tuple<double, double, double, double> steps[] = {
        {359, 1, 0.075, 359.15}, {10, 350, 0.5, 0}, {10, 350, 0.75, 355}};
    for (const auto& [seed, next, factor, filtered] : steps) {
        manager->startTracking();
        manager->setHeadingFilterFactor(factor);
        heading(seed);
        device.advance(5);
        heading(next);
        manager->filterHeading();
        EXPECT_NEAR(manager->filteredHeading(), filtered, 1e-9) << seed << " -> " << next;
    }
    // The debug heading replaces the input; nonsense leaves the filter within [0, 360).
    for (double d : {-2e-14, 359.9999999999, 720.0, -400.0, kNaN, kInf}) {
        manager->setDebugHeading(d);
        manager->filterHeading();
        EXPECT_TRUE(manager->filteredHeading() >= 0 && manager->filteredHeading() < 360) << d;
    }
    manager->setDebugHeading(90);
    for (int i = 0; i < 60; ++i) manager->filterHeading();
    EXPECT_NEAR(manager->filteredHeading(), 90, 1e-6);
    manager->setDebugHeading(std::nullopt);
    for (int i = 0; i < 60; ++i) manager->filterHeading();
    EXPECT_NEAR(manager->filteredHeading(), 350, 1e-6);
}

TEST_F(ARTrackingManagerTest, PitchFollowsLowPassedGravityInEveryOrientation) {
    manager->startTracking();
    EXPECT_EQ(pitchFrame({0, 0, 0}), 45);  // atan2(0, 0): a zero sample does not seed
    pitchFrame({kNaN, 0, 0});              // nor does a non-finite one
    EXPECT_TRUE(manager->state().catchupPitch);
    // From reset data the first frame gives half the raw pitch, the second three quarters.
    using O = DeviceOrientation;
    const std::tuple<O, Acceleration, double> cases[] = {
        {O::portrait, {0, -1, 0}, 0},
        {O::portrait, {0.6, 0, -1}, -90},
        {O::portrait, {0, 0, 1}, 90},
        {O::portrait, {0, 1, 0}, 180},  // only beyond 180 does it fold
        {O::portraitUpsideDown, {0, 0.6, -0.6}, -45},
        {O::landscapeRight, {0.6, 0, -0.6}, -45},
        {O::landscapeLeft, {0.6, 0, -0.6}, -135}};
    for (const auto& [orientation, sample, rawPitch] : cases) {
        device.context().device().setOrientation(orientation);
        EXPECT_EQ(location().headingOrientation(), orientation);
        manager->startTracking();
        EXPECT_NEAR(pitchFrame(sample), rawPitch / 2, 1e-9);
        EXPECT_NEAR(pitchFrame(sample), rawPitch * 3 / 4, 1e-9);
    }
    // Face up keeps the last upright orientation, for the pitch and for the compass.
    device.context().device().setOrientation(O::faceUp);
    EXPECT_EQ(manager->orientation(), O::landscapeLeft);
    EXPECT_EQ(location().headingOrientation(), O::landscapeLeft);
    manager->startTracking();
    EXPECT_NEAR(pitchFrame({-0.6, 0, -0.6}), -45.0 / 2, 1e-9);
    // Every axis is low-passed with the pitch factor; bad samples are ignored.
    manager->setPitchFilterFactor(0.25);
    manager->startTracking();
    pitchFrame({1, -1, 0.5});
    pitchFrame({-1, 1, -0.5});
    const auto a = manager->state().previousAcceleration;
    EXPECT_EQ(a, (Acceleration{0.5, -0.5, 0.25}));
    const double before = manager->filteredPitch();
    for (Acceleration bad : {Acceleration{kNaN, 0, 0}, Acceleration{0, kInf, 0}})
        EXPECT_EQ(pitchFrame(bad), before);
    EXPECT_EQ(manager->state().previousAcceleration, a);
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

TEST_F(ARTrackingManagerTest, HeldStillTheFiltersComeToRestOnTheReadings) {
    // A steady heading and gravity: within about two seconds of frames the filtered values stop
    // changing, exactly on the readings (frames held still then move nothing), having eased
    // there without a jump. (heading seed, steady heading, steady gravity, its pitch)
    const std::tuple<double, double, Acceleration, double> cases[] = {
        {100, 108, {0, -1, 0}, 0},
        {350, 5, {0, -0.866, -0.5}, -30},
        {10, 355.5, {0, -0.5, 0.866}, 60}};
    for (const auto& [seed, steady, gravity, pitch] : cases) {
        manager->startTracking();
        manager->setDebugHeading(std::nullopt);
        heading(seed);
        device.advance(6);  // past the catch-up period
        heading(steady);
        pitchFrame({0.3, 0, -1});  // the phone lying face up a moment before
        double last = manager->filteredHeading(), lastPitch = kNaN;
        int frames = 0;
        for (; frames < 600; ++frames) {
            manager->filterHeading();
            const double p = pitchFrame(gravity);
            const double step = std::fabs(std::remainder(manager->filteredHeading() - last, 360));
            EXPECT_LT(step, 2) << seed << " -> " << steady << " at frame " << frames;
            if (manager->filteredHeading() == last && p == lastPitch) break;
            last = manager->filteredHeading();
            lastPitch = p;
        }
        EXPECT_LT(frames, 200) << seed << " -> " << steady;
        EXPECT_EQ(manager->filteredHeading(), steady);
        EXPECT_NEAR(manager->filteredPitch(), pitch, 0.01);
        EXPECT_EQ(pitchFrame(gravity), manager->filteredPitch());
    }
}

}  // namespace
}  // namespace arquorel
