#include "arquorel/platform/runtime/PlatformContext.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "arquorel/platform/sensors/Geocoder.h"
#include "arquorel/platform/sensors/LocationService.h"
#include "arquorel/platform/sensors/MotionService.h"
#include "sim/device/SimClock.h"

namespace arquorel {
namespace {

TEST(PlatformContextTest, WithoutSensorsServicesReportNothing) {
    sim::SimClock clock;
    PlatformContext context(clock);
    context.locationServiceFactory = [] { return nullptr; };  // a factory may have none
    context.geocoderFactory = [] { return nullptr; };
    const auto location = context.makeLocationService();
    const auto motion = context.makeMotionService();
    ASSERT_TRUE(location && motion && context.makeGeocoder());
    EXPECT_FALSE(location->locationServicesEnabled());
    EXPECT_EQ(location->authorizationStatus(), AuthorizationStatus::restricted);
    EXPECT_FALSE(motion->isAccelerometerAvailable() || motion->accelerometerData());
}

TEST(PlatformContextTest, TheConsolePrintsLinesUnlessCapturing) {
    Console console;
    ::testing::internal::CaptureStdout();
    console.writeLine("printed");
    console.startCapture();
    for (const char* line : {"a", "b"}) console.writeLine(line);
    console.stopCapture();
    console.writeLine("after");
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "printed\nafter\n");
    EXPECT_EQ(console.lines(), (std::vector<std::string>{"a", "b"}));
    console.startCapture();  // a new capture starts empty
    EXPECT_TRUE(console.lines().empty());
}

}  // namespace
}  // namespace arquorel
