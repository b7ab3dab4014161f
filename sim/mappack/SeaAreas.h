#pragma once
// Turns coastline ways into the sea's areas. A coastline runs with the land on its left and the
// water on its right. Its ways join into chains where one ends and the next begins. A closed
// chain is an island (or, running clockwise, water enclosed by land). An open chain was cut off
// by the edge of the extract: it is closed from each end straight to the nearest side of the
// map's box, then round the box clockwise (the water side) to the start of the next chain.
// A chain that cannot be closed soundly stays a line only, with the reason in `problems`.

#include <cstdint>
#include <string>
#include <vector>

#include "arquorel/platform/maps/MapFeatures.h"

namespace arquorel::sim {

struct CoastWay {
    std::int64_t id = 0;     // the way's id, for messages
    std::int64_t first = 0;  // the ids of its first and last nodes
    std::int64_t last = 0;
    std::vector<Coordinate> points;
};

struct SeaAreas {
    // Rings to fill together under the non-zero rule: the sea's run clockwise (north up), the
    // islands' counter-clockwise, so that an island inside the sea is cut out of it. Each ring
    // ends on its first point.
    std::vector<std::vector<Coordinate>> rings;
    std::size_t seas = 0;
    std::size_t islands = 0;
    std::vector<std::string> problems;  // one line per chain left as a line
};

// The sea of the coastline `ways` within `box` (the extract's area).
SeaAreas makeSeaAreas(const std::vector<CoastWay>& ways, const MapBox& box);

}  // namespace arquorel::sim
