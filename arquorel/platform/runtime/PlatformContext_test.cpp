#include "arquorel/platform/runtime/PlatformContext.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "arquorel/platform/maps/MapItem.h"
#include "arquorel/platform/sensors/Geocoder.h"
#include "arquorel/platform/sensors/LocationService.h"
#include "arquorel/platform/sensors/MotionService.h"
#include "arquorel/platform/system/MailService.h"
#include "arquorel/platform/system/PhoneNumberService.h"
#include "arquorel/platform/system/URLService.h"
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

TEST(PlatformContextTest, WithoutABackendNothingIsReadMailedOrOpenedInMaps) {
    sim::SimClock clock;
    PlatformContext context(clock);
    const auto url = context.urlService().parse("https://example.mc");
    EXPECT_FALSE(url);
    EXPECT_EQ(url.error, "no address parser");
    EXPECT_FALSE(context.phoneNumberService().read("+377 93 15 20 00", "MC"));
    EXPECT_FALSE(context.mapsApplication().open({{MapItem::currentLocation()}, {}}));
    EXPECT_FALSE(context.mailService().canSendMail());
    std::vector<MailComposeOutcome> outcomes;
    context.mailService().compose({{"a@b.mc"}, "", ""},
                                  [&](const MailComposeOutcome& o) { outcomes.push_back(o); });
    EXPECT_TRUE(outcomes.empty());  // composers answer on the main loop
    context.mainLoop().runDue();
    EXPECT_EQ(outcomes,
              (std::vector<MailComposeOutcome>{{MailComposeResult::failed, "no mail account"}}));
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
