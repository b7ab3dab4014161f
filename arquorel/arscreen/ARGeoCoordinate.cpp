#include "arquorel/arscreen/ARGeoCoordinate.h"

#include <cmath>
#include <cstdio>
#include <functional>

#include "arquorel/arcore/ARStatus.h"

namespace arquorel {

namespace {

// Elevation of a point `rise` metres above the origin at `distance` metres: never NaN.
double elevation(double rise, double distance) {
    const double angle = std::atan2(rise, distance);
    return std::isfinite(angle) ? angle : 0;
}

// A bearing in degrees as radians; 0 for a bearing that could not be computed (NaN input).
double radians(double degrees) {
    return std::isfinite(degrees) ? degrees * kDegreesToRadians : 0;
}

}  // namespace

std::shared_ptr<ARGeoCoordinate> ARGeoCoordinate::coordinateWithLocation(
    std::optional<Location> location) {
    auto c = std::make_shared<ARGeoCoordinate>();
    c->geoLocation = location;
    c->alpha = 1.0;
    return c;
}

void ARGeoCoordinate::calibrateUsingOrigin(const Location& origin, bool useAltitude) {
    if (!geoLocation) return;
    const auto measure = UserOrigin(origin).measure(*geoLocation);
    radialDistance = std::isnan(measure.distance) ? 0 : measure.distance;
    inclination =
        useAltitude ? elevation(geoLocation->altitude - origin.altitude, radialDistance) : 0;
    azimuth = radians(measure.azimuth);
}

double ARGeoCoordinate::calibrateAll(const std::vector<std::shared_ptr<ARGeoCoordinate>>& points,
                                     const Location& origin) {
    const UserOrigin from(origin);
    double farthest = 0;
    for (const auto& point : points) {
        if (!point || !point->geoLocation) continue;
        const auto measure = from.measure(*point->geoLocation);
        point->radialDistance = std::isnan(measure.distance) ? 0 : measure.distance;
        point->inclination = 0;
        point->azimuth = radians(measure.azimuth);
        if (point->radialDistance > farthest) farthest = point->radialDistance;
    }
    return farthest;
}

double ARGeoCoordinate::angleFromCoordinate(const Coordinate& first, const Coordinate& second) {
    return radians(bearing(Location(first.latitude, first.longitude),
                           Location(second.latitude, second.longitude)));
}

bool ARGeoCoordinate::isEqualToCoordinate(const ARGeoCoordinate& other) const {
    if (this == &other) return true;
    return radialDistance == other.radialDistance && inclination == other.inclination &&
           azimuth == other.azimuth && dataObject == other.dataObject;
}

std::int32_t ARGeoCoordinate::hash() const {
    const auto payload =
        static_cast<std::uint32_t>(std::hash<const void*>{}(dataObject.get()) & 0xffffffffu);
    const double sum = std::trunc(radialDistance + inclination + azimuth);
    std::uint32_t numbers = 0;
    if (std::isfinite(sum)) {
        // Reduced into one 2^32 period first, so that the conversion is always defined.
        const double reduced = std::fmod(sum, 4294967296.0);
        numbers = static_cast<std::uint32_t>(static_cast<std::int64_t>(reduced));
    }
    return static_cast<std::int32_t>(payload + numbers);
}

std::string ARGeoCoordinate::description() const {
    char text[160];
    std::snprintf(text, sizeof text, "r: %.3fm φ: %.3f° θ: %.3f°", radialDistance,
                  azimuth * kRadiansToDegrees, inclination * kRadiansToDegrees);
    return text;
}

}  // namespace arquorel
