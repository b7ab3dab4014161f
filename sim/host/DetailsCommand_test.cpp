#include "sim/host/DetailsCommand.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "arquorel/places/PlacesFile.h"
#include "arquorel/platform/drawing/Golden.h"
#include "arquorel/platform/drawing/ViewTreeDump.h"
#include "arquorel/platform/maps/pack/MapPack.h"
#include "arquorel/platform/ui/Accessibility.h"
#include "sim/host/CommandTesting.h"
#include "sim/host/SimCli.h"

namespace arquorel::sim {
namespace {

const std::vector<std::string> kRequired = {"--places", "p.json",   "--id",  "n1",
                                            "--at",     "43.7,7.4", "--png", "out.png"};

TEST(DetailsCommandTest, FlagsAreReadAndBadOnesNamed) {
    expectRefused(parseDetailsRequest, {"--places", "p.json", "--at", "43.7,7.4", "--png", "o.png"},
                  {{{}, "--id ID is required"}, {{"--id", ""}, "--id ID is required"}});
    expectRefused(parseDetailsRequest, kRequired,
                  {
                      {{"--screen", "375x812@9"}, "--screen must be WIDTHxHEIGHT[@SCALE]"},
                      {{"--lang", "de"}, "--lang must be en or fr: de"},
                      {{"--heading", "400"}, "--heading"},
                  });
    std::string error;
    const auto plain = parseDetailsRequest(kRequired, error);
    ASSERT_TRUE(plain) << error;
    EXPECT_EQ(plain->id, "n1");
    EXPECT_EQ(plain->heading, 0);  // north unless given
    EXPECT_FALSE(plain->offline);
    EXPECT_EQ(plain->pack, "");
    const auto full = parseDetailsRequest(
        withArgs(kRequired, {"--offline", "--pack", "m.pack", "--heading", "80"}), error);
    ASSERT_TRUE(full) << error;
    EXPECT_TRUE(full->offline);
    EXPECT_EQ(full->pack, "m.pack");
    EXPECT_EQ(full->heading, 80);
}

// A record with every part of the screen: category colour and icon, tags, hours, address, the
// distance pill, two numbers, every contact row and three micro-data rows, over a small pack
// whose one footway carries the walking route.
TEST(DetailsCommandTest, TheDetailsViewTreeMatchesItsGolden) {
    std::string error;
    auto request = parseDetailsRequest(withArgs(kRequired, {"--heading", "80"}), error);
    ASSERT_TRUE(request) << error;
    request->at = {43.7393682, 7.4272085};
    auto record = placeRecord("Casino of the Square", 43.7391605, 7.428023);
    record->id = "casino";
    record->category = "Casino";
    record->parent_category_title = "Leisure";
    record->category_color = "#59A14F";
    record->category_id = 23;
    record->opening_hours = "Mo-Fr 14:00-04:00; Sa-Su 12:00-04:00";
    record->street = "Place du Casino";
    record->city = "Monaco";
    record->postcode = "98000";
    record->phone = "+377 98 06 21 21; +377 98 06 20 00";
    record->email = "desk@casino.example";
    record->link = "casino.example/index.html";
    record->facebook = "https://social.example/casino";
    record->wikipedia = "en:Casino of the Square";
    record->shareText = "Casino of the Square";
    record->shareurl = "https://casino.example/index.html";
    const auto facts = PlacesFile::fromText(
        R"([{"id": "m", "name": "m", "lat": 0, "lng": 0, "micro_data": [
            {"name": "wheelchair", "words": ["Limited"]},
            {"name": "operator", "words": ["Casino company"]},
            {"name": "payment", "words": ["Cash", "Cards"]}]}])");
    ASSERT_EQ(facts.records.size(), 1u);
    record->micro_data = facts.records[0]->micro_data;

    WalkGraph graph;
    graph.nodes = {{43.7393682, 7.4272085}, {43.7392, 7.4276}, {43.7391605, 7.428023}};
    graph.segments = {{0, 1}, {1, 2}};
    auto pack = std::make_shared<const MapPack>(MapBox{{43.73, 7.42}, {43.75, 7.44}},
                                                std::vector<MapFeature>{}, graph);
    DetailsScene scene(*request, record, pack);
    EXPECT_EQ(scene.details().mapp->overlayCount(), 1u);
    const auto check =
        checkGolden(goldenPath(__FILE__, "details_screen"), dumpViewTree(scene.window()));
    EXPECT_TRUE(check.passed) << check.message;
    const auto a11y = checkGolden(goldenPath(__FILE__, "details_screen_a11y"),
                                  AccessibilityTree::build(scene.window()).dump());
    EXPECT_TRUE(a11y.passed) << a11y.message;
}

TEST(DetailsCommandTest, WritesThePictureAndSaysWhatItShows) {
    const auto png = std::filesystem::path(::testing::TempDir()) / "arquorel_details_test.png";
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{}, "Casino de Monte Carlo: distance 70m, route none\n"},
        {{"--offline"},
         "Casino de Monte Carlo: distance 70m, route none (offline: the large arrow)\n"},
    };
    for (const auto& [extra, line] : cases) {
        std::ostringstream out, err;
        const int status =
            runCli(withArgs({"details", "--places", ARQUOREL_DATA_DIR "/monaco/places.json", "--id",
                             "n4416197079", "--at", "43.7393682,7.4272085", "--png", png.string()},
                            extra),
                   out, err);
        EXPECT_EQ(status, 0) << err.str();
        EXPECT_NE(out.str().find("(750x1624 pixels): " + line), std::string::npos) << out.str();
        EXPECT_TRUE(std::filesystem::exists(png));
        std::filesystem::remove(png);
    }
    std::ostringstream out, err;
    EXPECT_EQ(runCli({"details", "--places", ARQUOREL_DATA_DIR "/monaco/places.json", "--id",
                      "nowhere", "--at", "43.7,7.4", "--png", png.string()},
                     out, err),
              2);
    EXPECT_NE(err.str().find("no record with id nowhere"), std::string::npos) << err.str();
    EXPECT_FALSE(std::filesystem::exists(png));
}

}  // namespace
}  // namespace arquorel::sim
