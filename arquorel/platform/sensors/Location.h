#pragma once
// Geographic positions as the location service reports them.

#include <ostream>

namespace arquorel {

struct Coordinate {
    double latitude = 0;   // degrees
    double longitude = 0;  // degrees
    friend constexpr bool operator==(const Coordinate&, const Coordinate&) = default;
};

// Latitude within [-90, 90] and longitude within [-180, 180]; NaN is never valid.
constexpr bool isValid(const Coordinate& c) {
    return c.latitude >= -90 && c.latitude <= 90 && c.longitude >= -180 && c.longitude <= 180;
}

struct Location {
    Coordinate coordinate;
    double altitude = 0;            // metres
    double horizontalAccuracy = 0;  // metres; negative means invalid
    double verticalAccuracy = 0;    // metres; negative means invalid
    double timestamp = 0;           // seconds since 1970

    constexpr Location() = default;
    constexpr Location(double latitude, double longitude) : coordinate{latitude, longitude} {}
    constexpr Location(Coordinate c, double alt, double hAcc, double vAcc, double time)
        : coordinate(c),
          altitude(alt),
          horizontalAccuracy(hAcc),
          verticalAccuracy(vAcc),
          timestamp(time) {}

    constexpr double latitude() const { return coordinate.latitude; }
    constexpr double longitude() const { return coordinate.longitude; }
    friend constexpr bool operator==(const Location&, const Location&) = default;
};

void PrintTo(const Coordinate& c, std::ostream* os);
void PrintTo(const Location& l, std::ostream* os);

}  // namespace arquorel
