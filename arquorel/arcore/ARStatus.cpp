#include "arquorel/arcore/ARStatus.h"

#include <array>
#include <cmath>
#include <string_view>

#include "arquorel/platform/runtime/PlatformContext.h"
#include "arquorel/platform/sensors/Geodesy.h"

namespace arquorel {

bool ARStatus::ready() const {
    return hFov > 0 && vFov > 0 && hPixelsPerDegree > 0 && vPixelsPerDegree > 0 &&
           userLocation.has_value() && isValid(userLocation->coordinate);
}

FieldOfView fieldOfView(Size pictureSize, bool landscape, std::optional<double> cameraFov,
                        Size rootBounds) {
    const double w = pictureSize.width, h = pictureSize.height;
    FieldOfView out;
    if (cameraFov) {
        const double t = std::tan(*cameraFov * 0.5 * kDegreesToRadians);
        if (landscape) {
            out.hFov = *cameraFov;
            out.vFov = 2 * std::atan((h / w) * t) * kRadiansToDegrees;
        } else {
            out.hFov = 2 * std::atan((w / h) * t) * kRadiansToDegrees;
            out.vFov = *cameraFov;
        }
    } else {
        constexpr double kTan29 = 0.554309051452769;
        const double bw = rootBounds.width, bh = rootBounds.height;
        if (landscape) {
            out.hFov = 58;
            out.vFov = 2 * std::atan((bh / bw) * kTan29) * kRadiansToDegrees;
        } else {
            out.hFov = 2 * std::atan((bw / bh) * kTan29) * kRadiansToDegrees;
            out.vFov = 58;
        }
    }
    // A 0/0 ratio (an empty area) gives no angle rather than NaN.
    if (std::isnan(out.hFov)) out.hFov = 0;
    if (std::isnan(out.vFov)) out.vFov = 0;
    out.hPixelsPerDegree = out.hFov > 0 ? w / out.hFov : 0;
    out.vPixelsPerDegree = out.vFov > 0 ? h / out.vFov : 0;
    return out;
}

void applyFieldOfView(ARStatus& status, const FieldOfView& fov) {
    status.hFov = fov.hFov;
    status.vFov = fov.vFov;
    status.hPixelsPerDegree = fov.hPixelsPerDegree;
    status.vPixelsPerDegree = fov.vPixelsPerDegree;
}

namespace {

// The initial course from the sines and cosines of both latitudes and of the longitude
// difference, in degrees within [0, 360).
inline double course(double sinLat1, double cosLat1, double sinLat2, double cosLat2, double sinDLon,
                     double cosDLon) {
    const double y = sinDLon * cosLat2;
    const double x = cosLat1 * sinLat2 - sinLat1 * cosLat2 * cosDLon;
    double azimuth = std::atan2(y, x) * kRadiansToDegrees;
    if (azimuth < 0) azimuth += 360;
    // atan2 of a tiny negative angle rounds to exactly 360 after the addition; keep [0, 360).
    if (azimuth >= 360) azimuth = 0;
    return azimuth;
}

}  // namespace

double bearing(const Location& from, const Location& to) {
    const double lat1 = from.latitude() * kDegreesToRadians;
    const double lat2 = to.latitude() * kDegreesToRadians;
    const double dLon = (to.longitude() - from.longitude()) * kDegreesToRadians;
    return course(std::sin(lat1), std::cos(lat1), std::sin(lat2), std::cos(lat2), std::sin(dLon),
                  std::cos(dLon));
}

double distanceFromUser(const Location& user, const Location& annotation) {
    return geodesicDistance(user.coordinate, annotation.coordinate);
}

UserOrigin::Measure UserOrigin::measure(const Location& annotation) const {
    // The geodesic terms are the sines and cosines bearing() computes for the same angles.
    const GeodesicTerms t = geodesic_.terms(annotation.coordinate);
    return {geodesic_.distance(t),
            course(geodesic_.sinLatitude(), geodesic_.cosLatitude(), t.sinLatitude, t.cosLatitude,
                   t.sinLongitudeDifference, t.cosLongitudeDifference)};
}

UserOrigin::Measure UserOrigin::measure(const GeodesicPoint& annotation) const {
    const GeodesicTerms t = geodesic_.terms(annotation);
    return {geodesic_.distance(annotation, t),
            course(geodesic_.sinLatitude(), geodesic_.cosLatitude(), t.sinLatitude, t.cosLatitude,
                   t.sinLongitudeDifference, t.cosLongitudeDifference)};
}

double angleDifference(double a, double b) {
    double d = a - b;
    if (d > 180) {
        d -= 360;
    } else if (d < -180) {
        d += 360;
    }
    return d;
}

AnnotationViewSizeFactors annotationViewSizeFactorsFor(InterfaceIdiom idiom) {
    if (idiom == InterfaceIdiom::pad) return {0.25, 0.5};
    return {0.45, 0.55};
}

const AnnotationViewSizeFactors& annotationViewSizeFactors() {
    static const AnnotationViewSizeFactors factors =
        annotationViewSizeFactorsFor(platformContext().device().interfaceIdiom());
    return factors;
}

namespace {

struct ModelRow {
    std::array<std::string_view, 4> identifiers;
    std::string_view name;
};

constexpr std::array<ModelRow, 36> kModels{{
    {{"iPod5,1"}, "iPod Touch 5"},
    {{"iPod7,1"}, "iPod Touch 6"},
    {{"iPhone3,1", "iPhone3,2", "iPhone3,3"}, "iPhone 4"},
    {{"iPhone4,1"}, "iPhone 4s"},
    {{"iPhone5,1", "iPhone5,2"}, "iPhone 5"},
    {{"iPhone5,3", "iPhone5,4"}, "iPhone 5c"},
    {{"iPhone6,1", "iPhone6,2"}, "iPhone 5s"},
    {{"iPhone7,2"}, "iPhone 6"},
    {{"iPhone7,1"}, "iPhone 6 Plus"},
    {{"iPhone8,1"}, "iPhone 6s"},
    {{"iPhone8,2"}, "iPhone 6s Plus"},
    {{"iPhone9,1", "iPhone9,3"}, "iPhone 7"},
    {{"iPhone9,2", "iPhone9,4"}, "iPhone 7 Plus"},
    {{"iPhone8,4"}, "iPhone SE"},
    {{"iPhone10,1", "iPhone10,4"}, "iPhone 8"},
    {{"iPhone10,2", "iPhone10,5"}, "iPhone 8 Plus"},
    {{"iPhone10,3", "iPhone10,6"}, "iPhone X"},
    {{"iPad2,1", "iPad2,2", "iPad2,3", "iPad2,4"}, "iPad 2"},
    {{"iPad3,1", "iPad3,2", "iPad3,3"}, "iPad 3"},
    {{"iPad3,4", "iPad3,5", "iPad3,6"}, "iPad 4"},
    {{"iPad4,1", "iPad4,2", "iPad4,3"}, "iPad Air"},
    {{"iPad5,3", "iPad5,4"}, "iPad Air 2"},
    {{"iPad6,11", "iPad6,12"}, "iPad 5"},
    {{"iPad7,5", "iPad7,6"}, "iPad 6"},
    {{"iPad2,5", "iPad2,6", "iPad2,7"}, "iPad Mini"},
    {{"iPad4,4", "iPad4,5", "iPad4,6"}, "iPad Mini 2"},
    {{"iPad4,7", "iPad4,8", "iPad4,9"}, "iPad Mini 3"},
    {{"iPad5,1", "iPad5,2"}, "iPad Mini 4"},
    {{"iPad6,3", "iPad6,4"}, "iPad Pro 9.7 Inch"},
    {{"iPad6,7", "iPad6,8"}, "iPad Pro 12.9 Inch"},
    {{"iPad7,1", "iPad7,2"}, "iPad Pro 12.9 Inch 2. Generation"},
    {{"iPad7,3", "iPad7,4"}, "iPad Pro 10.5 Inch"},
    {{"AppleTV5,3"}, "Apple TV"},
    {{"AppleTV6,2"}, "Apple TV 4K"},
    {{"AudioAccessory1,1"}, "HomePod"},
    {{"i386", "x86_64"}, "Simulator"},
}};

}  // namespace

std::string modelNameFor(const std::string& machineIdentifier) {
    // The identifier counts only up to its first NUL, as the kernel's record does.
    const std::string_view id(machineIdentifier.c_str());
    for (const auto& row : kModels)
        for (const auto& candidate : row.identifiers)
            if (!candidate.empty() && candidate == id) return std::string(row.name);
    return std::string(id);
}

std::string modelName(const Device& device) {
    return modelNameFor(device.machineIdentifier());
}

}  // namespace arquorel
