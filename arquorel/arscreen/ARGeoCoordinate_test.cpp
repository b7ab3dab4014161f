#include "arquorel/arscreen/ARGeoCoordinate.h"

#include <gtest/gtest.h>
#include <GeographicLib/Geodesic.hpp>

#include <cmath>
#include <numbers>

namespace arquorel {
namespace {

constexpr double kPi = std::numbers::pi, kInf = INFINITY;
const Location kCasino(43.7393682, 7.4272085);

Location along(double degrees, double metres, double altitude = 0) {
    double lat = 0, lon = 0;
    GeographicLib::Geodesic::WGS84().Direct(kCasino.latitude(), kCasino.longitude(), degrees,
                                            metres, lat, lon);
    return {{lat, lon}, altitude, 0, 0, 0};
}

TEST(ARGeoCoordinateTest, InclinationIsAnElevationAngleAndNeverNaN) {
    const struct {
        double originAltitude, targetAltitude, metres, inclination;
    } cases[] = {
        {0, 100, 100, kPi / 4}, {100, 0, 100, -kPi / 4}, {0, 50, 0, kPi / 2},
        {0, 0, 0, 0},           {0, NAN, 100, 0},        {kInf, 0, 100, -kPi / 2},
    };
    // Azimuths and distances are the cards' (RadarFeedTest); elevations are the radar's own.
    for (const auto& c : cases) {
        Location origin = kCasino;
        origin.altitude = c.originAltitude;
        auto point = ARGeoCoordinate::coordinateWithLocation(along(10, c.metres, c.targetAltitude));
        point->calibrateUsingOrigin(origin, true);
        EXPECT_NEAR(point->inclination, c.inclination, 1e-6) << c.targetAltitude << " " << c.metres;
    }
}

TEST(ARGeoCoordinateTest, EqualityNeedsTheSamePayloadAndAnyNumberHashes) {
    auto a = ARGeoCoordinate::coordinateWithLocation(kCasino);
    auto b = ARGeoCoordinate::coordinateWithLocation(std::nullopt);
    a->dataObject = b->dataObject = std::make_shared<int>(1);
    EXPECT_TRUE(a->isEqualToCoordinate(*b));
    b->dataObject = std::make_shared<int>(1);
    EXPECT_FALSE(a->isEqualToCoordinate(*b));
    a->dataObject.reset();
    const std::int32_t base = a->hash();
    for (const double r : {double(NAN), kInf, -kInf}) {
        a->radialDistance = r;
        EXPECT_EQ(a->hash(), base) << r;
    }
    a->radialDistance = 4294967296.0 * 1000 + 3;  // far past 32 bits: wraps
    EXPECT_EQ(a->hash(), base + 3);
}

}  // namespace
}  // namespace arquorel
