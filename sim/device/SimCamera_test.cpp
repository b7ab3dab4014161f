#include "sim/device/SimCamera.h"

#include <gtest/gtest.h>

#include <cmath>

#include "arquorel/arcore/ARStatus.h"

namespace arquorel::sim {
namespace {

// The picture agrees with the AR geometry: a bearing straight ahead is in the middle, one
// d degrees to the right is d x pixels-per-degree to the right, and the horizon moves by the
// pitch in vertical pixels per degree.
TEST(CameraPictureTest, HorizonAndCompassTicksFollowThePose) {
    struct Case {
        Size size;
        bool landscape;
        CameraPose pose;
        std::vector<std::string> labels;  // the ticks left to right, "" for unlabelled ones
        double horizonDegrees;            // horizon below the middle, in degrees of pitch
    };
    const Case cases[] = {
        {{375, 812}, false, {80, 0}, {"", "", "E"}, 0},
        {{375, 812}, false, {0, 10}, {"", "N", ""}, 10},
        {{375, 812}, false, {355, -30}, {"", "N"}, -30},     // 10 is 15 degrees off: outside
        {{375, 812}, false, {180, 200}, {"", "S", ""}, 90},  // beyond straight up
        {{375, 812}, false, {NAN, NAN}, {"", "N", ""}, 0},   // no pose: level, facing north
        {{812, 375}, true, {270, 0}, {"", "", "", "W", "", "", ""}, 0},
    };
    for (const auto& c : cases) {
        const CameraPicture picture = cameraPicture(c.size, 60, c.landscape, c.pose);
        const FieldOfView fov = fieldOfView(c.size, c.landscape, 60.0, c.size);
        EXPECT_NEAR(picture.hFov, fov.hFov, 1e-9);
        EXPECT_NEAR(picture.vFov, fov.vFov, 1e-9);
        EXPECT_NEAR(picture.horizonY, c.size.height / 2 + c.horizonDegrees * fov.vPixelsPerDegree,
                    1e-9);
        std::vector<std::string> labels;
        for (const auto& tick : picture.ticks) {
            labels.push_back(tick.label);
            const double heading = std::isfinite(c.pose.heading) ? c.pose.heading : 0;
            EXPECT_NEAR(
                tick.x,
                c.size.width / 2 + angleDifference(tick.bearing, heading) * fov.hPixelsPerDegree,
                1e-9);
        }
        EXPECT_EQ(labels, c.labels) << c.pose.heading;
    }
    EXPECT_TRUE(cameraPicture({375, 812}, 0, false, {}).ticks.empty());
    EXPECT_TRUE(cameraPicture({0, 0}, 60, false, {}).ticks.empty());
}

}  // namespace
}  // namespace arquorel::sim
