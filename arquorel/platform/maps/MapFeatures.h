#pragma once
// What a map draws of an area: streets and footways by class, buildings, water, coastline, the
// sea and parks, as lines and filled rings of coordinates. A MapData answers which features meet a
// box; the platform context holds the one the map views draw from.

#include <algorithm>
#include <cstdint>
#include <functional>
#include <vector>

#include "arquorel/platform/sensors/Location.h"

namespace arquorel {

enum class MapFeatureKind : std::uint8_t {
    majorRoad = 0,  // motorway, trunk, primary
    road,           // secondary, tertiary
    minorRoad,      // residential, unclassified, living street, service...
    footway,        // footway, path, pedestrian, steps, cycleway, track, corridor
    building,
    water,
    coastline,
    park,
    // The sea's rings, filled together under the non-zero rule: the sea's run clockwise (north
    // up) and islands' counter-clockwise, so that an island is cut out of the sea around it.
    sea,
};
inline constexpr int kMapFeatureKinds = 9;

struct MapBox {
    Coordinate southWest;
    Coordinate northEast;
    bool contains(const Coordinate& c) const {
        return c.latitude >= southWest.latitude && c.latitude <= northEast.latitude &&
               c.longitude >= southWest.longitude && c.longitude <= northEast.longitude;
    }
    friend bool operator==(const MapBox&, const MapBox&) = default;
};

// The smallest box holding every point; an empty box for no points.
inline MapBox boxAround(const std::vector<Coordinate>& points) {
    if (points.empty()) return {};
    MapBox box{points.front(), points.front()};
    for (const auto& p : points) {
        box.southWest = {std::min(box.southWest.latitude, p.latitude),
                         std::min(box.southWest.longitude, p.longitude)};
        box.northEast = {std::max(box.northEast.latitude, p.latitude),
                         std::max(box.northEast.longitude, p.longitude)};
    }
    return box;
}

struct MapFeature {
    MapFeatureKind kind = MapFeatureKind::minorRoad;
    bool area = false;  // a closed ring to fill; else a line
    std::vector<Coordinate> points;
    friend bool operator==(const MapFeature&, const MapFeature&) = default;
};

class MapData {
  public:
    virtual ~MapData() = default;
    // Calls `visit` with every feature meeting `box`, in the data's order.
    virtual void visitFeatures(const MapBox& box,
                               const std::function<void(const MapFeature&)>& visit) const = 0;
};

}  // namespace arquorel
