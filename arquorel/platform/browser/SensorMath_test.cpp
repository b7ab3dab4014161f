#include "arquorel/platform/browser/SensorMath.h"

#include <gtest/gtest.h>

#include <cmath>

namespace arquorel::browser {
namespace {

TEST(SensorMathTest, HeadingIsWhereTheCameraLooks) {
    struct Case {
        double alpha, beta, gamma;
        double heading;
    };
    const Case cases[] = {
        {0, 0, 0, 0},       // flat, the top edge to the north
        {90, 0, 0, 270},    // flat, turned a quarter anticlockwise: the top edge to the west
        {270, 0, 0, 90},    // flat, the top edge to the east
        {0, 90, 0, 0},      // upright, the camera to the north
        {270, 90, 0, 90},   // upright, the camera to the east
        {180, 90, 0, 180},  // upright, to the south
        {135, 90, 0, 225},  // upright, to the south-west
        {270, 45, 0, 90},   // tilted half-way towards the ground, to the east
        {0, 90, -90, 90},   // on its side, the screen to the west: the camera to the east
        {0, 0, -90, 90},    // the same, reached from flat
        {0, 85, 0, 0},      // nearly upright
        {90, 5, 0, 270},    // nearly flat: the top edge (to the west), not the camera
        // Nearly flat but tipped back or sideways: the camera looks down behind or beside the
        // top edge; the heading stays the top edge's instead of jumping by 90 or 180 degrees.
        {0, -8, 0, 0},
        {0, 0, 8, 0},
        {90, -10, 4, 270},
        {0, -15, 0, 180},  // tipped back enough that the camera looks ahead of the user
        {350, 80, 0, 10},  // nearly upright, across north
        // A hair west of north: 360 minus a hair rounds to 360, which is north again.
        {1e-14, 0, 0, 0},
        {-1e-14, 0, 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.alpha << " " << c.beta << " " << c.gamma);
        const auto heading = headingFromOrientation(c.alpha, c.beta, c.gamma);
        ASSERT_TRUE(heading);
        EXPECT_NEAR(*heading, c.heading, 1e-6);
        EXPECT_GE(*heading, 0);
        EXPECT_LT(*heading, 360);
    }
    EXPECT_FALSE(headingFromOrientation(NAN, 90, 0));
    EXPECT_FALSE(headingFromOrientation(0, INFINITY, 0));
    EXPECT_FALSE(headingFromOrientation(90, 0, NAN));
}

TEST(SensorMathTest, MotionBecomesGravityInG) {
    // Upright in portrait the push holds the phone up along +y: the platform reads y = -1 g.
    const auto upright = accelerationFromMotion(0, 9.80665, 0);
    ASSERT_TRUE(upright);
    EXPECT_DOUBLE_EQ(upright->y, -1);
    EXPECT_DOUBLE_EQ(upright->x, 0);
    const auto flat = accelerationFromMotion(0, 0, 9.80665);
    ASSERT_TRUE(flat);
    EXPECT_DOUBLE_EQ(flat->z, -1);
    const auto tilted = accelerationFromMotion(0, 9.80665 * std::cos(0.5), 9.80665 * std::sin(0.5));
    ASSERT_TRUE(tilted);
    EXPECT_NEAR(std::atan2(-tilted->z, -tilted->y), 0.5, 1e-12);
    // In landscape with the left edge up the push is along +x.
    const auto sideways = accelerationFromMotion(9.80665, 0, 0);
    ASSERT_TRUE(sideways);
    EXPECT_DOUBLE_EQ(sideways->x, -1);
    EXPECT_FALSE(accelerationFromMotion(0, NAN, 0));
    EXPECT_FALSE(accelerationFromMotion(INFINITY, 0, 0));
    EXPECT_FALSE(accelerationFromMotion(0, 0, NAN));
}

TEST(SensorMathTest, ScreenAngleGivesBothOrientations) {
    struct Case {
        double angle;
        DeviceOrientation device;
        InterfaceOrientation interface;
    };
    const Case cases[] = {
        {0, DeviceOrientation::portrait, InterfaceOrientation::portrait},
        {90, DeviceOrientation::landscapeLeft, InterfaceOrientation::landscapeRight},
        {180, DeviceOrientation::portraitUpsideDown, InterfaceOrientation::portraitUpsideDown},
        {270, DeviceOrientation::landscapeRight, InterfaceOrientation::landscapeLeft},
        {-90, DeviceOrientation::landscapeRight, InterfaceOrientation::landscapeLeft},
        {88, DeviceOrientation::landscapeLeft, InterfaceOrientation::landscapeRight},
        {NAN, DeviceOrientation::portrait, InterfaceOrientation::portrait},
    };
    for (const auto& c : cases) {
        const auto o = orientationFromScreenAngle(c.angle);
        EXPECT_EQ(o.device, c.device) << c.angle;
        EXPECT_EQ(o.interface, c.interface) << c.angle;
    }
}

}  // namespace
}  // namespace arquorel::browser
