#include "arquorel/platform/sensors/Geodesy.h"

#include <cmath>

namespace arquorel {

namespace {

constexpr double kDegToRad = 0.017453292519943295;
constexpr double kOneMinusF = 1.0 - kWgs84Flattening;

// Sine and cosine of the reduced latitude, tan(beta) = (1 - f) tan(phi), from those of phi.
inline void reducedLatitude(double sinPhi, double cosPhi, double& sinBeta, double& cosBeta) {
    const double s = kOneMinusF * sinPhi;
    const double r = 1.0 / std::sqrt(s * s + cosPhi * cosPhi);
    sinBeta = s * r;
    cosBeta = cosPhi * r;
}

// Metres between points of reduced latitudes (sine s, cosine c) 1 and 2 whose longitudes differ
// by an angle of sine sl and cosine cl, by Lambert's formula.
inline double lambert(double s1, double c1, double s2, double c2, double sl, double cl) {
    // Unit vectors n1 = (c1, 0, s1) and n2 = (c2 cl, c2 sl, s2) on the auxiliary sphere.
    const double n2x = c2 * cl, n2y = c2 * sl;
    const double cx = -s1 * n2y, cy = s1 * n2x - c1 * s2, cz = c1 * n2y;
    const double sinSigma = std::sqrt(cx * cx + cy * cy + cz * cz);

    // Half-angle terms from chord lengths, which keep their precision for short lines.
    const double dx = c1 - n2x, dz = s1 - s2;
    const double sx = c1 + n2x, sz = s1 + s2;
    const double sinHalf2 = (dx * dx + n2y * n2y + dz * dz) * 0.25;  // sin^2(sigma/2)
    const double cosHalf2 = (sx * sx + n2y * n2y + sz * sz) * 0.25;  // cos^2(sigma/2)
    if (sinHalf2 == 0) return 0;

    double sigma;
    constexpr double kNearHalf2 = 0.25 * kNearArc * kNearArc;  // below sin^2(kNearArc / 2)
    if (sinHalf2 < kNearHalf2) {
        // sigma = 2 asin(t) with t = sin(sigma / 2) < 0.01; the next term is below 4e-18 t.
        const double t = std::sqrt(sinHalf2), t2 = sinHalf2;
        sigma = 2 * t * (1 + t2 * (1.0 / 6 + t2 * (3.0 / 40 + t2 * (15.0 / 336))));
    } else {
        sigma = std::atan2(sinSigma, c1 * n2x + s1 * s2);
    }

    const double sinPcosQ = 0.5 * (s1 + s2);
    const double cosPsinQ = 0.5 * (s2 - s1);
    const double x = cosHalf2 > 0 ? (sigma - sinSigma) * sinPcosQ * sinPcosQ / cosHalf2 : 0;
    const double y = (sigma + sinSigma) * cosPsinQ * cosPsinQ / sinHalf2;
    return kWgs84EquatorialRadius * (sigma - 0.5 * kWgs84Flattening * (x + y));
}

}  // namespace

GeodesicPoint::GeodesicPoint(const Coordinate& c) : coordinate(c) {
    const double phi = c.latitude * kDegToRad;
    sinLatitude = std::sin(phi);
    cosLatitude = std::cos(phi);
    reducedLatitude(sinLatitude, cosLatitude, sinReduced, cosReduced);
}

GeodesicOrigin::GeodesicOrigin(const Coordinate& origin) : origin_(origin) {
    const double phi = origin.latitude * kDegToRad;
    sinPhi_ = std::sin(phi);
    cosPhi_ = std::cos(phi);
    reducedLatitude(sinPhi_, cosPhi_, sinBeta_, cosBeta_);
}

double GeodesicOrigin::distanceTo(const Coordinate& target) const {
    return distance(terms(target));
}

GeodesicTerms GeodesicOrigin::terms(const Coordinate& target) const {
    const double phi = target.latitude * kDegToRad;
    const double dLon = (target.longitude - origin_.longitude) * kDegToRad;
    return {std::sin(phi), std::cos(phi), std::sin(dLon), std::cos(dLon)};
}

double GeodesicOrigin::distance(const GeodesicTerms& target) const {
    double s2, c2;
    reducedLatitude(target.sinLatitude, target.cosLatitude, s2, c2);
    return lambert(sinBeta_, cosBeta_, s2, c2, target.sinLongitudeDifference,
                   target.cosLongitudeDifference);
}

GeodesicTerms GeodesicOrigin::terms(const GeodesicPoint& target) const {
    const double dLon = (target.coordinate.longitude - origin_.longitude) * kDegToRad;
    return {target.sinLatitude, target.cosLatitude, std::sin(dLon), std::cos(dLon)};
}

double GeodesicOrigin::distance(const GeodesicPoint& target, const GeodesicTerms& t) const {
    return lambert(sinBeta_, cosBeta_, target.sinReduced, target.cosReduced,
                   t.sinLongitudeDifference, t.cosLongitudeDifference);
}

double geodesicDistance(const Coordinate& a, const Coordinate& b) {
    return GeodesicOrigin(a).distanceTo(b);
}

}  // namespace arquorel
