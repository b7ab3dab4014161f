#include "arquorel/arscreen/LocationManager.h"

#include <gtest/gtest.h>

#include <limits>

#include "arquorel/platform/runtime/PlatformContext.h"
#include "sim/device/SensorScript.h"
#include "sim/device/SimGeocoder.h"
#include "sim/device/SimLocationService.h"
#include "sim/device/SimPlatform.h"

namespace arquorel {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr Coordinate kCasino{43.7393682, 7.4272085};  // Monaco
constexpr Coordinate kNice{43.7034, 7.2663};

class LocationManagerTest : public ::testing::Test {
  protected:
    LocationManagerTest() {
        LocationManager::resetSharedInstance();
        platformContext().console().startCapture();
        platformContext().notificationCenter().addObserver(
            this, kAskForLocationNotification,
            [this](const Notification&) { asks.push_back(device.now() - t0); });
    }
    ~LocationManagerTest() override { LocationManager::resetSharedInstance(); }

    LocationManager& manager() { return *LocationManager::sharedInstance(); }
    sim::SimLocationService& service() {
        return *static_cast<sim::SimLocationService*>(manager().manager());
    }
    // A fix `dt` seconds after t0, handed to the manager's service.
    bool fix(double dt, Coordinate c = kCasino) {
        return service().deliverLocation(Location(c, 0, 5, 5, t0 + dt));
    }
    bool heading(double trueHeading, double magnetic = 100, double accuracy = 5) {
        return service().deliverHeading({magnetic, trueHeading, accuracy, device.now()});
    }
    std::vector<std::string> console() { return platformContext().console().lines(); }

    sim::SimPlatform device;
    sim::SimSensors sensors;
    sim::SimGeocoder geocoder;
    const double t0 = device.now();
    std::vector<double> asks;  // seconds after t0 at which "askForLocation" was posted
};

// What start() and checkStatus() do for each state of location services and permission, and
// what the user's answer to the permission prompt leads to.
TEST_F(LocationManagerTest, StartAndCheckFollowThePermissions) {
    using S = AuthorizationStatus;
    struct Case {
        bool check;  // checkStatus() instead of start()
        bool enabled;
        S status;
        std::optional<S> answer;
        bool updating;
        std::optional<double> ask;  // when "askForLocation" is posted
        int requests;
    };
    const Case cases[] = {
        {false, true, S::authorizedWhenInUse, {}, true, {}, 0},
        {false, true, S::authorizedAlways, {}, true, {}, 0},
        {false, true, S::denied, {}, false, 0.5, 0},
        {false, false, S::authorizedWhenInUse, {}, false, 0.5, 0},
        {false, true, S::notDetermined, S::authorizedWhenInUse, true, {}, 1},
        {false, true, S::notDetermined, S::denied, false, 0.5, 1},  // refused at the prompt
        {false, true, S::notDetermined, {}, false, {}, 1},          // no answer yet
        {false, true, S::restricted, {}, false, {}, 1},
        {true, true, S::authorizedWhenInUse, {}, false, {}, 0},
        {true, true, S::denied, {}, false, 0.1, 0},
        {true, false, S::denied, {}, false, 0.1, 0},
        {true, true, S::notDetermined, S::authorizedAlways, true, {}, 1},
    };
    for (const auto& c : cases) {
        const auto name = std::to_string(&c - cases);
        LocationManager::resetSharedInstance();
        asks.clear();
        sensors.settings() = {.locationServicesEnabled = c.enabled,
                              .initialAuthorization = c.status,
                              .authorizationAnswer = c.answer};
        const double start = device.now();
        c.check ? manager().checkStatus() : manager().start();
        EXPECT_EQ(service().headingFilter() + service().distanceFilter(), 20) << name;
        device.advance(0.49);  // a granted prompt starts the updates 0.5 s after the answer
        EXPECT_FALSE(c.answer && service().isUpdatingLocation()) << name;
        device.advance(0.02);
        EXPECT_EQ(service().isUpdatingLocation() && service().isUpdatingHeading(), c.updating)
            << name;
        EXPECT_EQ(service().authorizationRequestCount(), c.requests) << name;
        ASSERT_EQ(asks.size(), c.ask ? 1u : 0u) << name;
        EXPECT_NEAR(asks.empty() ? 0 : asks[0], c.ask ? start - t0 + *c.ask : 0, 1e-6) << name;
    }
}

TEST_F(LocationManagerTest, AcceptsFixesMoreThan100MillisecondsNewerAndResendsTheHeading) {
    manager().start();
    std::vector<double> heard;
    std::vector<double> fixTimes;  // the latest fix's time as each subscriber call sees it
    auto subscription = manager().addHeadingCallback([&](auto h) {
        heard.push_back(*h);
        if (const auto& latest = manager().latestLocation()) fixTimes.push_back(latest->timestamp);
    });
    heading(42);
    manager().didUpdateLocations(service(), {});  // ignored
    EXPECT_FALSE(manager().latestLocation());

    const std::pair<double, bool> fixes[] = {{0, true},      {0.05, false}, {0.0999, false},
                                             {0.1001, true}, {0.2, false},  {0.2002, true},
                                             {0.15, false}};  // the last one is older
    for (const auto& [dt, accepted] : fixes) {
        const auto before = manager().latestLocation();
        heard.clear();
        fixTimes.clear();
        fix(dt, {kCasino.latitude + dt, kCasino.longitude});
        ASSERT_TRUE(manager().latestLocation()) << dt;
        EXPECT_EQ(manager().latestLocation()->timestamp, accepted ? t0 + dt : before->timestamp)
            << dt;
        // An accepted fix after the first re-sends the known heading to the subscribers.
        EXPECT_EQ(heard, accepted && dt > 0 ? std::vector{42.0} : std::vector<double>{}) << dt;
        // ... after storing the new fix, so that distances measured then are current.
        if (accepted && dt > 0) {
            EXPECT_EQ(fixTimes, std::vector{t0 + dt}) << dt;
        }
    }

    // Broken fixes are dropped with one console line, and do not stop later good ones.
    for (const Location& bad :
         {Location({kNaN, 7}, 0, 5, 5, t0 + 9), Location(95, 7), Location({43, 7}, 0, 5, 5, kNaN)})
        manager().didUpdateLocations(service(), {bad});
    EXPECT_EQ(manager().latestLocation()->timestamp, t0 + 0.2002);
    EXPECT_EQ(console(), std::vector<std::string>{"LocationManager: ignoring a location without a "
                                                  "valid coordinate or time"});
    fix(1);
    EXPECT_EQ(manager().latestLocation()->timestamp, t0 + 1);
}

// Subscribers get the true heading when it is valid, the magnetic one otherwise, and nothing
// for a reading without either.
TEST_F(LocationManagerTest, SubscribersGetTheTrueHeadingElseTheMagneticOne) {
    manager().start();
    std::vector<double> heard;
    auto subscription = manager().addHeadingCallback([&](auto h) { heard.push_back(*h); });
    // True, magnetic, accuracy (negative: the whole reading is invalid), what is heard (-1:
    // nothing).
    const std::tuple<double, double, double, double> readings[] = {
        {90, 88, 5, 90},    {0, 358, 5, 0},  {-1, 270, 5, 270}, {kNaN, 271, 5, 271},
        {400, 272, 5, 272}, {-1, -1, 5, -1}, {12, 10, -1, -1},  {-1, kNaN, 5, -1}};
    for (const auto& [trueHeading, magnetic, accuracy, expected] : readings) {
        heard.clear();
        const auto before = manager().latestHeading();
        heading(trueHeading, magnetic, accuracy);
        EXPECT_EQ(heard, expected >= 0 ? std::vector{expected} : std::vector<double>{});
        EXPECT_EQ(manager().latestHeading(), expected >= 0 ? expected : before);
    }
    EXPECT_EQ(console().size(), 1u);
}

TEST_F(LocationManagerTest, SubscriptionsLastAsLongAsTheirTokens) {
    manager().start();
    std::vector<std::string> calls;
    auto first = manager().addHeadingCallback([&](auto) { calls.push_back("first"); });
    // Before any heading nobody is called; after one, a new subscriber is called at once.
    EXPECT_TRUE(calls.empty());
    heading(10);
    EXPECT_EQ(calls, std::vector<std::string>{"first"});
    auto late = manager().addHeadingCallback([&](auto) { calls.push_back("late"); });
    EXPECT_EQ(calls.back(), "late");

    // One subscriber holding two tokens (a details screen's header and its map) gets both.
    std::vector<HeadingSubscription> screen;
    screen.push_back(manager().addHeadingCallback([&](auto) { calls.push_back("header"); }));
    screen.push_back(manager().addHeadingCallback([&](auto) { calls.push_back("map"); }));
    EXPECT_EQ(manager().headingCallbackCount(), 4u);
    calls.clear();
    heading(20);
    EXPECT_EQ(calls, (std::vector<std::string>{"first", "late", "header", "map"}));

    // A cell given another place replaces its token: the old subscription ends with it.
    screen[0] = manager().addHeadingCallback([&](auto) { calls.push_back("header again"); });
    EXPECT_EQ(manager().headingCallbackCount(), 4u);

    // Gone: the token cancelled, the moved-from token harmless, the screen's tokens dropped.
    first.cancel();
    HeadingSubscription moved = std::move(late);
    late.cancel();
    screen.clear();
    EXPECT_EQ(manager().headingCallbackCount(), 1u);
    calls.clear();
    heading(30);
    EXPECT_EQ(calls, std::vector<std::string>{"late"});
    { HeadingSubscription scoped = std::move(moved); }
    calls.clear();
    heading(40);
    EXPECT_TRUE(calls.empty());
    EXPECT_EQ(manager().headingCallbackCount(), 0u);
}

TEST_F(LocationManagerTest, SubscribersMayUnsubscribeOthersOrDropTheManagerWhileCalled) {
    manager().start();
    std::vector<std::string> calls;
    HeadingSubscription second;
    auto first = manager().addHeadingCallback([&](auto) {
        calls.push_back("first");
        second.cancel();
    });
    second = manager().addHeadingCallback([&](auto) { calls.push_back("second"); });
    auto third = manager().addHeadingCallback([&](auto) {
        calls.push_back("third");
        LocationManager::resetSharedInstance();
    });
    auto fourth = manager().addHeadingCallback([&](auto) { calls.push_back("fourth"); });
    auto service = sensors.location();
    service->deliverHeading({0, 50, 5, device.now()});
    EXPECT_EQ(calls, (std::vector<std::string>{"first", "third", "fourth"}));
    EXPECT_FALSE(first.active());
    EXPECT_EQ(service->delegate(), nullptr);
    first.cancel();  // the manager is gone: nothing to do
}

// One geocoding at a time until the country is known. A failing, offline or silent geocoder
// leaves the country empty, and the next accepted fix tries again.
TEST_F(LocationManagerTest, FindsTheCountryWithOneGeocodingInFlight) {
    using Mode = sim::SimGeocoderSettings::Mode;
    geocoder.settings().delay = 1;
    manager().start();
    const std::tuple<Mode, Coordinate, std::string> answers[] = {
        {Mode::offline, kCasino, ""},    {Mode::fail, kCasino, ""},
        {Mode::answer, {40.0, 5.0}, ""},                               // at sea
        {Mode::answer, kCasino, "MC"},   {Mode::answer, kNice, "MC"},  // known: not asked again
    };
    double dt = 0;
    for (const auto& [mode, where, country] : answers) {
        geocoder.settings().mode = mode;
        for (int i = 0; i < 4; ++i, dt += 0.2) {  // fixes while the answer is on its way
            fix(dt, where);
            device.advance(0.2);
        }
        device.advance(0.5);
        EXPECT_EQ(manager().country(), country) << dt;
        EXPECT_EQ(platformContext().userDefaults().stringForKey(kCountryDefaultsKey), country);
    }
    EXPECT_EQ(geocoder.state().requests, 4);
    EXPECT_EQ(geocoder.state().maxInFlight, 1);
}

// Delayed starts, geocoding answers and subscriptions hold the manager weakly: a dropped
// manager goes at once, and what was pending finds nothing to do.
TEST_F(LocationManagerTest, PendingWorkDoesNotKeepTheManagerAlive) {
    manager().start();
    fix(0);  // the country is asked for
    auto service = sensors.location();
    service->stopUpdatingLocation();
    service->setAuthorizationStatus(AuthorizationStatus::authorizedAlways);  // restart in 0.5 s
    auto subscription = manager().addHeadingCallback([](auto) {});
    std::weak_ptr<LocationManager> old = LocationManager::sharedInstance();
    LocationManager::resetSharedInstance();
    EXPECT_TRUE(old.expired());
    device.advance(2);
    EXPECT_FALSE(service->isUpdatingLocation());
    EXPECT_EQ(platformContext().userDefaults().stringForKey(kCountryDefaultsKey), "");
    EXPECT_FALSE(subscription.active());
}

TEST(BearingBetweenTest, InitialCourseWithinMinus180To180) {
    const std::pair<Coordinate, double> cases[] = {
        {{0, -1}, -90}, {{-1, 0}, 180}, {{1, 0}, 0}, {{0, 1}, 90}, {{1, 1}, 44.99563645534486}};
    for (const auto& [to, expected] : cases)
        EXPECT_NEAR(
            LocationManager::bearingBetween(Location(0, 0), Location(to.latitude, to.longitude)),
            expected, 1e-9)
            << to.latitude << "," << to.longitude;
}

}  // namespace
}  // namespace arquorel
