#pragma once
// Distance on the WGS 84 ellipsoid, by Lambert's formula for long lines: a great-circle
// distance on the sphere of reduced latitudes with a first-order flattening correction.
// Within 0.00015 % (1.5e-6 relative) of the exact geodesic for lines from a metre to ten
// thousand kilometres anywhere on Earth, at a fraction of the cost of an iterative solution;
// only near-antipodal points lose accuracy. Lines up to kNearArc radians (about 127 km) take
// the central angle from a series instead of an arc tangent, which changes it by less than
// 1e-15 relative.

#include "arquorel/platform/sensors/Location.h"

namespace arquorel {

inline constexpr double kWgs84EquatorialRadius = 6378137.0;
inline constexpr double kWgs84Flattening = 1.0 / 298.257223563;
// The longest central angle (radians, on the sphere of reduced latitudes) measured by the series.
inline constexpr double kNearArc = 0.02;

// The trigonometry of a line's end point that a distance needs and that other per-point
// computations (the initial course) can share: sine and cosine of the end point's latitude and
// of the longitude difference, each angle converted to radians as `degrees * pi / 180`.
struct GeodesicTerms {
    double sinLatitude;
    double cosLatitude;
    double sinLongitudeDifference;
    double cosLongitudeDifference;
};

// A point whose own trigonometry (latitude and reduced latitude) is done once, for measuring
// it from many start points: places that stay where they are while the user moves.
struct GeodesicPoint {
    explicit GeodesicPoint(const Coordinate& c);
    Coordinate coordinate;
    double sinLatitude;
    double cosLatitude;
    double sinReduced;
    double cosReduced;
};

// A fixed start point with its trigonometry done once, for distances to many points.
class GeodesicOrigin {
  public:
    explicit GeodesicOrigin(const Coordinate& origin);
    double distanceTo(const Coordinate& target) const;
    const Coordinate& coordinate() const { return origin_; }

    // distanceTo() in two steps, for callers that use the terms for more than the distance.
    GeodesicTerms terms(const Coordinate& target) const;
    double distance(const GeodesicTerms& target) const;
    // The same for a point with its trigonometry done: only the longitude difference is new.
    GeodesicTerms terms(const GeodesicPoint& target) const;
    double distance(const GeodesicPoint& target, const GeodesicTerms& terms) const;
    // Sine and cosine of the start point's latitude.
    double sinLatitude() const { return sinPhi_; }
    double cosLatitude() const { return cosPhi_; }

  private:
    Coordinate origin_;
    double sinPhi_;
    double cosPhi_;
    double sinBeta_;
    double cosBeta_;
};

// Metres between two coordinates.
double geodesicDistance(const Coordinate& a, const Coordinate& b);

// Metres between two locations; altitudes and accuracies play no part.
inline double distance(const Location& a, const Location& b) {
    return geodesicDistance(a.coordinate, b.coordinate);
}

}  // namespace arquorel
