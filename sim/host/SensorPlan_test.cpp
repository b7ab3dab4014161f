#include "sim/host/SensorPlan.h"

#include <gtest/gtest.h>

#include <cmath>

#include "arquorel/arcore/ARStatus.h"
#include "arquorel/platform/sensors/Geodesy.h"

namespace arquorel::sim {
namespace {

// A point `north` and `east` metres from (43.7, 7.4).
Coordinate offset(double north, double east) {
    constexpr double kMetresPerDegree = 111132.954;
    return {43.7 + north / kMetresPerDegree,
            7.4 + east / (kMetresPerDegree * std::cos(43.7 * kDegreesToRadians))};
}

TEST(WalkFixesTest, FixesFollowTheTrackAtTheGivenSpeed) {
    struct Case {
        const char* what;
        std::vector<Coordinate> track;
        double speed;
        double time;   // of the fix looked at
        double north;  // where it should be
        double east;
        double heading;  // and the way it should face
    };
    const Case cases[] = {
        {"straight north, 10 s in", {offset(0, 0), offset(100, 0)}, 1.4, 10, 14, 0, 0},
        {"east then north: still going east",
         {offset(0, 0), offset(0, 30), offset(40, 30)},
         2,
         14,
         0,
         28,
         90},
        {"east then north: round the corner",
         {offset(0, 0), offset(0, 30), offset(40, 30)},
         2,
         20,
         10,
         30,
         0},
        {"a repeated point keeps the way",
         {offset(0, 0), offset(0, -20), offset(0, -20), offset(0, -40)},
         1,
         25,
         0,
         -25,
         270},
        {"the last fix is the end", {offset(0, 0), offset(-7, 0)}, 1.4, 5, -7, 0, 180},
    };
    for (const auto& c : cases) {
        const auto fixes = walkFixes(c.track, c.speed, 100);
        ASSERT_FALSE(fixes.empty()) << c.what;
        EXPECT_EQ(fixes.front().time, 100) << c.what;
        // The fix nearest the time looked at.
        const auto it =
            std::min_element(fixes.begin(), fixes.end(), [&](const auto& x, const auto& y) {
                return std::fabs(x.time - 100 - c.time) < std::fabs(y.time - 100 - c.time);
            });
        EXPECT_NEAR(it->time, 100 + c.time, 0.01) << c.what;
        EXPECT_LT(geodesicDistance(it->coordinate, offset(c.north, c.east)), 0.2) << c.what;
        EXPECT_NEAR(std::remainder(it->heading - c.heading, 360.0), 0, 0.5) << c.what;
        for (std::size_t i = 1; i < fixes.size(); ++i) {
            EXPECT_GT(fixes[i].time, fixes[i - 1].time) << c.what;
            EXPECT_TRUE(std::isfinite(fixes[i].heading)) << c.what;
        }
    }
    const auto still = walkFixes({offset(0, 0)}, 1.4, 3);
    ASSERT_EQ(still.size(), 1u);
    EXPECT_EQ(still[0].time, 3);
    EXPECT_TRUE(walkFixes({}, 1.4, 0).empty());
}

TEST(SensorPlanTest, TheCompassAndTheTiltFollowTheCommands) {
    const auto parsed = parseScenario(R"(
        at 1 heading 350
        at 2 turn 10 over 2      # across north, the short way
        at 5 pitch -10
        at 6 heading 90 accuracy -1
        at 7 turn 200 over 0
        at 8 walk w.gpx
        at 9 pitch 20
        at 20 heading 45
    )",
                                      ".");
    ASSERT_TRUE(parsed.scenario) << parsed.error;
    std::map<std::size_t, std::vector<WalkFix>> walks;
    walks[5] = walkFixes({offset(0, 0), offset(-20, 0)}, 1.4, 8);
    const SensorPlan plan(*parsed.scenario, walks);
    const std::tuple<double, std::optional<double>, double, std::optional<double>> cases[] = {
        // time, heading, heading accuracy, pitch
        {0.5, std::nullopt, 0, std::nullopt},
        {1, 350, 5, std::nullopt},
        {2, 350, 5, std::nullopt},
        {3, 0, 5, std::nullopt},
        {3.5, 5, 5, std::nullopt},
        {4.5, 10, 5, std::nullopt},
        {5, 10, 5, -10},
        {6.5, 90, -1, -10},
        {7, 200, -1, -10},
        {8.5, 180, 5, -10},
        {15, 180, 5, 20},
        {25, 45, 5, 20},
    };
    for (const auto& [t, heading, accuracy, pitch] : cases) {
        const auto h = plan.headingAt(t);
        ASSERT_EQ(h.has_value(), heading.has_value()) << t;
        if (h) {
            EXPECT_NEAR(std::remainder(h->degrees - *heading, 360.0), 0, 1e-6) << t;
            EXPECT_GE(h->degrees, 0) << t;
            EXPECT_LT(h->degrees, 360) << t;
            EXPECT_EQ(h->accuracy, accuracy) << t;
        }
        EXPECT_EQ(plan.pitchAt(t), pitch) << t;
    }
    // The walk of 20 m takes 14.3 s from 8 s; the last command is at 20 s.
    EXPECT_NEAR(plan.end(), 22.29, 0.01);
}

}  // namespace
}  // namespace arquorel::sim
