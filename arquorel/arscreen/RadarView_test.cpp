#include "arquorel/arscreen/RadarView.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <tuple>

#include "arquorel/arscreen/RadarAnimation.h"
#include "arquorel/platform/drawing/DisplayList.h"
#include "arquorel/platform/drawing/Renderer.h"
#include "arquorel/platform/drawing/cairo/CairoCanvas.h"
#include "sim/device/SimPlatform.h"

namespace arquorel {
namespace {

constexpr double kPi = std::numbers::pi, kInf = INFINITY;
constexpr Color kRed{1, 0, 0, 1}, kGreen{0, 1, 0, 1}, kBlue{0, 0, 1, 1}, kPurple{0.5, 0, 0.5, 1};
constexpr Color kGrey = DotsView::kUncolouredDot;

std::shared_ptr<ARGeoCoordinate> point(double metres, double azimuth, double alpha = 1,
                                       std::optional<Color> color = kRed) {
    auto p = ARGeoCoordinate::coordinateWithLocation(std::nullopt);
    std::tie(p->radialDistance, p->azimuth, p->alpha, p->color) =
        std::tie(metres, azimuth, alpha, color);
    return p;
}

TEST(RadarViewTest, DotsSitByBearingAroundTheDirectionThatPointsUp) {
    const struct {
        double up, farthest;
        std::shared_ptr<ARGeoCoordinate> p;
        Point at;  // top-left of the 2 x 2 dot
        Color color;
    } cases[] = {
        {0, 100, point(100, 0), {45, 2}, kRed},  // ahead, at the edge
        {0, 100, point(50, kPi / 2), {66.5, 45}, kRed},
        {kPi / 2, 100, point(100, 0), {2, 45}, kRed},  // facing east: north is left
        {-kPi, 100, point(100, 0), {45, 88}, kRed},
        {0, 100, point(100, 0, 0.5), {45, 2}, kGrey},  // its card is not shown
        {0, 100, point(100, 0, 1, std::nullopt), {45, 2}, kGrey},
        {0, 0, point(0.5, 0), {45, 2}, kRed},  // unset farthest: 0.5 m
    };
    for (const auto& c : cases) {
        auto radar = RadarView::create();
        radar->points = {c.p, point(kInf, 1), point(5, NAN)};  // no dot for the last two
        radar->farthest = c.farthest;
        radar->updatePoints(point(0, c.up));
        DisplayList list;
        radar->dotsView()->draw(list);
        ASSERT_EQ(list.steps().size(), 1u);
        const auto& dot = std::get<step::Fill>(list.steps()[0]);
        EXPECT_NEAR(dot.path.bounds().x(), c.at.x, 1e-9) << c.p->description() << " up " << c.up;
        EXPECT_NEAR(dot.path.bounds().y(), c.at.y, 1e-9) << c.p->description() << " up " << c.up;
        EXPECT_EQ(dot.color, c.color);
    }
    auto radar = RadarView::create();
    radar->rotateView(kPi / 2);
    const Transform quarter = radar->transform();
    for (const double angle : {double(NAN), kInf}) radar->rotateView(angle);
    EXPECT_EQ(radar->transform(), quarter);
    EXPECT_EQ(radar->descriptionEntries().back().second, "90.0");
}

TEST(RadarViewTest, TheSweepsGradientTurnsClockwiseFromTheRightOfTheCentre) {
    const struct {
        std::vector<Color> colors;
        std::vector<double> locations;
        double turn;  // fraction of the turn, clockwise from the right of the centre
        Color expected;
    } cases[] = {
        // The sweep's own two ends are probed in PicturedAtTwoPixelsAPoint.
        {{kRed, kBlue}, {}, 0.5, kPurple},
        {{kGreen}, {}, 0.7, kGreen},
        {{kRed, kBlue}, {0.5, 1}, 0.25, kRed},        // before the first location
        {{kRed, kGreen, kBlue}, {0.9}, 0.5, kGreen},  // a location list of another length
    };
    auto key = [](const Color& c) { return c.red + 2 * c.green + 4 * c.blue; };
    for (const auto& c : cases) {
        const auto gradient =
            AngleGradientLayer{c.colors, c.locations}.gradientInRect({10, 20, 60, 40});
        ASSERT_TRUE(gradient);
        EXPECT_EQ(gradient->center, (Point{40, 40}));
        EXPECT_NEAR(key(gradient->colorAt(c.turn)), key(c.expected), 1e-6) << c.turn;
    }
    DisplayList list;
    AngleGradientLayer{}.drawInRect(list, {0, 0, 90, 90});  // no colours: nothing
    AngleGradientLayer{{kRed}, {}}.drawInRect(list, {0, 0, NAN, 5});
    EXPECT_TRUE(list.steps().empty());
}

TEST(RadarViewTest, TheSweepIsADiscWithAHoleThatTurnsOnlyWhileShown) {
    sim::SimPlatform device;
    auto sweep = RadarAnimation::create({10, 10, 90, 90});
    EXPECT_TRUE(sweep->layer().mask->contains({45, 29}));   // the ring
    EXPECT_FALSE(sweep->layer().mask->contains({45, 33}));  // the hole

    auto screen = std::make_shared<View>(Rect(0, 0, 375, 812));
    const std::pair<std::function<void()>, bool> steps[] = {
        {[] {}, false},
        {[&] { screen->addSubview(sweep); }, true},
        {[&] { sweep->setHidden(true); }, false},
        {[&] { sweep->removeFromSuperview(); }, false},
        {[&] { screen->addSubview(sweep); }, false},  // still hidden
        {[&] { sweep->setHidden(false); }, true},
        {[&] { sweep->setStill(true); }, false},  // less motion asked for
        {[&] { sweep->setHidden(true); }, false},
        {[&] { sweep->setHidden(false); }, false},
        {[&] { sweep->setStill(false); }, true},
    };
    for (std::size_t i = 0; i < std::size(steps); ++i) {
        steps[i].first();
        EXPECT_EQ(sweep->isSpinning(), steps[i].second) << "step " << i;
    }
    const LayerAnimation& spin = *sweep->animation(RadarAnimation::kSpinKey);
    EXPECT_DOUBLE_EQ((spin.to - spin.from) / spin.duration, -kPi);  // per second, for ever
    EXPECT_TRUE(std::isinf(spin.repeatCount));
}

TEST(RadarViewTest, PicturedAtTwoPixelsAPoint) {
    sim::SimPlatform device;
    auto screen = std::make_shared<View>(Rect(0, 0, 100, 100));
    auto sweep = RadarAnimation::create({0, 0, 90, 90});
    auto radar = RadarView::create();
    screen->addSubview(sweep);
    screen->addSubview(radar);
    radar->points = {point(100, kPi / 2), point(100, kPi, 0.5)};  // east, and south unseen
    radar->farthest = 100;
    radar->updatePoints(point(0, 0));
    cairo::CairoCanvas canvas({100, 100}, 2);
    Renderer().render(*screen, canvas);
    const std::pair<Point, Color> probes[] = {
        {{89, 46}, kRed},                         // the eastern dot
        {{46, 89}, kGrey},                        // the southern dot, grey
        {{45, 45}, Color::clear()},               // the hole
        {{70, 46}, Color::clear()},               // the sweep starts clear right of the centre
        {{70, 43}, RadarAnimation::kSweepColor},  // and ends turquoise just above it
        {{1, 1}, Color::clear()},                 // outside the disc
    };
    for (const auto& [at, color] : probes) {
        const Color c = canvas.colorAt(at);
        const double premultiplied[][2] = {{c.red * c.alpha, color.red * color.alpha},
                                           {c.green * c.alpha, color.green * color.alpha},
                                           {c.blue * c.alpha, color.blue * color.alpha},
                                           {c.alpha, color.alpha}};
        for (const auto& [got, expected] : premultiplied)
            EXPECT_NEAR(got, expected, 0.06) << at.x << "," << at.y;
    }
}

}  // namespace
}  // namespace arquorel
