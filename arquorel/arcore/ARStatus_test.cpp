#include "arquorel/arcore/ARStatus.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>

namespace arquorel {
namespace {

const ARStatus kReady{46.8, 60, 6.4, 6.67, 0, 0, Location(52.52, 13.405)};

TEST(ARStatusTest, ReadyOnlyWithAValidLocationAndPositiveGeometry) {
    EXPECT_TRUE(kReady.ready());
    auto s = kReady;
    s.userLocation.reset();
    EXPECT_FALSE(s.ready());
    for (const Coordinate at :
         {Coordinate{91, 0}, Coordinate{0, -181}, Coordinate{NAN, 0}, Coordinate{-90, 180}}) {
        s.userLocation = Location(at, 0, 0, 0, 0);
        EXPECT_EQ(s.ready(), at.latitude == -90) << at.latitude << ", " << at.longitude;
    }
    for (auto field : {&ARStatus::hFov, &ARStatus::vFov, &ARStatus::hPixelsPerDegree,
                       &ARStatus::vPixelsPerDegree})
        for (double value : {0.0, -1.0, std::nan("")}) {
            s = kReady;
            s.*field = value;
            EXPECT_FALSE(s.ready()) << value;
        }
}

TEST(FieldOfViewTest, CameraAngleVerticalInPortraitHorizontalInLandscapeElse58Degrees) {
    FieldOfView p = fieldOfView({300, 400}, false, 60.0, {1, 1});
    EXPECT_NEAR(p.hFov, 46.826448892741, 1e-9);
    EXPECT_EQ(p.vFov, 60);
    EXPECT_NEAR(p.hPixelsPerDegree, 6.406635717502, 1e-9);
    EXPECT_DOUBLE_EQ(p.vPixelsPerDegree, 400.0 / 60);
    FieldOfView l = fieldOfView({640, 400}, true, 60.0, {1, 1});
    EXPECT_EQ(l.hFov, 60);
    EXPECT_NEAR(l.vFov, 39.683340427516, 1e-9);
    EXPECT_NEAR(fieldOfView({500, 500}, false, 60.0, {1, 1}).hFov, 60, 1e-12);

    // Without a camera the proportions come from the root bounds.
    l = fieldOfView({640, 400}, true, std::nullopt, {1000, 10});
    EXPECT_EQ(l.hFov, 58);
    EXPECT_NEAR(l.vFov, 2 * std::atan(0.01 * 0.554309051452769) * kRadiansToDegrees, 1e-12);
    EXPECT_DOUBLE_EQ(l.hPixelsPerDegree, 640.0 / 58);  // the picture area, not the root bounds
    p = fieldOfView({300, 400}, false, std::nullopt, {300, 400});
    EXPECT_EQ(p.vFov, 58);
    EXPECT_NEAR(p.hFov, 45.148417977144, 1e-9);
}

TEST(FieldOfViewTest, DegenerateAreasGiveZerosAndAStatusThatIsNotReady) {
    FieldOfView flat = fieldOfView({640, 0}, true, 60.0, {640, 0});
    EXPECT_EQ(flat.vFov, 0);
    EXPECT_EQ(flat.vPixelsPerDegree, 0);
    ARStatus s = kReady;
    applyFieldOfView(s, flat);
    EXPECT_FALSE(s.ready());

    for (int i = 0; i < 4; ++i) {  // both orientations, with and without a camera
        const std::optional<double> camera = i < 2 ? std::optional(60.0) : std::nullopt;
        const FieldOfView f = fieldOfView({0, 0}, i % 2 == 1, camera, {0, 0});
        EXPECT_FALSE(std::isnan(f.hFov) || std::isnan(f.vFov));
        EXPECT_EQ(f.hPixelsPerDegree + f.vPixelsPerDegree, 0);
    }
}

TEST(AngleTest, BearingWithinZeroTo360AndDifferenceWithinPlusMinus180) {
    const Location origin(0, 0);
    EXPECT_DOUBLE_EQ(bearing(origin, Location(0, 1)), 90);
    EXPECT_DOUBLE_EQ(bearing(origin, Location(0, -1)), 270);
    EXPECT_EQ(bearing(origin, Location(1, 0)), 0);
    EXPECT_DOUBLE_EQ(bearing(origin, Location(-1, 0)), 180);
    // A hair west of north: -tiny + 360 rounds to 360, which must fold to 0.
    EXPECT_EQ(bearing(origin, Location(10, -1e-15)), 0);
    EXPECT_NEAR(bearing(origin, Location(10, -1e-6)), 360 - 5.67e-6, 1e-7);
    // Differences fold into [-180, 180], keeping both ends.
    const double cases[][3] = {{350, 10, -20},  {10, 350, 20},  {190, 10, 180},
                               {10, 190, -180}, {181, 0, -179}, {359.5, 0.5, -1}};
    for (const auto& c : cases) EXPECT_EQ(angleDifference(c[0], c[1]), c[2]) << c[0] << " " << c[1];
}

TEST(UserOriginTest, MatchesDistanceFromUserAndBearingExactly) {
    std::mt19937_64 engine(7);
    const auto between = [&](double lo, double hi) {
        return std::uniform_real_distribution<double>(lo, hi)(engine);
    };
    for (int i = 0; i < 4000; ++i) {
        const Coordinate at{between(-90, 90), between(-180, 180)};
        const Location user(at, between(-10, 3000), 5, 5, 0);
        const Coordinate near{at.latitude + between(-0.3, 0.3), at.longitude + between(-0.3, 0.3)};
        const Coordinate anywhere{between(-90, 90), between(-180, 180)};
        const Location place(i % 2 ? anywhere : near, 0, 0, 0, 0);
        const auto m = UserOrigin(user).measure(place);
        ASSERT_EQ(m.distance, distanceFromUser(user, place)) << i;
        ASSERT_EQ(m.azimuth, bearing(user, place)) << i;
        const auto p = UserOrigin(user).measure(GeodesicPoint(place.coordinate));
        ASSERT_EQ(p.distance, m.distance) << i;
        ASSERT_EQ(p.azimuth, m.azimuth) << i;
    }
    EXPECT_EQ(UserOrigin(Location(0, 0)).measure(Location(10, -1e-15)).azimuth, 0);
}

TEST(AnnotationViewSizeTest, FactorsByIdiom) {
    for (auto idiom : {InterfaceIdiom::phone, InterfaceIdiom::pad, InterfaceIdiom::tv}) {
        const auto f = annotationViewSizeFactorsFor(idiom);
        const bool pad = idiom == InterfaceIdiom::pad;
        EXPECT_EQ(f.width, pad ? 0.25 : 0.45);
        EXPECT_EQ(f.height, pad ? 0.5 : 0.55);
    }
}

TEST(ModelNameTest, KnownIdentifiersUnknownOnesAndTheNulCut) {
    const char* const known[][2] = {{"iPod5,1", "iPod Touch 5"}, {"x86_64", "Simulator"},
                                    {"i386", "Simulator"},       {"iPad2,1", "iPad 2"},
                                    {"iPad2,4", "iPad 2"},       {"iPad6,11", "iPad 5"},
                                    {"iPhone10,6", "iPhone X"}};
    for (const auto& [id, name] : known) EXPECT_EQ(modelNameFor(id), name) << id;
    for (const std::string id : {"iPad6,1", "iPhone9,3 ", "iphone9,3", " iPhone9,3", "iPhone9", ""})
        EXPECT_EQ(modelNameFor(id), id);
    EXPECT_EQ(modelNameFor(std::string("iPhone9,3\0junk", 14)), "iPhone 7");
    EXPECT_EQ(modelNameFor(std::string("iPhone99\0,1", 11)), "iPhone99");
}

}  // namespace
}  // namespace arquorel
