#pragma once
// Reverse geocoding: the places (country, and what else the service knows) at a position.
// A request is answered once, on the main loop, with placemarks or an error; a geocoder
// handles one request at a time.

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "arquorel/platform/sensors/Location.h"

namespace arquorel {

struct Placemark {
    Coordinate coordinate;
    std::optional<std::string> isoCountryCode;  // "FR", "MC", ...; none at sea
    std::optional<std::string> country;         // the country's name
};

enum class GeocoderErrorCode {
    network,          // no connection to the geocoding service
    noResult,         // nothing known at that position
    invalidLocation,  // the position is not a valid coordinate
    busy,             // a request is already in flight on this geocoder
    cancelled,        // cancelGeocode() was called
};

struct GeocoderError {
    GeocoderErrorCode code;
    std::string message;
};

class Geocoder {
  public:
    // Exactly one of the two is meaningful: placemarks (at least one) or an error.
    using Completion =
        std::function<void(const std::vector<Placemark>&, const std::optional<GeocoderError>&)>;

    virtual ~Geocoder() = default;
    // Starts a request; the completion runs later on the main loop, never inside this call.
    virtual void reverseGeocodeLocation(const Location& location, Completion completion) = 0;
    // Ends the request in flight; its completion gets the `cancelled` error.
    virtual void cancelGeocode() = 0;
    virtual bool isGeocoding() const = 0;
};

}  // namespace arquorel
