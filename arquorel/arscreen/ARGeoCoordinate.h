#pragma once
// A point of the radar: a geographic position with its distance, bearing and elevation from
// the last calibration origin, the caller's payload and the colour of its dot.
//
// Bearings follow the same rule as the AR cards (the initial great-circle course, bearing()
// in arcore), so a dot and a card of one place always agree on its direction.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "arquorel/platform/geometry/Color.h"
#include "arquorel/platform/sensors/Location.h"

namespace arquorel {

class ARGeoCoordinate {
  public:
    // A coordinate for `location` with alpha 1, every number 0, no colour and no payload.
    static std::shared_ptr<ARGeoCoordinate> coordinateWithLocation(
        std::optional<Location> location);
    ARGeoCoordinate() = default;

    // Sets radialDistance, azimuth and inclination as seen from `origin`. Without a
    // geoLocation nothing changes. Without altitude the inclination is 0.
    void calibrateUsingOrigin(const Location& origin, bool useAltitude);
    // calibrateUsingOrigin() without altitude for many points, the origin's trigonometry done
    // once. Returns the largest radial distance among them (0 for none).
    static double calibrateAll(const std::vector<std::shared_ptr<ARGeoCoordinate>>& points,
                               const Location& origin);

    // Bearing from `first` to `second` in radians within [0, 2π): 0 north, π/2 east.
    static double angleFromCoordinate(const Coordinate& first, const Coordinate& second);

    // The same object, or equal distance, inclination and azimuth with the very same payload.
    bool isEqualToCoordinate(const ARGeoCoordinate& other) const;
    // The payload's hash plus the three numbers' sum truncated to an integer (0 when the sum
    // is not finite; wrapped into 32 bits when it is too large).
    std::int32_t hash() const;
    // "r: 120.000m φ: 90.000° θ: 0.000°" (distance, azimuth and inclination in degrees).
    std::string description() const;

    std::optional<Location> geoLocation;
    double radialDistance = 0;          // metres from the last calibration origin
    double inclination = 0;             // radians, elevation seen from the origin
    double azimuth = 0;                 // radians within [0, 2π), 0 north, π/2 east
    std::shared_ptr<void> dataObject;   // the caller's payload (the place)
    std::optional<std::string> unique;  // the caller's identity value (a record id)
    double alpha = 0;                   // dots are coloured only when this is exactly 1
    std::optional<Color> color;         // the dot's colour; none: light grey
};

}  // namespace arquorel
