#include "arquorel/platform/drawing/Path.h"

#include <gtest/gtest.h>

#include <numbers>

namespace arquorel {
namespace {

TEST(PathTest, ContainsFollowsTheFillRule) {
    // A square with a square hole: the hole is outside only under the even-odd rule.
    Path frame = Path::rect({0, 0, 100, 100});
    frame.addRect({25, 25, 50, 50});
    Path holed = frame;
    holed.setFillRule(FillRule::evenOdd);
    const Path round = Path::roundedRect({0, 0, 100, 50}, 20);
    const Path disc = Path::circle({50, 50}, 10);
    const struct {
        const Path& path;
        Point p;
        bool inside;
    } cases[] = {
        {frame, {50, 50}, true},   {holed, {50, 50}, false}, {holed, {10, 10}, true},
        {holed, {150, 50}, false}, {round, {2, 2}, false},   {round, {50, 2}, true},
        {round, {98, 48}, false},  {disc, {50, 59}, true},   {disc, {58, 58}, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.path.contains(c.p), c.inside)
            << c.path.describe() << " " << c.p.x << "," << c.p.y;
}

TEST(PathTest, BoundsAndTransformsKeepTheShape) {
    const Path round = Path::roundedRect({10, 20, 100, 40}, 8);
    const Rect b = round.bounds();
    EXPECT_NEAR(b.x(), 10, 1e-9);
    EXPECT_NEAR(b.maxY(), 60, 1e-9);
    EXPECT_EQ(Path::roundedRect({0, 0, 10, 10}, 0), Path::rect({0, 0, 10, 10}));
    // A radius beyond half the short side is clamped: a 10-wide bar becomes a stadium.
    EXPECT_FALSE(Path::roundedRect({0, 0, 100, 10}, 50).contains({0.5, 0.5}));

    const Transform turn =
        concat(Transform::rotation(std::numbers::pi / 2), Transform::translation(100, 0));
    const Path turned = round.transformed(turn);
    const Rect tb = turned.bounds();
    EXPECT_NEAR(tb.x(), 40, 1e-6);  // y range 20..60 maps to x = 100 - y
    EXPECT_NEAR(tb.width(), 40, 1e-6);
    EXPECT_NEAR(tb.y(), 10, 1e-6);
    EXPECT_NEAR(tb.height(), 100, 1e-6);
    EXPECT_TRUE(turned.contains(apply(turn, {60, 40})));

    EXPECT_EQ(Path::rect({1, 2, 3, 4}).describe(), "rect(1,2,3,4)");
    EXPECT_EQ(
        Path().moveTo({0, 0}).lineTo({1.5, 0}).close().setFillRule(FillRule::evenOdd).describe(),
        "M0,0 L1.5,0 Z evenOdd");
    ASSERT_TRUE(inverted(turn).has_value());
    const Point back = apply(*inverted(turn), apply(turn, {3, 4}));
    EXPECT_NEAR(back.x, 3, 1e-9);
    EXPECT_NEAR(back.y, 4, 1e-9);
    EXPECT_FALSE(inverted(Transform::scale(0, 1)).has_value());
}

}  // namespace
}  // namespace arquorel
