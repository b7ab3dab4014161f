#pragma once
// The browser's sensor readings turned into the device platform's: compass headings from
// device orientation angles, accelerometer samples in g from motion events, and the device and
// interface orientations from the screen's angle.

#include <optional>

#include "arquorel/platform/device/Device.h"
#include "arquorel/platform/sensors/Readings.h"

namespace arquorel::browser {

// The compass heading (degrees from north, [0, 360)) of where the back camera looks, from the
// absolute orientation angles alpha, beta and gamma (degrees, rotation order Z-X'-Y'' of the
// device frame: x to the right of the screen, y to its top, z out of it). Held nearly flat,
// the camera looks at the ground: the heading is then that of the screen's top edge. None when
// an angle is not a number.
std::optional<double> headingFromOrientation(double alpha, double beta, double gamma);

// How an engine signs `accelerationIncludingGravity` in its motion events.
//   push: the push that holds the phone up, +9.81 m/s² along the axis pointing up (lying face up
//     z = +9.81, upright in portrait y = +9.81). The W3C event's definition; Chromium and Firefox
//     on Android report it so.
//   pull: gravity's pull, -9.81 m/s² along the axis pointing up. WebKit on iOS reports this: it
//     hands on the motion framework's user acceleration plus gravity (a vector pointing down)
//     times 9.80665, unchanged.
// Both use the device frame of the orientation event (x to the right of the screen, y to its
// top, z out of it), and neither changes with the screen's rotation. The angles alpha, beta
// and gamma have one sign convention everywhere (rotations about z, x and y, counter-clockwise
// seen from the axis' positive end); only their ranges differ (beta in [-90, 90] and gamma in
// [-180, 180] on iOS, the reverse elsewhere), and both name the same attitude.
enum class MotionSigns { push, pull };

// An accelerometer sample in g with the platform's signs (a phone held upright in portrait
// reads y = -1, lying face up z = -1) from a motion event's acceleration including gravity in
// m/s², signed as `signs` says. None when a value is not a number.
std::optional<Acceleration> accelerationFromMotion(double x, double y, double z,
                                                   MotionSigns signs = MotionSigns::push);

struct ScreenOrientation {
    DeviceOrientation device = DeviceOrientation::portrait;
    InterfaceOrientation interface = InterfaceOrientation::portrait;
};
// From the screen's angle (0, 90, 180 or 270 degrees, as the browser reports it; others are
// rounded to the nearest quarter turn).
ScreenOrientation orientationFromScreenAngle(double angle);

}  // namespace arquorel::browser
