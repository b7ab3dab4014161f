#include "arquorel/arscreen/ARGeoCoordinate.h"

#include <gtest/gtest.h>
#include <GeographicLib/Geodesic.hpp>

#include <cmath>
#include <limits>
#include <numbers>

#include "arquorel/arcore/ARStatus.h"

namespace arquorel {
namespace {

constexpr double kPi = std::numbers::pi;
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();
const Location kCasino(43.7393682, 7.4272085);  // Place du Casino, Monaco

// The point `metres` away from `from` along the true course `degrees`.
Location along(const Location& from, double degrees, double metres) {
    double lat = 0, lon = 0;
    GeographicLib::Geodesic::WGS84().Direct(from.latitude(), from.longitude(), degrees, metres, lat,
                                            lon);
    return {lat, lon};
}

TEST(ARGeoCoordinateTest, AzimuthIsTheCardsBearingInRadians) {
    struct Case {
        Location origin, target;
        double azimuth;  // radians
    };
    const Case cases[] = {
        {{0, 0}, {1, 0}, 0},  // north
        {{0, 0}, {0, 1}, kPi / 2},
        {{0, 0}, {-1, 0}, kPi},
        {{0, 0}, {0, -1}, 3 * kPi / 2},
        {{0, 0}, {0, 0}, 0},
        {kCasino, {kCasino.latitude() - 0.01, kCasino.longitude()}, kPi},
        {kCasino, along(kCasino, 90, 400), kPi / 2},
        {kCasino, along(kCasino, 270, 400), 3 * kPi / 2},
        // North-east in Monaco: on a flat latitude/longitude plane this comes out near 54 degrees,
        // 9 degrees away from where the card of the same place is drawn.
        {kCasino, along(kCasino, 45, 300), kPi / 4},
        {kCasino, along(kCasino, 320, 1500), 320 * kPi / 180},
    };
    for (const auto& c : cases) {
        auto point = ARGeoCoordinate::coordinateWithLocation(c.target);
        point->calibrateUsingOrigin(c.origin, false);
        // The cards' rule is a course on the sphere: within 0.2 degrees of the ellipsoid's.
        EXPECT_NEAR(point->azimuth, c.azimuth, 0.2 * kDegreesToRadians) << point->description();
        EXPECT_DOUBLE_EQ(point->azimuth, bearing(c.origin, c.target) * kDegreesToRadians);
        EXPECT_DOUBLE_EQ(point->radialDistance, distanceFromUser(c.origin, c.target));
        EXPECT_DOUBLE_EQ(
            ARGeoCoordinate::angleFromCoordinate(c.origin.coordinate, c.target.coordinate),
            point->azimuth);
    }
    EXPECT_EQ(ARGeoCoordinate::angleFromCoordinate({10, 7}, {9, 7}), kPi);  // exactly
}

TEST(ARGeoCoordinateTest, InclinationIsAnElevationAngleAndNeverNaN) {
    struct Case {
        double originAltitude, targetAltitude, metres;
        double inclination;
    };
    const Case cases[] = {
        {0, 100, 100, kPi / 4}, {100, 0, 100, -kPi / 4}, {10, 10, 100, 0},
        {0, 50, 0, kPi / 2},  // straight above: the distance is 0
        {0, 0, 0, 0},           {0, kNaN, 100, 0},       {kInf, 0, 100, -kPi / 2},
    };
    for (const auto& c : cases) {
        Location origin = kCasino, target = along(kCasino, 10, c.metres);
        origin.altitude = c.originAltitude;
        target.altitude = c.targetAltitude;
        auto point = ARGeoCoordinate::coordinateWithLocation(target);
        point->calibrateUsingOrigin(origin, true);
        EXPECT_NEAR(point->inclination, c.inclination, 1e-6)
            << c.originAltitude << " -> " << c.targetAltitude << " at " << c.metres << " m";
        point->calibrateUsingOrigin(origin, false);
        EXPECT_EQ(point->inclination, 0);
    }
}

TEST(ARGeoCoordinateTest, ValuesOfAFreshPointWithoutLocationAndManyAtOnce) {
    auto fresh = ARGeoCoordinate::coordinateWithLocation(kCasino);
    EXPECT_EQ(fresh->alpha, 1.0);
    EXPECT_FALSE(fresh->color || fresh->dataObject || fresh->unique);
    EXPECT_EQ(fresh->description(), "r: 0.000m φ: 0.000° θ: 0.000°");

    auto lost = ARGeoCoordinate::coordinateWithLocation(std::nullopt);
    lost->radialDistance = 7;
    lost->azimuth = 1;
    lost->calibrateUsingOrigin(kCasino, true);
    EXPECT_EQ(lost->radialDistance, 7);
    EXPECT_EQ(lost->azimuth, 1);

    std::vector<std::shared_ptr<ARGeoCoordinate>> points;
    for (int i = 0; i < 8; ++i)
        points.push_back(ARGeoCoordinate::coordinateWithLocation(along(kCasino, 45 * i, 100 + i)));
    points.push_back(lost);
    points.push_back(nullptr);
    const double farthest = ARGeoCoordinate::calibrateAll(points, kCasino);
    EXPECT_DOUBLE_EQ(farthest, points[7]->radialDistance);
    for (int i = 0; i < 8; ++i) {
        auto one = ARGeoCoordinate::coordinateWithLocation(points[i]->geoLocation);
        one->calibrateUsingOrigin(kCasino, false);
        EXPECT_EQ(one->radialDistance, points[i]->radialDistance);
        EXPECT_EQ(one->azimuth, points[i]->azimuth);
    }
    EXPECT_EQ(lost->radialDistance, 7);
}

TEST(ARGeoCoordinateTest, EqualityAndHashOfAnyNumbers) {
    auto payload = std::make_shared<int>(1);
    auto a = ARGeoCoordinate::coordinateWithLocation(kCasino);
    auto b = ARGeoCoordinate::coordinateWithLocation(std::nullopt);
    a->dataObject = b->dataObject = payload;
    a->radialDistance = b->radialDistance = 12.5;
    EXPECT_TRUE(a->isEqualToCoordinate(*b));
    EXPECT_EQ(a->hash(), b->hash());
    b->dataObject = std::make_shared<int>(1);  // equal value, another object
    EXPECT_FALSE(a->isEqualToCoordinate(*b));

    // Sums that do not fit an integer (or are no number at all) still hash, and alike.
    a->dataObject.reset();
    const std::int32_t base = a->hash() - 12;
    for (const double r : {kNaN, kInf, -kInf, 1e300, -3e10, 5e9}) {
        a->radialDistance = r;
        const std::int32_t h = a->hash();
        if (!std::isfinite(r)) {
            EXPECT_EQ(h, base) << r;
        }
        EXPECT_EQ(h, a->hash());
    }
    a->radialDistance = 4294967296.0 + 3;  // wraps around 32 bits
    EXPECT_EQ(a->hash(), base + 3);
}

}  // namespace
}  // namespace arquorel
