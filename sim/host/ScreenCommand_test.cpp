#include "sim/host/ScreenCommand.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "arquorel/platform/drawing/Golden.h"
#include "arquorel/platform/drawing/ViewTreeDump.h"
#include "arquorel/platform/ui/Accessibility.h"
#include "sim/host/CommandTesting.h"
#include "sim/host/SimCli.h"

namespace arquorel::sim {
namespace {

const std::vector<std::string> kRequired = {"--places", "p.json",  "--at", "43.7,7.4", "--heading",
                                            "80",       "--pitch", "-10",  "--png",    "out.png"};

TEST(ScreenCommandTest, BadFlagsAreNamed) {
    expectRefused(
        parseScreenRequest, kRequired,
        {
            {{"--screen", "375x812@9"},
             "--screen must be WIDTHxHEIGHT[@SCALE] in points (100 to 10000), scale 1 to 4: "
             "375x812@9"},
            {{"--options", "debugLabel,radar"}, "--options takes debugLabel"},
            {{"--camera", "side"}, "--camera must be back, front or none: side"},
            {{"--lang", "de"}, "--lang must be en or fr: de"},
        });
}

// Facing east with three places ahead and one behind, every debugging aid on.
TEST(ScreenCommandTest, TheScreensViewTreeMatchesItsGolden) {
    std::string error;
    auto request = parseScreenRequest(
        withArgs(kRequired, {"--options", "debugLabel,debugSliders,debugMap", "--lang", "fr"}),
        error);
    ASSERT_TRUE(request) << error;
    request->heading = 90;
    request->pitch = 0;
    request->at = {43.7393682, 7.4272085};
    ScreenScene scene(
        *request,
        {placeRecord("Est", 43.7393682, 7.4284), placeRecord("Nord-est", 43.7400, 7.4280),
         placeRecord("Sud-est", 43.7385, 7.4282), placeRecord("Ouest", 43.7393682, 7.4260)});
    const auto check = checkGolden(goldenPath(__FILE__, "ar_screen"), dumpViewTree(scene.window()));
    EXPECT_TRUE(check.passed) << check.message;
    const auto a11y = checkGolden(goldenPath(__FILE__, "ar_screen_a11y"),
                                  AccessibilityTree::build(scene.window()).dump());
    EXPECT_TRUE(a11y.passed) << a11y.message;
}

TEST(ScreenCommandTest, WritesThePictureAndReportsTheCameraProblem) {
    const auto dir = std::filesystem::path(::testing::TempDir());
    const auto places = (dir / "arquorel_screen_places.json").string();
    std::ofstream(places) << R"([{"id": "e", "name": "Est", "lat": 43.7393682, "lng": 7.4284}])";
    const auto png = (dir / "arquorel_screen.png").string();
    std::ostringstream out, err;
    const int status =
        runCli({"screen", "--places", places, "--at", "43.7393682,7.4272085", "--heading", "90",
                "--pitch", "0", "--camera", "front", "--png", png},
               out, err);
    ASSERT_EQ(status, 0) << err.str();
    EXPECT_NE(out.str().find("(750x1624 pixels): 1 cards on screen"), std::string::npos)
        << out.str();
    EXPECT_NE(out.str().find("Console: CameraView: Cannot create capture session"),
              std::string::npos);
    EXPECT_TRUE(std::filesystem::file_size(png) > 1000);
    std::filesystem::remove(png);
    std::filesystem::remove(places);
}

}  // namespace
}  // namespace arquorel::sim
