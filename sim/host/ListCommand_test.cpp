#include "sim/host/ListCommand.h"

#include <gtest/gtest.h>

#include <unistd.h>
#include <filesystem>
#include <sstream>

#include "arquorel/platform/drawing/Golden.h"
#include "arquorel/platform/drawing/ViewTreeDump.h"
#include "arquorel/platform/ui/Accessibility.h"
#include "sim/host/CommandTesting.h"
#include "sim/host/SimCli.h"

namespace arquorel::sim {
namespace {

const std::vector<std::string> kRequired = {"--places",  "p.json", "--at",  "43.7,7.4",
                                            "--heading", "80",     "--png", "out.png"};

TEST(ListCommandTest, BadFlagsAreNamed) {
    expectRefused(parseListRequest, kRequired,
                  {
                      {{"--screen", "375x812@9"}, "--screen must be WIDTHxHEIGHT[@SCALE]"},
                      {{"--units", "nautical"}, "--units must be metric or imperial: nautical"},
                      {{"--lang", "de"}, "--lang must be en or fr: de"},
                  });
    std::string error;
    const auto request = parseListRequest(
        withArgs(kRequired, {"--units", "imperial", "--screen", "320x568@1"}), error);
    ASSERT_TRUE(request) << error;
    EXPECT_TRUE(request->imperial);
    EXPECT_EQ(request->screen, (Size{320, 568}));
    EXPECT_EQ(request->scale, 1);
}

// A narrow phone in French with imperial units: the rows, their tags, hours, addresses,
// distances and arrows.
TEST(ListCommandTest, TheListsViewTreeMatchesItsGolden) {
    std::string error;
    auto request = parseListRequest(
        withArgs(kRequired, {"--lang", "fr", "--units", "imperial", "--screen", "320x568"}), error);
    ASSERT_TRUE(request) << error;
    request->heading = 90;
    request->at = {43.7393682, 7.4272085};
    auto church = placeRecord("Église Sainte-Dévote", 43.7400, 7.4280);
    church->parent_category_title = "Culture";
    church->category = "Église";
    church->category_color = "#4E79A7";
    church->opening_hours = "Mo-Su 08:00-19:00";
    church->street = "Place Sainte-Dévote";
    church->housenumber = "1";
    church->city = "Monaco";
    auto shop = placeRecord("Geschäft am Hafen", 43.7385, 7.4282);
    shop->category = "Geschäft";
    shop->city = "Monaco";  // no street: no address row
    ListScene scene(*request, {church, shop, placeRecord("Ouest", 43.7393682, 7.4260)});
    const auto check =
        checkGolden(goldenPath(__FILE__, "list_screen"), dumpViewTree(scene.window()));
    EXPECT_TRUE(check.passed) << check.message;
    const auto a11y = checkGolden(goldenPath(__FILE__, "list_screen_a11y"),
                                  AccessibilityTree::build(scene.window()).dump());
    EXPECT_TRUE(a11y.passed) << a11y.message;
}

TEST(ListCommandTest, WritesThePictureAndSaysWhatIsOnScreen) {
    const auto png = std::filesystem::temp_directory_path() /
                     ("arquorel_list_test_" + std::to_string(::getpid()) + ".png");
    std::ostringstream out, err;
    const int status = runCli({"list", "--places", ARQUOREL_DATA_DIR "/monaco/places.json", "--at",
                               "43.7393682,7.4272085", "--heading", "80", "--png", png.string()},
                              out, err);
    EXPECT_EQ(status, 0) << err.str();
    EXPECT_NE(out.str().find("(750x1624 pixels): 612 rows, "), std::string::npos) << out.str();
    EXPECT_TRUE(std::filesystem::exists(png));
    std::filesystem::remove(png);
}

}  // namespace
}  // namespace arquorel::sim
