#pragma once
// How the screen maps onto the world at one moment, and the geometry rules the engine uses.

#include <optional>
#include <string>

#include "arquorel/platform/device/Device.h"
#include "arquorel/platform/geometry/Geometry.h"
#include "arquorel/platform/sensors/Geodesy.h"
#include "arquorel/platform/sensors/Location.h"

namespace arquorel {

struct ARStatus {
    double hFov = 0;              // degrees
    double vFov = 0;              // degrees
    double hPixelsPerDegree = 0;  // points per degree
    double vPixelsPerDegree = 0;  // points per degree
    double heading = 0;           // degrees, 0 = north, clockwise
    double pitch = 0;             // degrees, 0 = upright, negative when tilted down
    std::optional<Location> userLocation;

    // All four geometry values positive and a user location with a valid coordinate.
    bool ready() const;
};

namespace Platform {
inline constexpr bool isSimulator = false;
}

inline constexpr double kDegreesToRadians = 0.017453292519943295;
inline constexpr double kRadiansToDegrees = 57.29577951308232;

// The four geometry fields of a status for a picture area of `pictureSize` points.
// With a camera, `cameraFov` is its field of view in degrees (horizontal in landscape,
// vertical in portrait); without one the fixed 58 degrees applies to the proportions of
// `rootBounds`.
struct FieldOfView {
    double hFov = 0;
    double vFov = 0;
    double hPixelsPerDegree = 0;
    double vPixelsPerDegree = 0;
};
FieldOfView fieldOfView(Size pictureSize, bool landscape, std::optional<double> cameraFov,
                        Size rootBounds);
// Writes the four geometry fields of `status`, leaving heading, pitch and location alone.
void applyFieldOfView(ARStatus& status, const FieldOfView& fov);

// Initial great-circle course from `from` to `to` in degrees within [0, 360), 0 = north.
double bearing(const Location& from, const Location& to);
// Metres from the user's position (reduced to latitude and longitude) to the annotation.
double distanceFromUser(const Location& user, const Location& annotation);
// Distance and azimuth from one user position to many annotations: exactly the values of
// distanceFromUser() and bearing(), with the trigonometry the two share done once per annotation.
class UserOrigin {
  public:
    struct Measure {
        double distance;  // metres
        double azimuth;   // degrees within [0, 360)
    };
    explicit UserOrigin(const Location& user) : geodesic_(user.coordinate) {}
    Measure measure(const Location& annotation) const;
    // The same for a place whose own trigonometry is done once (the same values).
    Measure measure(const GeodesicPoint& annotation) const;

  private:
    GeodesicOrigin geodesic_;
};

// a - b folded into [-180, 180]; exactly +-180 stay as they are.
double angleDifference(double a, double b);

// Annotation view sizing: width = widthFactor x screen width, height = heightFactor x width.
struct AnnotationViewSizeFactors {
    double width;
    double height;
};
AnnotationViewSizeFactors annotationViewSizeFactorsFor(InterfaceIdiom idiom);
// The factors for the current device, computed once on first use.
const AnnotationViewSizeFactors& annotationViewSizeFactors();

// The marketing model name for a machine identifier; unknown identifiers come back unchanged.
std::string modelNameFor(const std::string& machineIdentifier);
// The model name of the current device.
std::string modelName(const Device& device);

}  // namespace arquorel
