#include "arquorel/platform/sensors/Geodesy.h"

#include <gtest/gtest.h>
#include <GeographicLib/GeodesicExact.hpp>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <numbers>
#include <random>
#include <string>

namespace arquorel {
namespace {

// Doubles from the raw engine output: the standard distributions differ between libraries.
class Draw {
  public:
    explicit Draw(std::uint64_t seed) : engine_(seed) {}
    // Uniform in [0, 1).
    double unit() { return static_cast<double>(engine_() >> 11) * 0x1p-53; }
    double between(double lo, double hi) { return lo + (hi - lo) * unit(); }
    // Log-uniform in [lo, hi).
    double logBetween(double lo, double hi) {
        return std::exp(between(std::log(lo), std::log(hi)));
    }

  private:
    std::mt19937_64 engine_;
};

// Largest relative error against the exact WGS 84 geodesic over a family of lines.
struct ErrorStats {
    double worst = 0;
    Coordinate worstFrom, worstTo;
    double shortest = INFINITY, longest = 0;
    int lines = 0;

    // A line from `from` leaving at `azimuth` for `metres`; the exact inverse of its end points
    // is the reference.
    void check(Coordinate from, double azimuth, double metres) {
        const auto& exact = GeographicLib::GeodesicExact::WGS84();
        Coordinate to;
        exact.Direct(from.latitude, from.longitude, azimuth, metres, to.latitude, to.longitude);
        double reference = 0;
        exact.Inverse(from.latitude, from.longitude, to.latitude, to.longitude, reference);
        const double error = std::fabs(geodesicDistance(from, to) - reference) / reference;
        shortest = std::min(shortest, reference);
        longest = std::max(longest, reference);
        ++lines;
        if (error > worst) {
            worst = error;
            worstFrom = from;
            worstTo = to;
        }
    }
    std::string describe() const {
        char text[200];
        std::snprintf(text, sizeof text,
                      "%d lines, %.3g m to %.4g m, max relative error %.3e at (%.6f, %.6f) -> "
                      "(%.6f, %.6f)",
                      lines, shortest, longest, worst, worstFrom.latitude, worstFrom.longitude,
                      worstTo.latitude, worstTo.longitude);
        return text;
    }
};

constexpr double kShortest = 1.0;   // metres
constexpr double kLongest = 1.0e7;  // metres
constexpr double kAllowed = 1e-4;   // relative error

void report(const char* family, const ErrorStats& stats) {
    std::printf("[ distance ] %-12s %s\n", family, stats.describe().c_str());
    ::testing::Test::RecordProperty(std::string("maxRelativeError_") + family,
                                    std::to_string(stats.worst));
    EXPECT_LT(stats.worst, kAllowed) << family << ": " << stats.describe();
    EXPECT_LE(stats.shortest, 1.5 * kShortest) << family;
    EXPECT_GE(stats.longest, 0.8 * kLongest) << family;
}

TEST(GeodesyTest, AgreesWithTheExactGeodesicAnywhereOnEarth) {
    Draw draw(0x5eed'0001);
    ErrorStats stats;
    for (int i = 0; i < 20000; ++i) {
        // Drawn one by one: the order of evaluation of call arguments is unspecified.
        const Coordinate from{draw.between(-90, 90), draw.between(-180, 180)};
        const double azimuth = draw.between(-180, 180);
        stats.check(from, azimuth, draw.logBetween(kShortest, kLongest));
    }
    report("anywhere", stats);
}

TEST(GeodesyTest, AgreesNearThePoles) {
    Draw draw(0x5eed'0002);
    ErrorStats stats;
    for (int i = 0; i < 4000; ++i) {
        const double polar = 90 - draw.logBetween(1e-7, 1.0);  // up to the pole itself
        const double latitude = i % 2 ? polar : -polar;
        const double longitude = draw.between(-180, 180);
        const double azimuth = draw.between(-180, 180);
        stats.check({latitude, longitude}, azimuth, draw.logBetween(kShortest, kLongest));
    }
    stats.check({90, 0}, 180, 5000);   // from the pole itself
    stats.check({-90, 45}, 0, 1e6);    // from the south pole
    stats.check({89.9999, 0}, 0, 50);  // across the north pole
    report("poles", stats);
}

TEST(GeodesyTest, AgreesAcrossTheAntimeridian) {
    Draw draw(0x5eed'0003);
    ErrorStats stats;
    int crossed = 0;
    for (int i = 0; i < 4000; ++i) {
        const double east = draw.between(0, 1);
        const double latitude = draw.between(-80, 80);
        const Coordinate from{latitude, i % 2 ? 180 - east : -180 + east};
        // Head across the line: eastwards from the east side, westwards from the west side.
        const double azimuth = (i % 2 ? 1 : -1) * draw.between(10, 170);
        const double metres = draw.logBetween(kShortest, kLongest);
        stats.check(from, azimuth, metres);
        const auto& exact = GeographicLib::GeodesicExact::WGS84();
        double lat2 = 0, lon2 = 0;
        exact.Direct(from.latitude, from.longitude, azimuth, metres, lat2, lon2);
        if ((lon2 > 0) != (from.longitude > 0)) ++crossed;
    }
    EXPECT_GT(crossed, 1000);
    report("antimeridian", stats);
}

TEST(GeodesyTest, AgreesAlongMeridiansAndTheEquator) {
    Draw draw(0x5eed'0004);
    ErrorStats meridians, equator;
    for (int i = 0; i < 2000; ++i) {
        const Coordinate north{draw.between(-90, 90), draw.between(-180, 180)};
        meridians.check(north, i % 2 ? 0 : 180, draw.logBetween(kShortest, kLongest));
        const Coordinate onEquator{0, draw.between(-180, 180)};
        equator.check(onEquator, i % 2 ? 90 : -90, draw.logBetween(kShortest, kLongest));
    }
    report("meridians", meridians);
    report("equator", equator);
}

TEST(GeodesyTest, KnownLengths) {
    // One degree along the equator is a degree of the equatorial circle.
    EXPECT_NEAR(geodesicDistance({0, 10}, {0, 11}), kWgs84EquatorialRadius * std::numbers::pi / 180,
                1e-6);
    // A quarter meridian of WGS 84.
    EXPECT_NEAR(geodesicDistance({0, 30}, {90, 30}), 10001965.729, 10001965.729 * kAllowed);
}

TEST(GeodesyTest, IdenticalPointsAreZeroApartAndOrderDoesNotMatter) {
    for (const Coordinate c : {Coordinate{0, 0}, Coordinate{48.8584, 2.2945}, Coordinate{90, 0},
                               Coordinate{-90, 180}, Coordinate{-33.8568, -180}}) {
        EXPECT_EQ(geodesicDistance(c, c), 0.0);
        EXPECT_EQ(GeodesicOrigin(c).distanceTo(c), 0.0);
    }
    // The same point written with either end of the longitude range.
    EXPECT_LT(geodesicDistance({12.5, 180}, {12.5, -180}), 1e-6);
    // All longitudes meet at a pole.
    EXPECT_LT(geodesicDistance({90, 0}, {90, 137}), 1e-6);

    Draw draw(0x5eed'0005);
    for (int i = 0; i < 2000; ++i) {
        const Coordinate a{draw.between(-90, 90), draw.between(-180, 180)};
        const Coordinate b{draw.between(-90, 90), draw.between(-180, 180)};
        const double ab = geodesicDistance(a, b), ba = geodesicDistance(b, a);
        ASSERT_NEAR(ab, ba, 1e-12 * ab + 1e-9) << i;
        ASSERT_EQ(GeodesicOrigin(a).distanceTo(b), ab) << i;
    }
}

TEST(GeodesyTest, DistanceBetweenLocationsIgnoresAltitudeAndAccuracy) {
    const Location ground({52.52, 13.405}, 0, 5, 5, 0);
    const Location tower({52.52, 13.405}, 368, -1, -1, 1e9);
    const Location away({52.53, 13.405}, -20, 100, 3, 5);
    EXPECT_EQ(distance(ground, tower), 0.0);
    EXPECT_EQ(distance(tower, away), distance(ground, Location(52.53, 13.405)));
}

}  // namespace
}  // namespace arquorel
