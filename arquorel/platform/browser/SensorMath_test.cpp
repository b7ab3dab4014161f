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

// Each engine's signs of the same pose give the same sample: Chromium and Firefox report the
// push holding the phone up, WebKit on iOS gravity's pull.
TEST(SensorMathTest, MotionBecomesGravityInGWithEachEnginesSigns) {
    constexpr double g = 9.80665;
    struct Case {
        const char* pose;
        double push[3];  // what Chromium and Firefox report
        Acceleration platform;
    };
    const Case cases[] = {
        {"upright in portrait", {0, g, 0}, {0, -1, 0}},
        {"lying face up", {0, 0, g}, {0, 0, -1}},
        {"landscape, the left edge up", {g, 0, 0}, {-1, 0, 0}},
        {"tilted 0.5 rad towards the ground",
         {0, g * std::cos(0.5), -g * std::sin(0.5)},
         {0, -std::cos(0.5), std::sin(0.5)}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pose);
        const auto push = accelerationFromMotion(c.push[0], c.push[1], c.push[2]);
        const auto pull =
            accelerationFromMotion(-c.push[0], -c.push[1], -c.push[2], MotionSigns::pull);
        for (const auto& sample : {push, pull}) {
            ASSERT_TRUE(sample);
            EXPECT_NEAR(sample->x, c.platform.x, 1e-12);
            EXPECT_NEAR(sample->y, c.platform.y, 1e-12);
            EXPECT_NEAR(sample->z, c.platform.z, 1e-12);
        }
    }
    for (const auto signs : {MotionSigns::push, MotionSigns::pull}) {
        EXPECT_FALSE(accelerationFromMotion(0, NAN, 0, signs));
        EXPECT_FALSE(accelerationFromMotion(INFINITY, 0, 0, signs));
        EXPECT_FALSE(accelerationFromMotion(0, 0, NAN, signs));
    }
}

// iOS reports beta in [-90, 90] and gamma in [-180, 180], the other engines the reverse: the
// same attitude reaches the heading from either set of angles.
TEST(SensorMathTest, HeadingDoesNotDependOnTheAnglesRanges) {
    struct Case {
        double alpha, beta, gamma;  // beta in [-180, 180), gamma in [-90, 90)
    };
    const Case cases[] = {
        {270, 120, 0},  // past upright, the screen tipped towards the sky behind
        {30, 100, 20},  // past upright and turned to the side
        {200, -160, 45},
        {90, 80, -30},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.alpha << " " << c.beta << " " << c.gamma);
        // Rz(a) Rx(b) Ry(g) equals Rz(a + 180) Rx(180 - b) Ry(g + 180).
        const double beta = c.beta > 0 ? 180 - c.beta : -180 - c.beta;
        const double gamma = c.gamma >= 0 ? c.gamma - 180 : c.gamma + 180;
        const double alpha = std::fmod(c.alpha + 180, 360);
        const auto standard = headingFromOrientation(c.alpha, c.beta, c.gamma);
        const auto ios = headingFromOrientation(alpha, beta, gamma);
        ASSERT_TRUE(standard);
        ASSERT_TRUE(ios);
        EXPECT_NEAR(std::remainder(*standard - *ios, 360), 0, 1e-6);
    }
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
