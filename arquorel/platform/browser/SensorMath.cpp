#include "arquorel/platform/browser/SensorMath.h"

#include <cmath>

namespace arquorel::browser {

namespace {
constexpr double kRadians = M_PI / 180;
constexpr double kStandardGravity = 9.80665;  // m/s² in one g
}  // namespace

std::optional<double> headingFromOrientation(double alpha, double beta, double gamma) {
    if (!std::isfinite(alpha) || !std::isfinite(beta) || !std::isfinite(gamma)) return std::nullopt;
    const double sa = std::sin(alpha * kRadians), ca = std::cos(alpha * kRadians);
    const double sb = std::sin(beta * kRadians), cb = std::cos(beta * kRadians);
    const double sg = std::sin(gamma * kRadians), cg = std::cos(gamma * kRadians);
    // The device's axes in the earth frame (east, north) through Rz(alpha) Rx(beta) Ry(gamma):
    // the back camera (-z) and the screen's top edge (+y). Tilted forwards from upright to
    // flat, both point the same way; the camera's direction is used until it looks almost
    // straight down, then the top edge's.
    const double cameraEast = -ca * sg - sa * sb * cg;
    const double cameraNorth = -sa * sg + ca * sb * cg;
    const bool cameraLevelEnough = std::hypot(cameraEast, cameraNorth) >= 0.2;
    const double east = cameraLevelEnough ? cameraEast : -sa * cb;
    const double north = cameraLevelEnough ? cameraNorth : ca * cb;
    if (std::hypot(east, north) < 1e-9) return std::nullopt;
    double heading = std::atan2(east, north) / kRadians;
    if (heading < 0) heading += 360;
    if (heading >= 360) heading -= 360;
    return heading;
}

std::optional<Acceleration> accelerationFromMotion(double x, double y, double z,
                                                   MotionSigns signs) {
    if (!std::isfinite(x) || !std::isfinite(y) || !std::isfinite(z)) return std::nullopt;
    // The platform's accelerometer reports gravity's pull in g: a push is turned round, a pull
    // is only scaled.
    const double scale = (signs == MotionSigns::push ? -1 : 1) / kStandardGravity;
    return Acceleration{x * scale, y * scale, z * scale};
}

ScreenOrientation orientationFromScreenAngle(double angle) {
    if (!std::isfinite(angle)) angle = 0;
    long quarter = std::lround(angle / 90) % 4;
    if (quarter < 0) quarter += 4;
    switch (quarter) {
        case 1:  // turned a quarter anticlockwise: the bottom edge on the right
            return {DeviceOrientation::landscapeLeft, InterfaceOrientation::landscapeRight};
        case 2:
            return {DeviceOrientation::portraitUpsideDown,
                    InterfaceOrientation::portraitUpsideDown};
        case 3:
            return {DeviceOrientation::landscapeRight, InterfaceOrientation::landscapeLeft};
        default:
            return {DeviceOrientation::portrait, InterfaceOrientation::portrait};
    }
}

}  // namespace arquorel::browser
