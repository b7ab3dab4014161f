#include "sim/host/WalkCommand.h"

#include <gtest/gtest.h>

#include <unistd.h>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

#include "sim/host/SimCli.h"

namespace arquorel::sim {
namespace {

const std::string kMonaco = std::string(ARQUOREL_DATA_DIR) + "/monaco/";

TEST(WalkCommandTest, TheMonacoWalkReloadsThePlacesAsTheUserMovesOn) {
    std::ostringstream out, err;
    ASSERT_EQ(runCli({"walk", "--places", kMonaco + "places.json", "--gpx", kMonaco + "walk.gpx",
                      "--every", "300"},
                     out, err),
              0)
        << err.str();
    const std::string text = out.str();
    std::smatch m;
    ASSERT_TRUE(
        std::regex_search(text, m, std::regex(R"((\d+) fixes over (\d+) s, (\d+) reloads)")))
        << text;
    EXPECT_EQ(m[1], "210");
    // 1.46 km of walking with a reload beyond every 200 m from the last reload location.
    EXPECT_GE(std::stoi(m[3]), 4);
    EXPECT_LE(std::stoi(m[3]), 7);
    // After each reload the new places are on screen again.
    std::regex reloaded(R"((\d+) cards on screen  ahead: .*\[places reloaded\])");
    int reloads = 0;
    for (auto it = std::sregex_iterator(text.begin(), text.end(), reloaded);
         it != std::sregex_iterator(); ++it, ++reloads)
        EXPECT_GT(std::stoi((*it)[1]), 0) << it->str();
    EXPECT_EQ(reloads, std::stoi(m[3]));
}

TEST(WalkCommandTest, BadInputExitsWithStatusTwo) {
    const auto gpx = std::filesystem::temp_directory_path() /
                     ("arquorel_walk_bad_" + std::to_string(::getpid()) + ".gpx");
    std::ofstream(gpx) << "<gpx><trk><trkseg><trkpt lat=\"95\" lon=\"7\"><time>x</time></trkpt>";
    std::ostringstream out, err;
    const std::string places = kMonaco + "places.json";
    EXPECT_EQ(runCli({"walk", "--places", places, "--gpx", gpx.string()}, out, err), 2);
    EXPECT_NE(err.str().find("line"), std::string::npos) << err.str();
    EXPECT_EQ(runCli({"walk", "--places", places}, out, err), 2);
    EXPECT_EQ(runCli({"walk", "--places", places, "--gpx", kMonaco + "walk.gpx", "--every", "0"},
                     out, err),
              2);
    std::filesystem::remove(gpx);
}

}  // namespace
}  // namespace arquorel::sim
