#include "sim/device/SensorScript.h"

#include <gtest/gtest.h>

#include <cmath>
#include <tuple>
#include <vector>

#include "arquorel/platform/runtime/PlatformContext.h"
#include "sim/device/SimLocationService.h"
#include "sim/device/SimMotionService.h"
#include "sim/device/SimPlatform.h"

namespace arquorel::sim {
namespace {

// Records what reaches the location service's delegate; fixes with the time they arrived.
struct Listener : LocationServiceDelegate {
    std::vector<std::pair<double, Location>> fixes;
    std::vector<HeadingReading> headings;
    void didUpdateLocations(LocationService&, const std::vector<Location>& l) override {
        fixes.emplace_back(platformContext().now(), l.back());
    }
    void didUpdateHeading(LocationService&, const HeadingReading& h) override {
        headings.push_back(h);
    }
};

TEST(SensorScriptTest, EventsReachTheLatestServicesAtTheirTimes) {
    SimPlatform device;
    SimSensors sensors;
    sensors.settings().initialAuthorization = AuthorizationStatus::notDetermined;
    sensors.settings().authorizationAnswer.reset();
    auto location =
        std::static_pointer_cast<SimLocationService>(platformContext().makeLocationService());
    auto motion = platformContext().makeMotionService();
    Listener listener;
    location->setDelegate(&listener);
    location->startUpdatingLocation();
    location->startUpdatingHeading();
    motion->startAccelerometerUpdates();
    location->requestWhenInUseAuthorization();

    const double t0 = device.now();
    SensorScript()
        .fix(1, {43.7, 7.4}, 8, 2)  // before the user answers: not delivered
        .authorization(2, AuthorizationStatus::authorizedWhenInUse)
        .fix(3, {43.71, 7.41}, 8, 2)
        .heading(3, 90, 88, 4)
        .acceleration(4, {0, -1, 0})
        .orientation(5, DeviceOrientation::landscapeLeft)
        .authorization(6, AuthorizationStatus::denied)  // no request shown: a settings change
        .play(sensors);
    device.advance(3.5);
    EXPECT_EQ(listener.fixes,  // arrival time and fix
              (std::vector{std::pair(t0 + 3, Location({43.71, 7.41}, 0, 8, -1, t0 + 1))}));
    EXPECT_EQ(listener.headings, (std::vector{HeadingReading{88, 90, 4, t0 + 3}}));
    device.advance(10);
    EXPECT_EQ(motion->accelerometerData(), (Acceleration{0, -1, 0}));
    EXPECT_EQ(platformContext().device().orientation(), DeviceOrientation::landscapeLeft);
    EXPECT_EQ(location->authorizationStatus(), AuthorizationStatus::denied);

    // Events still pending when the sensors go away are dropped, and the previous ones return.
    auto later = std::make_unique<SimSensors>();
    SensorScript().heading(1, 10, 10).play(*later);
    EXPECT_FALSE(later->apply({0, AuthorizationEvent{}}));  // no service of its own yet
    later.reset();
    device.advance(2);
    EXPECT_EQ(listener.headings.size(), 1u);
    const auto restored = platformContext().makeLocationService();
    EXPECT_EQ(sensors.location(), restored);
}

// Two clients of the sensors (the shared location manager and the AR tracking manager each
// hold a service): both hear every event, and the answer one of them got from the user.
TEST(SensorScriptTest, EveryLiveServiceHearsTheEventsAndTheUsersAnswer) {
    SimPlatform device;
    SimSensors sensors;
    sensors.settings().initialAuthorization = AuthorizationStatus::notDetermined;
    sensors.settings().authorizationAnswer = AuthorizationStatus::authorizedWhenInUse;
    std::vector<std::shared_ptr<SimLocationService>> services;
    std::vector<Listener> listeners(3);
    for (auto& listener : listeners) {
        services.push_back(
            std::static_pointer_cast<SimLocationService>(platformContext().makeLocationService()));
        services.back()->setDelegate(&listener);
        services.back()->startUpdatingLocation();
        services.back()->startUpdatingHeading();
    }
    std::vector<std::shared_ptr<MotionService>> motions = {platformContext().makeMotionService(),
                                                           platformContext().makeMotionService()};
    for (auto& m : motions) m->startAccelerometerUpdates();
    services[0]->requestWhenInUseAuthorization();
    device.runPending();
    for (const auto& s : services)
        EXPECT_EQ(s->authorizationStatus(), AuthorizationStatus::authorizedWhenInUse);

    services[2].reset();  // a client that went away
    EXPECT_EQ(sensors.location(), services[1]);
    SensorScript().fix(1, {43.7, 7.4}).heading(1, 90, 88).acceleration(1, {0, -1, 0}).play(sensors);
    device.advance(1);
    for (int i : {0, 1}) {
        EXPECT_EQ(listeners[i].fixes.size() + listeners[i].headings.size(), 2u) << i;
        EXPECT_EQ(motions[i]->accelerometerData(), (Acceleration{0, -1, 0})) << i;
    }
    EXPECT_TRUE(listeners[2].fixes.empty());
    // A decision made in the settings reaches every service too.
    EXPECT_TRUE(sensors.apply({0, AuthorizationEvent{AuthorizationStatus::denied}}));
    for (int i : {0, 1}) EXPECT_FALSE(services[i]->deliversLocations()) << i;
    services[1]->stopUpdatingHeading();
    EXPECT_TRUE(sensors.apply({0, HeadingEvent{90, 88, 5}}));  // it reached the first one
    // Settings apply to the services created after them.
    sensors.settings().locationServicesEnabled = false;
    sensors.settings().accelerometerAvailable = false;
    EXPECT_FALSE(platformContext().makeLocationService()->locationServicesEnabled() ||
                 platformContext().makeMotionService()->isAccelerometerAvailable());
    EXPECT_EQ(std::pair(sensors.locationServicesCreated(), sensors.motionServicesCreated()),
              std::pair(4, 3));
}

TEST(SensorScriptTest, TimesBeforeTheStartMeanTheStartAndTheDurationIsTheLatest) {
    SensorScript script;
    script.heading(5, 1, 1).heading(-3, 1, 1).heading(NAN, 1, 1).heading(2, 1, 1);
    std::vector<double> times;
    for (const auto& e : script.events()) times.push_back(e.time);
    EXPECT_EQ(times, (std::vector<double>{5, 0, 0, 2}));
    EXPECT_EQ(script.duration(), 5);
    // A track's fixes are timed from its first point, fresh, with the accuracy given.
    const auto track = SensorScript::fromTrack({{{43.7, 7.4}, 1000}, {{43.71, 7.41}, 1005}}, 20);
    const auto& second = std::get<FixEvent>(track.events()[1].what);
    EXPECT_EQ(std::tuple(track.events()[1].time, second.horizontalAccuracy, second.age),
              std::tuple(5.0, 20.0, 0.0));
}

}  // namespace
}  // namespace arquorel::sim
