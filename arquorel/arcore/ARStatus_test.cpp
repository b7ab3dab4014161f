#include "arquorel/arcore/ARStatus.h"

#include <gtest/gtest.h>
#include <GeographicLib/Geodesic.hpp>

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
    using O = std::optional<double>;
    // (picture, landscape, camera, root bounds) -> hFov, vFov, h and v points per degree
    const std::tuple<Size, bool, O, Size, FieldOfView> cases[] = {
        {{300, 400}, false, 60, {1, 1}, {46.826448892741, 60, 6.406635717502, 400.0 / 60}},
        {{640, 400}, true, 60, {1, 1}, {60, 39.683340427516, 640.0 / 60, 10.079796602068}},
        {{500, 500}, false, 60, {1, 1}, {60, 60, 500.0 / 60, 500.0 / 60}},
        // Without a camera, 58 degrees and the root's proportions; points from the picture.
        {{640, 400}, true, {}, {1000, 10}, {58, 0.6351848784038912, 640.0 / 58, 629.7379134798}},
        {{300, 400}, false, {}, {300, 400}, {45.148417977144, 58, 6.644751099626, 400.0 / 58}},
        // Empty areas give no angle and no points rather than NaN; such a status is not ready.
        {{640, 0}, true, 60, {640, 0}, {60, 0, 640.0 / 60, 0}},
        {{0, 0}, false, 60, {0, 0}, {0, 60, 0, 0}},
        {{0, 0}, true, 60, {0, 0}, {60, 0, 0, 0}},
        {{0, 0}, false, {}, {0, 0}, {0, 58, 0, 0}},
        {{0, 0}, true, {}, {0, 0}, {58, 0, 0, 0}}};
    for (const auto& [picture, landscape, camera, root, expected] : cases) {
        SCOPED_TRACE(testing::Message() << picture.width << "x" << picture.height << landscape);
        const FieldOfView f = fieldOfView(picture, landscape, camera, root);
        EXPECT_NEAR(f.hFov, expected.hFov, 1e-9);
        EXPECT_NEAR(f.vFov, expected.vFov, 1e-9);
        EXPECT_NEAR(f.hPixelsPerDegree, expected.hPixelsPerDegree, 1e-9);
        EXPECT_NEAR(f.vPixelsPerDegree, expected.vPixelsPerDegree, 1e-9);
        ARStatus s = kReady;
        applyFieldOfView(s, f);
        EXPECT_EQ(std::tuple(s.hFov, s.vFov, s.hPixelsPerDegree, s.vPixelsPerDegree),
                  std::tuple(f.hFov, f.vFov, f.hPixelsPerDegree, f.vPixelsPerDegree));
        EXPECT_EQ(s.ready(), picture.height > 0);
    }
}

TEST(AngleTest, BearingIsTheGreatCircleCourseWithin0To360AndDifferenceWithinPlusMinus180) {
    const GeographicLib::Geodesic sphere(6371000, 0);  // its geodesics are great circles
    std::mt19937_64 engine(11);
    std::uniform_real_distribution<double> lat(-89, 89), lng(-180, 180);
    for (int i = 0; i < 2000; ++i) {
        const Location from(lat(engine), lng(engine)), to(lat(engine), lng(engine));
        double course = 0, unused = 0;
        sphere.Inverse(from.latitude(), from.longitude(), to.latitude(), to.longitude(), course,
                       unused);
        const double b = bearing(from, to);
        ASSERT_TRUE(b >= 0 && b < 360) << b;
        ASSERT_NEAR(std::remainder(b - course, 360), 0, 1e-8) << i;
    }
    const Location origin(0, 0);
    EXPECT_EQ(std::pair(bearing(origin, Location(0, 1)), bearing(origin, Location(0, -1))),
              std::pair(90.0, 270.0));
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
