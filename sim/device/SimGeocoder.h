#pragma once
// A simulated reverse geocoder. It answers the ISO country code of a position from the
// platform's offline table of country areas (platform/sensors/CountryAreas.h) after a delay, and
// can be told to fail or to be offline. Installed into a platform context for the lifetime of the
// object, so that every geocoder the product makes is a simulated one.

#include <memory>
#include <optional>
#include <string>

#include "arquorel/platform/sensors/Geocoder.h"

namespace arquorel {
class PlatformContext;
}

namespace arquorel::sim {

struct SimGeocoderSettings {
    enum class Mode {
        answer,   // placemarks from the country table (no result at sea)
        fail,     // every request fails with noResult
        offline,  // every request fails with a network error
    };
    Mode mode = Mode::answer;
    double delay = 0.5;  // seconds from the request to its completion
};

class SimGeocoder {
  public:
    // What every geocoder made while installed shares: settings and counts.
    struct State {
        SimGeocoderSettings settings;
        int requests = 0;     // requests started (refused ones included)
        int inFlight = 0;     // requests started and not yet completed or cancelled
        int maxInFlight = 0;  // the most requests in flight at one time
        int geocodersMade = 0;
    };

    // Installs the geocoder factory into `context` (the current platform context by default),
    // which must outlive this object; the destructor puts the previous factory back.
    SimGeocoder();
    explicit SimGeocoder(PlatformContext& context);
    ~SimGeocoder();
    SimGeocoder(const SimGeocoder&) = delete;
    SimGeocoder& operator=(const SimGeocoder&) = delete;

    SimGeocoderSettings& settings() { return state_->settings; }
    const State& state() const { return *state_; }

    // The ISO code of the table's country area holding `c`; none at sea, outside the table
    // or for an invalid coordinate. Small countries are checked before their neighbours.
    static std::optional<std::string> countryAt(const Coordinate& c);

  private:
    PlatformContext& context_;
    std::shared_ptr<State> state_;
    std::function<std::shared_ptr<Geocoder>()> previousFactory_;
};

}  // namespace arquorel::sim
