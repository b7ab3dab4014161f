#include "arquorel/arscreen/LocationManager.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "arquorel/arcore/ARTrackingManager.h"
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
// what the answer to the permission prompt leads to.
TEST_F(LocationManagerTest, StartAndCheckFollowThePermissions) {
    using S = AuthorizationStatus;
    struct Case {
        const char* name;
        bool enabled;
        S status;
        std::optional<S> answer;  // the user's answer to the prompt
        bool check;               // checkStatus() instead of start()
        bool updating;
        std::vector<double> asks;
        int requests;
    };
    const Case cases[] = {
        {"authorised", true, S::authorizedWhenInUse, {}, false, true, {}, 0},
        {"always", true, S::authorizedAlways, {}, false, true, {}, 0},
        {"denied", true, S::denied, {}, false, false, {0.5}, 0},
        {"services off", false, S::authorizedWhenInUse, {}, false, false, {0.5}, 0},
        {"prompt granted", true, S::notDetermined, S::authorizedWhenInUse, false, true, {}, 1},
        {"prompt refused", true, S::notDetermined, S::denied, false, false, {0.5}, 1},
        {"prompt pending", true, S::notDetermined, {}, false, false, {}, 1},
        {"restricted", true, S::restricted, {}, false, false, {}, 1},
        {"check authorised", true, S::authorizedWhenInUse, {}, true, false, {}, 0},
        {"check denied", true, S::denied, {}, true, false, {0.1}, 0},
        {"check services off", false, S::denied, {}, true, false, {0.1}, 0},
        {"check then granted", true, S::notDetermined, S::authorizedAlways, true, true, {}, 1},
    };
    for (const auto& c : cases) {
        LocationManager::resetSharedInstance();
        asks.clear();
        sensors.settings().locationServicesEnabled = c.enabled;
        sensors.settings().initialAuthorization = c.status;
        sensors.settings().authorizationAnswer = c.answer;
        const double start = device.now();
        c.check ? manager().checkStatus() : manager().start();
        EXPECT_EQ(service().headingFilter(), 10) << c.name;
        EXPECT_EQ(service().distanceFilter(), 10) << c.name;
        device.runPending();  // the prompt is answered
        device.advance(0.49);
        EXPECT_FALSE(c.answer && service().isUpdatingLocation()) << c.name << ": before 0.5 s";
        device.advance(0.02);
        EXPECT_EQ(service().isUpdatingLocation(), c.updating) << c.name;
        EXPECT_EQ(service().isUpdatingHeading(), c.updating) << c.name;
        EXPECT_EQ(service().authorizationRequestCount(), c.requests) << c.name;
        std::vector<double> expected;
        for (double a : c.asks) expected.push_back(start - t0 + a);
        ASSERT_EQ(asks.size(), expected.size()) << c.name;
        for (std::size_t i = 0; i < asks.size(); ++i) EXPECT_NEAR(asks[i], expected[i], 1e-6);
    }
}

TEST_F(LocationManagerTest, AcceptsFixesMoreThan100MillisecondsNewerAndResendsTheHeading) {
    manager().start();
    std::vector<std::optional<double>> heard;
    auto subscription = manager().addHeadingCallback([&](auto h) { heard.push_back(h); });
    heading(42);
    manager().didUpdateLocations(service(), {});  // ignored
    EXPECT_FALSE(manager().latestLocation());

    const std::pair<double, bool> fixes[] = {
        {0, true},    {0.05, false},  {0.0999, false}, {0.1001, true},
        {0.2, false}, {0.2002, true}, {0.15, false},  // older than the latest
    };
    for (const auto& [dt, accepted] : fixes) {
        const auto before = manager().latestLocation();
        heard.clear();
        fix(dt, {kCasino.latitude + dt, kCasino.longitude});
        ASSERT_TRUE(manager().latestLocation()) << dt;
        EXPECT_EQ(manager().latestLocation()->timestamp, accepted ? t0 + dt : before->timestamp)
            << dt;
        // An accepted fix after the first re-sends the known heading to the subscribers.
        const bool resent = accepted && dt > 0;
        EXPECT_EQ(heard, resent ? std::vector<std::optional<double>>{42.0}
                                : std::vector<std::optional<double>>{})
            << dt;
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
    std::vector<std::optional<double>> heard;
    auto subscription = manager().addHeadingCallback([&](auto h) { heard.push_back(h); });
    const std::tuple<double, double, double, std::optional<double>> readings[] = {
        {90, 88, 5, 90},
        {0, 358, 5, 0},
        {-1, 270, 5, 270},
        {kNaN, 271, 5, 271},
        {400, 272, 5, 272},
        {-1, -1, 5, std::nullopt},
        {12, 10, -1, std::nullopt},  // the reading is invalid as a whole
        {-1, kNaN, 5, std::nullopt},
    };
    for (const auto& [trueHeading, magnetic, accuracy, expected] : readings) {
        heard.clear();
        const auto before = manager().latestHeading();
        heading(trueHeading, magnetic, accuracy);
        EXPECT_EQ(heard, expected ? std::vector<std::optional<double>>{expected}
                                  : std::vector<std::optional<double>>{})
            << trueHeading << " " << magnetic;
        EXPECT_EQ(manager().latestHeading(), expected ? expected : before);
    }
    EXPECT_EQ(console().size(), 1u);
}

struct Screen {
    std::vector<double> headings;
};

TEST_F(LocationManagerTest, SubscriptionsEndWithTheirTokenOrOwnerAndDoNotPileUp) {
    manager().start();
    std::vector<std::string> calls;
    auto first = manager().addHeadingCallback([&](auto) { calls.push_back("first"); });
    auto screen = std::make_shared<Screen>();
    // Before any heading nobody is called; after one, a new subscriber is called at once.
    manager().addHeadingCallback(screen, [&](Screen& s, std::optional<double> h) {
        calls.push_back("screen");
        s.headings.push_back(*h);
    });
    EXPECT_TRUE(calls.empty());
    heading(10);
    EXPECT_EQ(calls, (std::vector<std::string>{"first", "screen"}));
    auto late = manager().addHeadingCallback([&](auto) { calls.push_back("late"); });
    EXPECT_EQ(calls.back(), "late");

    // A reused cell subscribes again: its subscription is replaced, not added.
    manager().addHeadingCallback(screen, [&](Screen&, auto) { calls.push_back("screen again"); });
    EXPECT_EQ(manager().headingCallbackCount(), 3u);
    calls.clear();
    heading(20);
    EXPECT_EQ(calls, (std::vector<std::string>{"first", "late", "screen again"}));

    // Gone: the token cancelled, the moved-from token harmless, the owner released.
    first.cancel();
    HeadingSubscription moved = std::move(late);
    late.cancel();
    screen.reset();
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

TEST_F(LocationManagerTest, FindsTheCountryOnceWithOneGeocodingInFlight) {
    geocoder.settings().delay = 1;
    manager().start();
    for (int i = 0; i < 4; ++i) {  // 0.8 s of fixes while the first answer is on its way
        fix(0.2 * i);
        device.advance(0.2);
    }
    EXPECT_EQ(geocoder.state().requests, 1);
    EXPECT_EQ(manager().country(), "");
    device.advance(0.2);
    EXPECT_EQ(manager().country(), "MC");
    EXPECT_EQ(platformContext().userDefaults().stringForKey(kCountryDefaultsKey), "MC");
    fix(3, kNice);  // country known: no more geocoding
    device.advance(2);
    EXPECT_EQ(geocoder.state().requests, 1);
    EXPECT_EQ(geocoder.state().maxInFlight, 1);
    EXPECT_EQ(manager().country(), "MC");
}

// A failing, offline or silent geocoder leaves the country empty; the next fix tries again.
TEST_F(LocationManagerTest, GeocodingFailuresChangeNothingAndAreRetried) {
    using Mode = sim::SimGeocoderSettings::Mode;
    geocoder.settings().delay = 0.3;
    manager().start();
    const std::tuple<Mode, Coordinate, std::string> answers[] = {
        {Mode::offline, kCasino, ""},
        {Mode::fail, kCasino, ""},
        {Mode::answer, {40.0, 5.0}, ""},  // at sea
        {Mode::answer, kNice, "FR"},
    };
    double dt = 0;
    int requests = 0;
    for (const auto& [mode, where, country] : answers) {
        geocoder.settings().mode = mode;
        fix(dt += 1, where);
        device.advance(1);
        EXPECT_EQ(geocoder.state().requests, ++requests);
        EXPECT_EQ(manager().country(), country);
        EXPECT_EQ(platformContext().userDefaults().stringForKey(kCountryDefaultsKey), country);
        EXPECT_FALSE(manager().isGeocoding());
    }
}

TEST_F(LocationManagerTest, SensorEventsReachTheManagerAndTheTrackingManager) {
    manager().start();
    auto tracking = ARTrackingManager::create();
    tracking->startTracking(false);
    ASSERT_EQ(sensors.locations().size(), 2u);
    sim::SensorScript().fix(0.1, kCasino).heading(0.2, 33, 31).play(sensors);
    device.advance(1);
    ASSERT_TRUE(manager().latestLocation());
    EXPECT_EQ(manager().latestLocation()->coordinate, kCasino);
    EXPECT_EQ(manager().latestHeading(), 33);
    ASSERT_TRUE(tracking->userLocation());
    EXPECT_EQ(tracking->userLocation()->coordinate, kCasino);
}

TEST_F(LocationManagerTest, ButtonOpensTheSettingsWhenItCan) {
    manager().buttonClicked();
    EXPECT_TRUE(console().empty());  // reported when the platform answers
    device.runPending();
    EXPECT_EQ(console(), std::vector<std::string>{"Settings opened: true"});
    EXPECT_EQ(device.urlOpener().openedURLs(),
              std::vector<std::string>{Application::kOpenSettingsURLString});
    device.urlOpener().uninstall(*Application::schemeOf(Application::kOpenSettingsURLString));
    manager().buttonClicked();
    device.runPending();
    EXPECT_EQ(console().size(), 1u);
    EXPECT_EQ(device.urlOpener().openedURLs().size(), 1u);
}

TEST(BearingBetweenTest, InitialCourseWithinMinus180To180) {
    const std::pair<Coordinate, double> cases[] = {
        {{0, -1}, -90}, {{-1, 0}, 180}, {{1, 0}, 0}, {{0, 1}, 90}, {{1, 1}, 44.99563645534486},
    };
    for (const auto& [to, expected] : cases)
        EXPECT_NEAR(
            LocationManager::bearingBetween(Location(0, 0), Location(to.latitude, to.longitude)),
            expected, 1e-9)
            << to.latitude << "," << to.longitude;
}

}  // namespace
}  // namespace arquorel
