#include "arquorel/platform/sensors/Geodesy.h"

#include <gtest/gtest.h>
#include <GeographicLib/GeodesicExact.hpp>

#include <cmath>
#include <cstdio>
#include <numbers>
#include <random>
#include <string>
#include <tuple>
#include <utility>

namespace arquorel {
namespace {

constexpr double kAllowed = 1e-5;  // relative error

struct Line {
    Coordinate from;
    double azimuth;
};

// Lines from one metre to ten thousand kilometres, and the near lines measured by the series
// (central angle below kNearArc, about 127 km) from a centimetre to past that limit.
TEST(GeodesyTest, AgreesWithTheExactGeodesicOnLongAndNearLines) {
    const auto& exact = GeographicLib::GeodesicExact::WGS84();
    // Doubles from the raw engine output: the standard distributions differ between libraries.
    std::mt19937_64 engine(0x5eed);
    auto between = [&](double lo, double hi) {
        return lo + (hi - lo) * static_cast<double>(engine() >> 11) * 0x1p-53;
    };
    for (const auto& [family, shortest, longest] : {std::tuple{"anywhere", 1.0, 1e7},
                                                    {"poles", 1.0, 1e7},
                                                    {"antimeridian", 1.0, 1e7},
                                                    {"meridians", 1.0, 1e7},
                                                    {"equator", 1.0, 1e7},
                                                    {"near anywhere", 0.01, 1.4e5},
                                                    {"near poles", 0.01, 1.4e5},
                                                    {"near antimeridian", 0.01, 1.4e5}}) {
        const std::string f = std::string(family).substr(std::string(family).find(' ') + 1);
        double worst = 0, worstMetres = 0;
        Line worstLine{};
        // The reference is the exact inverse between the ends of the line.
        auto check = [&](const Line& l, double metres) {
            const auto [lat, lon] = l.from;
            double lat2 = 0, lon2 = 0, exactMetres = 0;
            exact.Direct(lat, lon, l.azimuth, metres, lat2, lon2);
            exact.Inverse(lat, lon, lat2, lon2, exactMetres);
            const double e = std::fabs(geodesicDistance(l.from, {lat2, lon2}) / exactMetres - 1);
            // A point with its trigonometry done once measures the same.
            const GeodesicOrigin origin(l.from);
            const GeodesicPoint point({lat2, lon2});
            ASSERT_EQ(origin.distance(point, origin.terms(point)), origin.distanceTo({lat2, lon2}));
            if (e > worst) std::tie(worst, worstLine, worstMetres) = std::tie(e, l, metres);
        };
        for (int i = 0; i < 4000; ++i) {
            const double s = i % 2 ? 1 : -1;  // opposite hemispheres and directions in turn
            // Braced initialisers draw their values left to right.
            Line l{{between(-90, 90), between(-180, 180)}, between(-180, 180)};
            if (f == "poles") l.from.latitude = s * (90 - std::exp(between(std::log(1e-7), 0)));
            if (f == "antimeridian")  // heading across it from either side
                l = {{between(-80, 80), s * (180 - between(0, 1))}, s * between(10, 170)};
            if (f == "meridians") l.azimuth = 90 + 90 * s;
            if (f == "equator") l = {{0, l.from.longitude}, 90 * s};
            check(l, std::exp(between(std::log(shortest), std::log(longest))));  // log-uniform
        }
        if (f == "poles")  // from either pole and across the north pole
            for (const Line l : {Line{{90, 0}, 180}, Line{{-90, 45}, 0}, Line{{89.9999, 0}, 0}})
                check(l, 5000);
        std::printf(
            "[ distance ] %-12s max relative error %.3e from (%.5f, %.5f), %.2f deg, %.4g m\n",
            family, worst, worstLine.from.latitude, worstLine.from.longitude, worstLine.azimuth,
            worstMetres);
        EXPECT_LT(worst, kAllowed) << family;
    }
}

// Where the series hands over to the arc tangent (near 127.5 km) the error does not jump.
TEST(GeodesyTest, NoStepWhereTheNearSeriesEnds) {
    const auto& exact = GeographicLib::GeodesicExact::WGS84();
    for (const Line l : {Line{{0, 0}, 90}, Line{{0, 0}, 0}, Line{{45, 7}, 30},
                         Line{{-60, 170}, 250}, Line{{89, 0}, 180}}) {
        double previous = std::nan("");
        for (double metres = 126800; metres <= 128400; metres += 4) {
            double lat2 = 0, lon2 = 0, exactMetres = 0;
            exact.Direct(l.from.latitude, l.from.longitude, l.azimuth, metres, lat2, lon2);
            exact.Inverse(l.from.latitude, l.from.longitude, lat2, lon2, exactMetres);
            const double e = geodesicDistance(l.from, {lat2, lon2}) / exactMetres - 1;
            if (!std::isnan(previous)) {
                ASSERT_NEAR(e, previous, 1e-11) << l.from.latitude << " " << metres;
            }
            previous = e;
        }
    }
}

TEST(GeodesyTest, KnownLengthsZeroDistanceAndSymmetry) {
    EXPECT_NEAR(geodesicDistance({0, 10}, {0, 11}), kWgs84EquatorialRadius * std::numbers::pi / 180,
                1e-6);
    EXPECT_NEAR(geodesicDistance({0, 30}, {90, 30}), 10001965.729, 10001965.729 * kAllowed);
    for (const Coordinate c :
         {Coordinate{48.8584, 2.2945}, Coordinate{90, 0}, Coordinate{-90, 180}}) {
        EXPECT_EQ(geodesicDistance(c, c), 0.0);
        EXPECT_EQ(GeodesicOrigin(c).distanceTo(c), 0.0);
    }
    EXPECT_LT(geodesicDistance({12.5, 180}, {12.5, -180}), 1e-6);
    EXPECT_LT(geodesicDistance({90, 0}, {90, 137}), 1e-6);
    std::mt19937_64 engine(0x5eed'0005);
    std::uniform_real_distribution<double> lat(-90, 90), lon(-180, 180);
    for (int i = 0; i < 2000; ++i) {
        const Coordinate a{lat(engine), lon(engine)}, b{lat(engine), lon(engine)};
        const double ab = geodesicDistance(a, b);
        ASSERT_NEAR(ab, geodesicDistance(b, a), 1e-12 * ab + 1e-9) << i;
        ASSERT_EQ(GeodesicOrigin(a).distanceTo(b), ab) << i;
    }
}

}  // namespace
}  // namespace arquorel
