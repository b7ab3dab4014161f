#pragma once
// Makes a map pack from an OpenStreetMap extract (.osm.pbf, .osm, .osm.bz2...): the features
// a map draws and the walking graph. The only code that reads OpenStreetMap files; products
// read the pack.

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "arquorel/platform/maps/pack/MapPack.h"

namespace arquorel::sim {

// Whether a way with these tags can be walked: `highway` one of footway, path, pedestrian,
// steps, living_street, residential, service, unclassified, tertiary, secondary, primary,
// track, cycleway, corridor; not when `foot` is no, or `access` is no or private without
// `foot` yes, designated or permissive. `tag(key)` gives a tag's value, null when absent.
bool isWalkable(const std::function<const char*(const char*)>& tag);

struct MapPackStats {
    std::size_t ways = 0;                    // ways read
    std::size_t features = 0;                // features kept for drawing
    std::size_t nodes = 0;                   // walking graph nodes
    std::size_t segments = 0;                // walking graph segments
    std::size_t seas = 0;                    // areas of sea made from the coastline
    std::size_t islands = 0;                 // islands cut out of them
    std::vector<std::string> coastProblems;  // coastlines drawn as lines only, and why
};

struct MadePack {
    std::shared_ptr<const MapPack> pack;  // none on error
    std::string error;
    MapPackStats stats;
};

// Reads the extract at `path`. Ways whose nodes are missing from the extract keep the part
// that is there; multipolygon relations are not read (their outer ways that are closed are).
// The coastline is drawn as lines and also made into the sea's areas (see SeaAreas.h), closed
// along the area's box: the extract's own box, or else the box of everything kept.
MadePack makeMapPack(const std::string& path);

}  // namespace arquorel::sim
