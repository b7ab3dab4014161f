#include "sim/mappack/MapPackMaker.h"

#include <cstring>
#include <exception>
#include <string_view>
#include <unordered_map>

#include <osmium/handler.hpp>
#include <osmium/handler/node_locations_for_ways.hpp>
#include <osmium/index/map/flex_mem.hpp>
#include <osmium/io/any_input.hpp>
#include <osmium/osm/way.hpp>
#include <osmium/visitor.hpp>

#include "sim/mappack/SeaAreas.h"

namespace arquorel::sim {

namespace {

bool is(const char* value, std::initializer_list<std::string_view> any) {
    if (!value) return false;
    for (const auto v : any)
        if (v == value) return true;
    return false;
}

std::optional<MapFeatureKind> roadKind(const char* highway) {
    if (is(highway,
           {"motorway", "trunk", "primary", "motorway_link", "trunk_link", "primary_link"}))
        return MapFeatureKind::majorRoad;
    if (is(highway, {"secondary", "tertiary", "secondary_link", "tertiary_link"}))
        return MapFeatureKind::road;
    if (is(highway, {"residential", "unclassified", "living_street", "service", "road"}))
        return MapFeatureKind::minorRoad;
    if (is(highway, {"footway", "path", "pedestrian", "steps", "cycleway", "track", "corridor",
                     "bridleway"}))
        return MapFeatureKind::footway;
    return std::nullopt;
}

// The drawn kind of a way, if any: a street or footway, or (closed) a building, water or park.
std::optional<std::pair<MapFeatureKind, bool>> featureOf(const osmium::Way& way) {
    const auto& tags = way.tags();
    if (auto road = roadKind(tags["highway"])) return std::pair{*road, false};
    if (is(tags["natural"], {"coastline"})) return std::pair{MapFeatureKind::coastline, false};
    if (!way.is_closed()) return std::nullopt;
    if (tags["building"] && !is(tags["building"], {"no"}))
        return std::pair{MapFeatureKind::building, true};
    if (is(tags["natural"], {"water"}) || is(tags["waterway"], {"riverbank", "dock"}) ||
        is(tags["landuse"], {"reservoir", "basin"}) || is(tags["leisure"], {"swimming_pool"}))
        return std::pair{MapFeatureKind::water, true};
    if (is(tags["leisure"], {"park", "garden", "playground", "pitch"}) ||
        is(tags["landuse"], {"grass", "recreation_ground", "village_green", "forest"}) ||
        is(tags["natural"], {"wood", "scrub", "grassland"}))
        return std::pair{MapFeatureKind::park, true};
    return std::nullopt;
}

class Collector : public osmium::handler::Handler {
  public:
    std::vector<MapFeature> features;
    std::vector<CoastWay> coasts;
    WalkGraph graph;
    std::size_t ways = 0;

    void way(const osmium::Way& way) {
        ++ways;
        const auto kind = featureOf(way);
        const auto& tags = way.tags();
        const bool walkable = isWalkable([&tags](const char* key) { return tags[key]; });
        if (!kind && !walkable) return;
        std::vector<Coordinate> points;
        std::vector<osmium::object_id_type> ids;
        for (const auto& ref : way.nodes()) {
            if (!ref.location().valid()) continue;  // a node outside the extract
            points.push_back({ref.location().lat(), ref.location().lon()});
            ids.push_back(ref.positive_ref());
        }
        if (points.size() < 2) return;
        if (kind) features.push_back({kind->first, kind->second && points.size() >= 4, points});
        if (kind && kind->first == MapFeatureKind::coastline)
            coasts.push_back({way.id(), ids.front(), ids.back(), points});
        if (!walkable) return;
        std::uint32_t previous = 0;
        for (std::size_t i = 0; i < points.size(); ++i) {
            const auto [it, added] =
                index_.try_emplace(ids[i], static_cast<std::uint32_t>(graph.nodes.size()));
            if (added) graph.nodes.push_back(points[i]);
            if (i > 0 && it->second != previous) graph.segments.emplace_back(previous, it->second);
            previous = it->second;
        }
    }

  private:
    std::unordered_map<osmium::object_id_type, std::uint32_t> index_;
};

}  // namespace

bool isWalkable(const std::function<const char*(const char*)>& tag) {
    if (!is(tag("highway"),
            {"footway", "path", "pedestrian", "steps", "living_street", "residential", "service",
             "unclassified", "tertiary", "secondary", "primary", "track", "cycleway", "corridor"}))
        return false;
    const char* foot = tag("foot");
    if (is(foot, {"no"})) return false;
    if (is(tag("access"), {"no", "private"}) && !is(foot, {"yes", "designated", "permissive"}))
        return false;
    return true;
}

MadePack makeMapPack(const std::string& path) {
    MadePack made;
    try {
        osmium::io::Reader reader(path,
                                  osmium::osm_entity_bits::node | osmium::osm_entity_bits::way);
        const osmium::Box bounds = reader.header().box();
        using Index =
            osmium::index::map::FlexMem<osmium::unsigned_object_id_type, osmium::Location>;
        Index index;
        osmium::handler::NodeLocationsForWays<Index> locations(index);
        locations.ignore_errors();
        Collector collector;
        osmium::apply(reader, locations, collector);
        reader.close();
        MapBox box;
        if (bounds.valid()) {
            box = {{bounds.bottom_left().lat(), bounds.bottom_left().lon()},
                   {bounds.top_right().lat(), bounds.top_right().lon()}};
        } else {
            // No box in the header: the one of everything kept.
            bool first = true;
            const auto grow = [&](const Coordinate& c) {
                if (first) box = {c, c};
                first = false;
                box.southWest = {std::min(box.southWest.latitude, c.latitude),
                                 std::min(box.southWest.longitude, c.longitude)};
                box.northEast = {std::max(box.northEast.latitude, c.latitude),
                                 std::max(box.northEast.longitude, c.longitude)};
            };
            for (const auto& f : collector.features)
                for (const auto& p : f.points) grow(p);
            for (const auto& n : collector.graph.nodes) grow(n);
        }
        SeaAreas sea = makeSeaAreas(collector.coasts, box);
        for (auto& ring : sea.rings)
            collector.features.push_back({MapFeatureKind::sea, true, std::move(ring)});
        made.stats = {collector.ways,
                      collector.features.size(),
                      collector.graph.nodes.size(),
                      collector.graph.segments.size(),
                      sea.seas,
                      sea.islands,
                      std::move(sea.problems)};
        made.pack = std::make_shared<MapPack>(box, std::move(collector.features),
                                              std::move(collector.graph));
    } catch (const std::exception& e) {
        // libosmium reports unreadable files with exceptions; the caller gets a message.
        made.error = path + ": " + e.what();
    }
    return made;
}

}  // namespace arquorel::sim
