#pragma once
// Places handed to the system map application: the user's current location or a coordinate
// with a name and an address, opened together with launch options (a directions mode asks
// for a route from the first item to the last). A backend installs the map application in the
// platform context; the simulated device records what it was asked to open.

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "arquorel/platform/sensors/Location.h"

namespace arquorel {

struct MapItem {
    bool isCurrentLocation = false;
    Coordinate coordinate;
    std::string name;
    // Address entries ("street", "city"...); empty entries are kept as given.
    std::map<std::string, std::string> address;
    static MapItem currentLocation() { return {true, {}, {}, {}}; }
    friend bool operator==(const MapItem&, const MapItem&) = default;
};

enum class DirectionsMode { driving, walking, transit };

struct MapsLaunch {
    std::vector<MapItem> items;
    std::optional<DirectionsMode> directionsMode;
    friend bool operator==(const MapsLaunch&, const MapsLaunch&) = default;
};

class MapsApplication {
  public:
    virtual ~MapsApplication() = default;
    // False when there is no map application to open.
    virtual bool open(const MapsLaunch& launch) = 0;
};

}  // namespace arquorel
