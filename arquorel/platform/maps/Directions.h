#pragma once
// Directions between two points, as a map service answers them: walking routes as polylines
// with their length and walking time, or an error. Answers arrive on the main loop.

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "arquorel/platform/sensors/Location.h"

namespace arquorel {

struct DirectionsRequest {
    Coordinate source;
    Coordinate destination;
};

struct MapRoute {
    std::vector<Coordinate> polyline;  // from the source to the destination
    double distance = 0;               // metres along the polyline
    double expectedTravelTime = 0;     // seconds at walking pace
};

struct DirectionsResponse {
    std::vector<MapRoute> routes;      // empty: no route between the two points
    std::optional<std::string> error;  // the service failed; no routes then
};

class Directions {
  public:
    using Completion = std::function<void(const DirectionsResponse&)>;
    virtual ~Directions() = default;
    // Calculates the routes of `request`; `completion` runs on the main loop, or never when
    // the service cannot be reached (offline) and the caller gives up on its own.
    virtual void calculate(const DirectionsRequest& request, Completion completion) = 0;
};

}  // namespace arquorel
