#include "sim/device/SensorScript.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <vector>

#include "arquorel/platform/runtime/PlatformContext.h"
#include "sim/device/SimLocationService.h"
#include "sim/device/SimMotionService.h"
#include "sim/device/SimPlatform.h"

namespace arquorel::sim {
namespace {

const char* const kWalk = ARQUOREL_DATA_DIR "/monaco/walk.gpx";

// Records what reaches the location service's delegate, with the time it arrived.
struct Listener : LocationServiceDelegate {
    SimPlatform* device = nullptr;
    std::vector<std::pair<double, Location>> fixes;
    std::vector<std::pair<double, HeadingReading>> headings;
    std::vector<AuthorizationStatus> changes;
    void didUpdateLocations(LocationService&, const std::vector<Location>& l) override {
        fixes.emplace_back(device->now(), l.back());
    }
    void didUpdateHeading(LocationService&, const HeadingReading& h) override {
        headings.emplace_back(device->now(), h);
    }
    void didChangeAuthorization(LocationService&, AuthorizationStatus s) override {
        changes.push_back(s);
    }
};

TEST(SimSensorsTest, ProductCodeGetsSimulatedServicesWhileInstalled) {
    SimPlatform device;
    {
        SimSensors sensors;
        EXPECT_FALSE(sensors.location());
        sensors.settings().initialAuthorization = AuthorizationStatus::notDetermined;
        sensors.settings().accelerometerAvailable = false;
        auto first = platformContext().makeLocationService();
        auto second = platformContext().makeLocationService();
        auto motion = platformContext().makeMotionService();
        EXPECT_EQ(sensors.location(), second);
        EXPECT_EQ(sensors.motion(), motion);
        EXPECT_EQ(sensors.locationServicesCreated(), 2);
        EXPECT_EQ(second->authorizationStatus(), AuthorizationStatus::notDetermined);
        EXPECT_FALSE(motion->isAccelerometerAvailable());
        second.reset();
        EXPECT_FALSE(sensors.location());  // only weakly held
    }
    EXPECT_FALSE(
        std::dynamic_pointer_cast<SimLocationService>(platformContext().makeLocationService()));
    EXPECT_FALSE(platformContext().makeMotionService()->isAccelerometerAvailable());
}

TEST(SensorScriptTest, EventsReachTheLatestServicesAtTheirTimes) {
    SimPlatform device;
    SimSensors sensors;
    sensors.settings().initialAuthorization = AuthorizationStatus::notDetermined;
    sensors.settings().authorizationAnswer.reset();
    auto location =
        std::static_pointer_cast<SimLocationService>(platformContext().makeLocationService());
    auto motion = platformContext().makeMotionService();
    Listener listener;
    listener.device = &device;
    location->setDelegate(&listener);
    location->startUpdatingLocation();
    location->startUpdatingHeading();
    motion->startAccelerometerUpdates();
    location->requestWhenInUseAuthorization();
    int orientationChanges = 0;
    platformContext().notificationCenter().addObserver(
        &orientationChanges, kDeviceOrientationDidChange,
        [&](const Notification&) { ++orientationChanges; });

    const double t0 = device.now();
    SensorScript script;
    script
        .fix(1, {43.7, 7.4}, 8, 2)  // before the user answers: not delivered
        .authorization(2, AuthorizationStatus::authorizedWhenInUse)
        .fix(3, {43.71, 7.41}, 8, 2)
        .heading(3, 90, 88, 4)
        .acceleration(4, {0, -1, 0})
        .orientation(5, DeviceOrientation::landscapeLeft)
        .authorization(6, AuthorizationStatus::denied)
        .fix(7, {43.72, 7.42})
        .fix(-1, {43.73, 7.43});
    EXPECT_EQ(script.events().back().time, 0);
    EXPECT_EQ(script.duration(), 7);
    script.play(sensors);

    device.advance(3.5);
    ASSERT_EQ(listener.fixes.size(), 1u);
    EXPECT_EQ(listener.fixes[0].first, t0 + 3);
    EXPECT_EQ(listener.fixes[0].second, Location({43.71, 7.41}, 0, 8, -1, t0 + 1));
    ASSERT_EQ(listener.headings.size(), 1u);
    EXPECT_EQ(listener.headings[0].second, (HeadingReading{88, 90, 4, t0 + 3}));
    EXPECT_EQ(listener.changes, std::vector{AuthorizationStatus::authorizedWhenInUse});
    EXPECT_FALSE(motion->accelerometerData());
    device.advance(10);
    EXPECT_EQ(motion->accelerometerData(), (Acceleration{0, -1, 0}));
    EXPECT_EQ(orientationChanges, 1);
    EXPECT_EQ(platformContext().device().orientation(), DeviceOrientation::landscapeLeft);
    EXPECT_EQ(location->authorizationStatus(), AuthorizationStatus::denied);
    EXPECT_EQ(listener.fixes.size(), 1u);
    platformContext().notificationCenter().removeObserver(&orientationChanges);

    // Events still pending when the sensors go away are dropped.
    auto later = std::make_unique<SimSensors>();
    SensorScript().heading(1, 10, 10).play(*later);
    later.reset();
    device.advance(2);
    EXPECT_EQ(listener.headings.size(), 1u);
}

TEST(GpxTest, ReadsTheMonacoWalk) {
    const GpxTrack track = readGpxFile(kWalk);
    ASSERT_TRUE(track.ok()) << track.error;
    ASSERT_EQ(track.points.size(), 210u);
    EXPECT_EQ(track.points.front().coordinate, (Coordinate{43.7393682, 7.4272085}));
    EXPECT_EQ(track.points.back().coordinate, (Coordinate{43.7326105, 7.4178860}));
    EXPECT_EQ(track.points.front().time, SimClock::kDefaultStart);
    for (std::size_t i = 1; i + 1 < track.points.size(); ++i)
        ASSERT_EQ(track.points[i].time - track.points[i - 1].time, 5) << i;
    EXPECT_NEAR(track.points.back().time - track.points.front().time, 1045.514, 1e-6);

    const SensorScript script = SensorScript::fromTrack(track.points);
    ASSERT_EQ(script.events().size(), 210u);
    EXPECT_EQ(script.events()[1].time, 5);
    EXPECT_NEAR(script.duration(), 1045.514, 1e-6);
    EXPECT_EQ(std::get<FixEvent>(script.events()[0].what).coordinate, track.points[0].coordinate);
}

TEST(GpxTest, AcceptsVariantsAndRejectsBadInputWithTheLine) {
    const GpxTrack ok = parseGpx(
        "<?xml version='1.0'?>\n<!-- <trkpt lat=\"1\" lon=\"1\"> -->\n"
        "<g:trkpt lon = '7.5' lat='-43.5'><ele>3</ele><g:time> 2024-02-29T23:59:59.5+01:00 "
        "</g:time><time>1999-01-01T00:00:00Z</time></g:trkpt>\n"
        "<trkpt lat=\"+0\" lon=\"180\"><time>2024-03-01T00:00:00z</time></trkpt>");
    ASSERT_TRUE(ok.ok()) << ok.error;
    ASSERT_EQ(ok.points.size(), 2u);
    EXPECT_EQ(ok.points[0].coordinate, (Coordinate{-43.5, 7.5}));
    EXPECT_EQ(ok.points[0].time, 1709247599.5);  // 23:00 UTC
    EXPECT_EQ(ok.points[1].time, 1709251200);

    const std::string time = "<time>2026-06-01T10:00:00Z</time>";
    const std::pair<std::string, std::string> bad[] = {
        {"", "no track points"},
        {"<gpx></gpx>", "no track points"},
        {"\n<trkpt lon=\"7\">" + time + "</trkpt>", "line 2: <trkpt> has no lat"},
        {"<trkpt lat=\"4x\" lon=\"7\">" + time + "</trkpt>", "line 1: bad lat \"4x\""},
        {"<trkpt lat=\"nan\" lon=\"7\">" + time + "</trkpt>", "line 1: bad lat \"nan\""},
        {"<trkpt lat=\"91\" lon=\"7\">" + time + "</trkpt>", "coordinate out of range"},
        {"<trkpt lat=\"1\" lat=\"2\" lon=\"7\"/>", "duplicate attribute lat"},
        {"<trkpt lat=1 lon=\"7\"/>", "attribute lat is not quoted"},
        {"<trkpt lat=\"1\" lon=\"7\"/>", "<trkpt> has no <time>"},
        {"<trkpt lat=\"1\" lon=\"7\">", "<trkpt> is not closed"},
        {"<trkpt lat=\"1\" lon=\"7", "unterminated attribute value"},
        {"<trkpt lat=\"1\" lon=\"7\"><trkpt lat=\"1\" lon=\"7\">", "inside another <trkpt>"},
        {"</trkpt>", "</trkpt> without <trkpt>"},
        {"<!-- <trkpt", "unterminated comment"},
        {"<trkpt lat=\"1\" lon=\"7\"><time>2026-02-29T10:00:00Z</time></trkpt>", "bad time"},
        {"<trkpt lat=\"1\" lon=\"7\"><time>2026-06-01 10:00:00Z</time></trkpt>", "bad time"},
        {"<trkpt lat=\"1\" lon=\"7\"><time>2026-06-01T10:00:00Q</time></trkpt>", "bad time"},
        {"<trkpt lat=\"1\" lon=\"7\"><time>2026-06-01T10:00:00Z", "unterminated <time>"},
        {"<trkpt lat=\"1\" lon=\"7\"><time>2026-06-01T10:00:05Z</time></trkpt>\n"
         "<trkpt lat=\"1\" lon=\"7\"><time>2026-06-01T10:00:00Z</time></trkpt>",
         "line 2: time goes backwards"},
    };
    for (const auto& [text, message] : bad) {
        const GpxTrack track = parseGpx(text);
        EXPECT_FALSE(track.ok()) << text;
        EXPECT_TRUE(track.points.empty()) << text;
        EXPECT_NE(track.error.find(message), std::string::npos) << text << " -> " << track.error;
    }
    EXPECT_NE(readGpxFile("/nonexistent/walk.gpx").error.find("cannot open"), std::string::npos);
}

TEST(GpxTest, TruncatedOrDamagedFilesGiveErrorsNotCrashes) {
    std::ifstream in(kWalk);
    std::stringstream buffer;
    buffer << in.rdbuf();
    const std::string text = buffer.str();
    ASSERT_GT(text.size(), 1000u);
    for (std::size_t cut = 0; cut < text.size(); cut += 37) {
        const GpxTrack track = parseGpx(std::string_view(text).substr(0, cut));
        EXPECT_TRUE(track.ok() ? !track.points.empty() : track.points.empty()) << cut;
    }
    std::string damaged = text;
    for (std::size_t i = 100; i < damaged.size(); i += 101) damaged[i] = "<>\"'/=\n"[i % 7];
    EXPECT_FALSE(parseGpx(damaged).ok());
}

}  // namespace
}  // namespace arquorel::sim
