#pragma once
// arquorel-sim mappack: an OpenStreetMap extract made into a map pack.
// arquorel-sim route: a walking route over a map pack, as GeoJSON.

#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "arquorel/platform/maps/Directions.h"
#include "arquorel/platform/maps/pack/MapPack.h"

namespace arquorel::sim {

inline constexpr std::string_view kMapPackSynopsis = "mappack --osm FILE.osm.pbf --out FILE";
inline constexpr std::string_view kRouteSynopsis = "route --pack FILE --from LAT,LNG --to LAT,LNG";
inline constexpr std::string_view kMapSynopsis =
    "map --pack FILE --at LAT,LNG [--to LAT,LNG] [--heading DEG] [--altitude M] "
    "[--size WxH] --png OUT";

int runMapPackCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
int runRouteCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
int runMapCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// A map pack from a file: an OSM extract (.osm.pbf, .osm, .osm.bz2) is made into a pack here, any
// other file is read as the product reads a pack. None, with `error` set, when it cannot be.
std::shared_ptr<const MapPack> loadMapPackOrExtract(const std::string& path, std::string& error);

// A route's polyline as a GeoJSON LineString (longitude before latitude, 7 decimals).
std::string geoJsonLineString(const MapRoute& route);

}  // namespace arquorel::sim
