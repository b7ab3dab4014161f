#pragma once
// Distance on the WGS 84 ellipsoid, by Lambert's formula for long lines: a great-circle
// distance on the sphere of reduced latitudes with a first-order flattening correction.
// Within 0.001 % of the exact geodesic from a metre to ten thousand kilometres, at a fraction
// of the cost of an iterative solution. Lines longer than ten thousand kilometres stay within
// about 0.01 %, and only near-antipodal points lose accuracy.

#include "arquorel/platform/sensors/Location.h"

namespace arquorel {

inline constexpr double kWgs84EquatorialRadius = 6378137.0;
inline constexpr double kWgs84Flattening = 1.0 / 298.257223563;

// A fixed start point with its trigonometry done once, for distances to many points.
class GeodesicOrigin {
  public:
    explicit GeodesicOrigin(const Coordinate& origin);
    double distanceTo(const Coordinate& target) const;
    const Coordinate& coordinate() const { return origin_; }

  private:
    Coordinate origin_;
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
