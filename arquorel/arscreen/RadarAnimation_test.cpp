#include "arquorel/arscreen/RadarAnimation.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numbers>

#include "arquorel/platform/drawing/DisplayList.h"
#include "sim/device/SimPlatform.h"

namespace arquorel {
namespace {

constexpr Color kRed{1, 0, 0, 1};
constexpr Color kBlue{0, 0, 1, 1};
constexpr Color kGreen{0, 1, 0, 1};

std::vector<std::string> drawn(const AngleGradientLayer& layer, const Rect& rect) {
    DisplayList list;
    layer.drawInRect(list, rect);
    return list.descriptions();
}

TEST(AngleGradientLayerTest, ColoursTurnClockwiseFromTheRightOfTheCentre) {
    struct Case {
        std::vector<Color> colors;
        std::vector<double> locations;
        double turn;  // fraction of the turn from the right of the centre, clockwise
        Color expected;
    };
    const Case cases[] = {
        {{kRed, kBlue}, {}, 0, kRed},  // just right of the centre
        {{kRed, kBlue}, {}, 0.5, {0.5, 0, 0.5, 1}},
        {{kRed, kBlue}, {}, 1 - 1e-9, kBlue},  // just before the turn is complete
        {{kRed, kGreen, kBlue}, {}, 0.5, kGreen},
        {{kGreen}, {}, 0.7, kGreen},            // one colour everywhere
        {{kRed, kBlue}, {0.5, 1}, 0.25, kRed},  // before the first location
        {{kRed, kBlue}, {0.5, 0.75}, 0.9, kBlue},
        {{kRed, kBlue}, {0.0, 0.5}, 0.25, {0.5, 0, 0.5, 1}},
        {{kRed, kGreen, kBlue}, {0.9}, 0.5, kGreen},  // a location list of another length
        {{kRed, kBlue}, {std::nan(""), 1}, 0.5, {0.5, 0, 0.5, 1}},
    };
    for (const auto& c : cases) {
        AngleGradientLayer layer;
        layer.colors = c.colors;
        layer.locations = c.locations;
        const auto gradient = layer.gradientInRect({10, 20, 60, 40});
        ASSERT_TRUE(gradient);
        EXPECT_EQ(gradient->kind, Gradient::Kind::angle);
        EXPECT_EQ(gradient->center, (Point{40, 40}));
        EXPECT_EQ(gradient->startAngle, 0);
        const Color got = gradient->colorAt(c.turn);
        EXPECT_NEAR(got.red, c.expected.red, 1e-6) << c.turn;
        EXPECT_NEAR(got.green, c.expected.green, 1e-6) << c.turn;
        EXPECT_NEAR(got.blue, c.expected.blue, 1e-6) << c.turn;
    }
}

TEST(AngleGradientLayerTest, DrawsNothingWithoutColoursOrArea) {
    AngleGradientLayer layer;
    EXPECT_FALSE(layer.gradientInRect({0, 0, 90, 90}));
    EXPECT_TRUE(drawn(layer, {0, 0, 90, 90}).empty());
    layer.colors = {kRed};
    const double inf = std::numeric_limits<double>::infinity();
    for (const Rect r :
         {Rect(0, 0, 0, 90), Rect(0, 0, -5, 5), Rect(0, 0, inf, 5), Rect(std::nan(""), 0, 5, 5)})
        EXPECT_TRUE(drawn(layer, r).empty()) << r;
    EXPECT_EQ(drawn(layer, {0, 0, 90, 90}).size(), 1u);
}

TEST(RadarAnimationTest, ASweepDiscWithAHoleThatTurnsOnlyWhileShown) {
    sim::SimPlatform device;
    auto sweep = RadarAnimation::create({10, 10, 90, 90});
    EXPECT_EQ(sweep->layer().cornerRadius, 45);
    EXPECT_TRUE(sweep->clipsToBounds());
    EXPECT_FALSE(sweep->isUserInteractionEnabled());
    const Path& mask = *sweep->layer().mask;
    EXPECT_EQ(mask.fillRule(), FillRule::evenOdd);
    EXPECT_TRUE(mask.contains({5, 5}));
    EXPECT_TRUE(mask.contains({45, 29}));   // the ring
    EXPECT_FALSE(mask.contains({45, 45}));  // the hole
    EXPECT_FALSE(mask.contains({45, 33}));

    DisplayList list;
    sweep->draw(list);
    ASSERT_EQ(list.steps().size(), 1u);
    const auto& fill = std::get<step::FillGradient>(list.steps()[0]);
    EXPECT_EQ(fill.area, Path::rect({0, 0, 90, 90}));
    ASSERT_EQ(fill.gradient.stops.size(), 6u);
    EXPECT_EQ(fill.gradient.stops.front().color, Color::white().withAlpha(0));
    EXPECT_EQ(fill.gradient.stops.back().color, RadarAnimation::kSweepColor);

    auto screen = std::make_shared<View>(Rect(0, 0, 375, 812));
    struct Step {
        const char* what;
        std::function<void()> act;
        bool spinning;
    };
    const Step steps[] = {
        {"made", [] {}, false},
        {"added", [&] { screen->addSubview(sweep); }, true},
        {"hidden", [&] { sweep->setHidden(true); }, false},
        {"removed while hidden", [&] { sweep->removeFromSuperview(); }, false},
        {"added while hidden", [&] { screen->addSubview(sweep); }, false},
        {"shown", [&] { sweep->setHidden(false); }, true},
        {"removed", [&] { sweep->removeFromSuperview(); }, false},
    };
    for (const auto& s : steps) {
        s.act();
        EXPECT_EQ(sweep->isSpinning(), s.spinning) << s.what;
    }
    screen->addSubview(sweep);
    device.advance(3);
    const LayerAnimation* spin = sweep->animation(RadarAnimation::kSpinKey);
    ASSERT_TRUE(spin);
    EXPECT_EQ(spin->keyPath, "transform.rotation");
    EXPECT_EQ(spin->beginTime, device.now() - 3);
    EXPECT_DOUBLE_EQ((spin->to - spin->from) / spin->duration, -std::numbers::pi);  // per second
    EXPECT_TRUE(std::isinf(spin->repeatCount));
}

}  // namespace
}  // namespace arquorel
