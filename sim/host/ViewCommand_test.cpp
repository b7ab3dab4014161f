#include "sim/host/ViewCommand.h"

#include <gtest/gtest.h>

#include <unistd.h>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "sim/device/SensorScript.h"
#include "sim/device/SimPlatform.h"
#include "sim/host/ArDemo.h"
#include "sim/host/CommandTesting.h"
#include "sim/host/SimCli.h"

namespace arquorel::sim {
namespace {

constexpr double kLat = 43.7393682, kLng = 7.4272085;

TEST(ArDemoTest, CardStraightAheadIsCentredAndMovesWithTheHeading) {
    SimPlatform device;
    SimSensors sensors;
    auto demo = ArDemo::create({375, 812});
    demo->setRecords({placeRecord("East", kLat, kLng + 0.00124)});  // about 100 m due east
    demo->start();
    SensorScript script;  // facing east, upright, until the filters settle
    script.fix(0.1, {kLat, kLng});
    for (double t = 0; t <= 4; t += 0.05) script.heading(t, 90, 90).acceleration(t, {0, -1, 0});
    script.play(sensors);
    device.advance(4);
    ASSERT_TRUE(demo->arStatus().ready());
    EXPECT_NEAR(demo->arStatus().heading, 90, 1e-6);
    EXPECT_NEAR(demo->arStatus().pitch, 0, 1e-6);
    ASSERT_EQ(demo->presenter()->subviews().size(), 1u);
    auto card = std::dynamic_pointer_cast<DemoCard>(demo->presenter()->subviews()[0]);
    ASSERT_NE(card, nullptr);
    EXPECT_EQ(card->title, "East");
    EXPECT_EQ(card->distanceText, "100 m");
    EXPECT_TRUE(card->isMainAnn);
    EXPECT_NEAR(card->frame().midX(), 375 / 2.0, 1.0);

    // Turning 10 degrees to the left moves the card right by 10 degrees of screen, scaled by
    // 0.65 since the only card is also the farthest one.
    const double before = card->frame().x();
    SensorScript turn;
    for (double t = 0; t <= 4; t += 0.05) turn.heading(t, 80, 80);
    turn.play(sensors);
    device.advance(6);
    EXPECT_NEAR(demo->arStatus().heading, 80, 1e-3);
    EXPECT_NEAR(card->frame().x() - before, 10 * 0.65 * demo->arStatus().hPixelsPerDegree, 0.5);
}

class ViewCommandTest : public ::testing::Test {
  protected:
    void SetUp() override {
        path = std::filesystem::temp_directory_path() /
               ("arquorel_view_" + std::to_string(::getpid()) + ".json");
        std::ofstream(path) << R"([{"id":"a","name":"Ahead","lat":43.7393682,"lng":7.42845},
                                   {"id":"b","name":"Behind","lat":43.7393682,"lng":7.42597},
                                   {"id":"c","name":"Broken","lat":"x","lng":7.4}])";
    }
    void TearDown() override { std::filesystem::remove(path); }

    int run(std::vector<std::string> args) {
        out.str("");
        err.str("");
        args.insert(args.begin(), "view");
        return runCli(args, out, err);
    }

    std::filesystem::path path;
    std::ostringstream out, err;
};

TEST_F(ViewCommandTest, ListsCardsBackToFront) {
    ASSERT_EQ(run({"--places", path.string(), "--at", "43.7393682,7.4272085", "--heading", "90",
                   "--pitch", "0"}),
              0)
        << err.str();
    const std::string text = out.str();
    EXPECT_NE(text.find("2 cards placed from back to front (1 within the screen)"),
              std::string::npos)
        << text;
    // The farther card is listed first.
    EXPECT_LT(text.find("Ahead"), text.find("Behind"));
    EXPECT_NE(text.find("1 left out"), std::string::npos) << text;
}

TEST_F(ViewCommandTest, BadArgumentsExitWithStatusTwo) {
    const std::string p = path.string();
    EXPECT_EQ(run({"--places", p, "--at", "43.7,7.4", "--heading", "90"}), 2);
    EXPECT_NE(err.str().find("missing --pitch"), std::string::npos);
    EXPECT_EQ(run({"--places", p, "--at", "43.7,7.4", "--heading", "360", "--pitch", "0"}), 2);
    EXPECT_EQ(run({"--places", p, "--at", "43.7,7.4", "--heading", "9", "--pitch", "91"}), 2);
    EXPECT_EQ(run({"--places", p, "--at", "43.7,7.4", "--heading", "9", "--pitch", "0", "--screen",
                   "10x10"}),
              2);
    EXPECT_EQ(run({"--help"}), 0);
    EXPECT_NE(out.str().find("usage: arquorel-sim view"), std::string::npos);
}

}  // namespace
}  // namespace arquorel::sim
