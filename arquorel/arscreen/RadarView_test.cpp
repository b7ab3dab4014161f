#include "arquorel/arscreen/RadarView.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numbers>

#include "arquorel/platform/drawing/DisplayList.h"
#include "sim/device/SimPlatform.h"

namespace arquorel {
namespace {

constexpr double kPi = std::numbers::pi;
constexpr Color kRed{1, 0, 0, 1};
constexpr Color kGrey = DotsView::kUncolouredDot;

std::shared_ptr<ARGeoCoordinate> point(double metres, double azimuth, double alpha = 1,
                                       std::optional<Color> color = kRed) {
    auto p = ARGeoCoordinate::coordinateWithLocation(std::nullopt);
    p->radialDistance = metres;
    p->azimuth = azimuth;
    p->alpha = alpha;
    p->color = color;
    return p;
}

TEST(RadarViewTest, DotsSitByBearingAroundTheDirectionThatPointsUp) {
    sim::SimPlatform device;
    struct Case {
        double up;  // the centre's azimuth
        double farthest;
        std::shared_ptr<ARGeoCoordinate> p;
        Point at;  // top-left of the 2 x 2 dot
        Color color;
    };
    const Case cases[] = {
        {0, 100, point(100, 0), {45, 2}, kRed},  // ahead, at the edge
        {0, 100, point(100, kPi / 2), {88, 45}, kRed},
        {0, 100, point(100, kPi), {45, 88}, kRed},
        {0, 100, point(100, 3 * kPi / 2), {2, 45}, kRed},
        {0, 100, point(50, kPi / 2), {66.5, 45}, kRed},
        {kPi / 2, 100, point(100, kPi / 2), {45, 2}, kRed},  // facing east: east is up
        {kPi / 2, 100, point(100, 0), {2, 45}, kRed},        // ... and north to the left
        {3 * kPi / 2, 100, point(100, 0), {88, 45}, kRed},
        {-kPi, 100, point(100, 0), {45, 88}, kRed},
        {0, 100, point(100, 0, 0.5), {45, 2}, kGrey},  // not shown on screen
        {0, 100, point(100, 0, 1, std::nullopt), {45, 2}, kGrey},
        {0, 0, point(0.5, 0), {45, 2}, kRed},  // unset farthest: 0.5 m
        {0, 0, point(0, 0), {45, 45}, kRed},
    };
    for (const auto& c : cases) {
        auto radar = RadarView::create();
        auto centre = point(0, c.up);
        radar->points = {c.p};
        radar->farthest = c.farthest;
        radar->updatePoints(centre);
        const auto dots = radar->dotsView()->dots();
        ASSERT_EQ(dots.size(), 1u);
        EXPECT_NEAR(dots[0].rect.x(), c.at.x, 1e-9) << c.p->description() << " up " << c.up;
        EXPECT_NEAR(dots[0].rect.y(), c.at.y, 1e-9) << c.p->description() << " up " << c.up;
        EXPECT_EQ(dots[0].rect.size, (Size{2, 2}));
        EXPECT_EQ(dots[0].color, c.color);
    }
}

TEST(RadarViewTest, DrawsOneOvalPerFiniteDotAndTurnsOnlyByFiniteAngles) {
    sim::SimPlatform device;
    auto radar = RadarView::create();
    EXPECT_EQ(radar->frame(), Rect(0, 0, 90, 90));
    ASSERT_EQ(radar->subviews().size(), 1u);
    EXPECT_EQ(radar->subviews()[0], radar->dotsView());
    const double inf = std::numeric_limits<double>::infinity();
    radar->points = {point(10, 0), point(inf, 1), point(5, std::nan("")), point(20, kPi, 0.5)};
    radar->farthest = 20;
    radar->updatePoints(point(0, 0));

    DisplayList list;
    radar->dotsView()->draw(list);
    ASSERT_EQ(list.steps().size(), 2u);
    const auto& first = std::get<step::Fill>(list.steps()[0]);
    const auto& second = std::get<step::Fill>(list.steps()[1]);
    EXPECT_NEAR(first.path.bounds().x(), 45, 1e-9);
    EXPECT_NEAR(first.path.bounds().y(), 45 - 10 * 86.0 / 40, 1e-9);
    EXPECT_EQ(first.color, kRed);
    EXPECT_EQ(second.path.bounds(), Rect(45, 88, 2, 2));
    EXPECT_EQ(second.color, kGrey);

    radar->rotateView(kPi / 2);
    const Transform quarter = radar->transform();
    EXPECT_NEAR(quarter.b, 1, 1e-12);
    radar->rotateView(std::nan(""));
    radar->rotateView(inf);
    EXPECT_EQ(radar->transform(), quarter);
    radar->rotateView(0);
    EXPECT_TRUE(radar->transform().isIdentity());
}

}  // namespace
}  // namespace arquorel
