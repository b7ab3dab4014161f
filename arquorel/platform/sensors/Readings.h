#pragma once
// Compass and accelerometer readings.

namespace arquorel {

struct HeadingReading {
    double magneticHeading = 0;  // degrees from magnetic north
    double trueHeading = -1;     // degrees from true north; negative when unknown
    double headingAccuracy = 0;  // degrees of error; negative means invalid
    double timestamp = 0;        // seconds since 1970
    friend constexpr bool operator==(const HeadingReading&, const HeadingReading&) = default;
};

// Acceleration in g along the device axes.
struct Acceleration {
    double x = 0;
    double y = 0;
    double z = 0;
    friend constexpr bool operator==(const Acceleration&, const Acceleration&) = default;
};

// Physical orientation of the device.
enum class DeviceOrientation {
    unknown = 0,
    portrait = 1,
    portraitUpsideDown = 2,
    landscapeLeft = 3,
    landscapeRight = 4,
    faceUp = 5,
    faceDown = 6,
};

}  // namespace arquorel
