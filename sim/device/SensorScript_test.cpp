#include "sim/device/SensorScript.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <vector>

#include "arquorel/platform/runtime/PlatformContext.h"
#include "sim/device/SimLocationService.h"
#include "sim/device/SimMotionService.h"
#include "sim/device/SimPlatform.h"

namespace arquorel::sim {
namespace {

const char* const kWalk = ARQUOREL_DATA_DIR "/monaco/walk.gpx";

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
        .play(sensors);
    device.advance(3.5);
    EXPECT_EQ(listener.fixes,  // arrival time and fix
              (std::vector{std::pair(t0 + 3, Location({43.71, 7.41}, 0, 8, -1, t0 + 1))}));
    EXPECT_EQ(listener.headings, (std::vector{HeadingReading{88, 90, 4, t0 + 3}}));
    device.advance(10);
    EXPECT_EQ(motion->accelerometerData(), (Acceleration{0, -1, 0}));
    EXPECT_EQ(platformContext().device().orientation(), DeviceOrientation::landscapeLeft);

    // Events still pending when the sensors go away are dropped, and the previous ones return.
    auto later = std::make_unique<SimSensors>();
    SensorScript().heading(1, 10, 10).play(*later);
    later.reset();
    device.advance(2);
    EXPECT_EQ(listener.headings.size(), 1u);
    const auto restored = platformContext().makeLocationService();
    EXPECT_EQ(sensors.location(), restored);
}

TEST(GpxTest, ReadsTheMonacoWalk) {
    const GpxTrack track = readGpxFile(kWalk);
    ASSERT_EQ(track.points.size(), 210u) << track.error;
    EXPECT_EQ(track.points.front().coordinate, (Coordinate{43.7393682, 7.4272085}));
    EXPECT_EQ(track.points.front().time, SimClock::kDefaultStart);
    for (std::size_t i = 1; i + 1 < track.points.size(); ++i)
        ASSERT_EQ(track.points[i].time - track.points[i - 1].time, 5) << i;
    const SensorScript script = SensorScript::fromTrack(track.points);
    ASSERT_EQ(script.events().size(), 210u);
    EXPECT_EQ(script.events()[1].time, 5);
}

TEST(GpxTest, AcceptsVariantsAndRejectsBadInputWithTheLine) {
    const GpxTrack ok = parseGpx(
        "<?xml version='1.0'?>\n<!-- <trkpt lat=\"1\" lon=\"1\"> -->\n<g:trkpt lon = '7.5' "
        "lat='-43.5'><ele>3</ele><g:time> 2024-02-29T23:59:59.5+01:00 </g:time></g:trkpt>");
    ASSERT_EQ(ok.points.size(), 1u) << ok.error;
    EXPECT_EQ(ok.points[0].coordinate, (Coordinate{-43.5, 7.5}));
    EXPECT_EQ(ok.points[0].time, 1709247599.5);  // 22:59:59.5 UTC

    const std::string pt = "<trkpt lat=\"1\" lon=\"7\">", end = "Z</time></trkpt>\n";
    const std::pair<std::string, std::string> bad[] = {
        {"\n<trkpt lon=\"7\"><time>2026-06-01T10:00:00" + end, "line 2: <trkpt> has no lat"},
        {"<trkpt lat=\"nan\" lon=\"7\"/>", "line 1: bad lat \"nan\""},
        {"<trkpt lat=\"91\" lon=\"7\"><time>2026-06-01T10:00:00" + end, "out of range"},
        {pt + "</trkpt>", "<trkpt> has no <time>"},
        {pt + "<time>2026-02-29T10:00:00" + end, "bad time"},
        {pt + "<time>2026-06-01T10:00:05" + end + pt + "<time>2026-06-01T10:00:00" + end,
         "line 2: time goes backwards"},
        {"/nonexistent/walk.gpx", "cannot open"},
    };
    for (const auto& [text, message] : bad) {
        const GpxTrack track = text[0] == '/' ? readGpxFile(text) : parseGpx(text);
        EXPECT_TRUE(track.points.empty()) << text;
        EXPECT_NE(track.error.find(message), std::string::npos) << text << " -> " << track.error;
    }

    // Truncated or damaged files give errors, not crashes.
    std::ifstream in(kWalk);
    std::string text{std::istreambuf_iterator<char>(in), {}};
    for (std::size_t cut = 0; cut < text.size(); cut += 37) {
        const GpxTrack track = parseGpx(text.substr(0, cut));
        EXPECT_EQ(track.ok(), !track.points.empty()) << cut;
    }
    for (std::size_t i = 100; i < text.size(); i += 101) text[i] = "<>\"'/=\n"[i % 7];
    EXPECT_FALSE(parseGpx(text).ok());
}

}  // namespace
}  // namespace arquorel::sim

namespace arquorel::sim {
namespace {

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
}

}  // namespace
}  // namespace arquorel::sim
