#include "sim/mappack/MapPackMaker.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <map>

#include "arquorel/platform/drawing/Path.h"
#include "arquorel/platform/maps/pack/WalkingRouter.h"
#include "arquorel/platform/sensors/Geodesy.h"
#include "sim/mappack/ShortestWalk.h"

namespace arquorel::sim {
namespace {

const std::string kExtract = std::string(ARQUOREL_DATA_DIR) + "/monaco/monaco-latest.osm.pbf";

TEST(MapPackMakerTest, WalkableWays) {
    using Tags = std::map<std::string, std::string>;
    const std::pair<Tags, bool> cases[] = {
        {{{"highway", "footway"}}, true},
        {{{"highway", "steps"}}, true},
        {{{"highway", "residential"}}, true},
        {{{"highway", "corridor"}}, true},
        {{{"highway", "motorway"}}, false},
        {{{"highway", "trunk"}}, false},
        {{{"building", "yes"}}, false},
        {{{"highway", "footway"}, {"foot", "no"}}, false},
        {{{"highway", "service"}, {"access", "private"}}, false},
        {{{"highway", "service"}, {"access", "no"}, {"foot", "yes"}}, true},
        {{{"highway", "path"}, {"access", "private"}, {"foot", "designated"}}, true},
        {{{"highway", "path"}, {"access", "private"}, {"foot", "permissive"}}, true},
        {{{"highway", "path"}, {"access", "private"}, {"foot", "unknown"}}, false},
        {{{"highway", "primary"}, {"access", "destination"}}, true},
    };
    for (const auto& c : cases) {
        const Tags& tags = c.first;
        const bool walkable = c.second;
        const auto tag = [&tags](const char* key) -> const char* {
            const auto it = tags.find(key);
            return it == tags.end() ? nullptr : it->second.c_str();
        };
        std::string text;
        for (const auto& [k, v] : tags) text += k + "=" + v + " ";
        EXPECT_EQ(isWalkable(tag), walkable) << text;
    }
}

std::uint32_t nearestNode(const WalkGraph& g, const Coordinate& c) {
    std::uint32_t best = 0;
    for (std::uint32_t i = 1; i < g.nodes.size(); ++i)
        if (geodesicDistance(g.nodes[i], c) < geodesicDistance(g.nodes[best], c)) best = i;
    return best;
}

// The bundled extract: every kind of feature, a pack that reads back equal, and the walk from
// Place du Casino to Place d'Armes as short as an independent search finds it, and no longer
// than the real walk along the streets.
TEST(MapPackMakerTest, MonacoPackAndWalk) {
    const MadePack made = makeMapPack(kExtract);
    ASSERT_TRUE(made.pack) << made.error;
    const MapPack& pack = *made.pack;
    EXPECT_TRUE(pack.box().contains({43.7393682, 7.4272085}));
    std::array<int, kMapFeatureKinds> kinds{};
    for (const auto& f : pack.features()) ++kinds[static_cast<int>(f.kind)];
    for (int k = 0; k < kMapFeatureKinds; ++k) EXPECT_GT(kinds[k], 0) << "kind " << k;
    EXPECT_GT(pack.graph().nodes.size(), 5000u);
    const auto read = MapPack::read(pack.write());
    ASSERT_TRUE(read.pack) << read.error;
    EXPECT_EQ(read.pack->graph(), pack.graph());
    EXPECT_EQ(read.pack->features().size(), pack.features().size());

    const Coordinate casino{43.7393682, 7.4272085}, armes{43.7326105, 7.4178860};
    const auto& g = pack.graph();
    const std::uint32_t a = nearestNode(g, casino), b = nearestNode(g, armes);
    const WalkingRouter router(read.pack);
    const auto route = router.route(g.nodes[a], g.nodes[b]);
    ASSERT_TRUE(route);
    EXPECT_NEAR(route->distance, shortestWalk(g, a, b), 1e-6);
    EXPECT_GT(route->distance, geodesicDistance(casino, armes));
    EXPECT_LT(route->distance, 1464 + 50);  // the real walk's length, nodes a few metres off
}

// The bundled extract's coast closes into one sea with the breakwater island cut out: the
// harbours and the open sea are filled as the map fills them, the town and the land beyond the
// extract's eastern end are not.
TEST(MapPackMakerTest, MonacoSea) {
    const MadePack made = makeMapPack(kExtract);
    ASSERT_TRUE(made.pack) << made.error;
    EXPECT_EQ(made.stats.seas, 1u);
    EXPECT_EQ(made.stats.islands, 1u);
    EXPECT_TRUE(made.stats.coastProblems.empty()) << made.stats.coastProblems.front();
    Path sea;
    for (const auto& f : made.pack->features()) {
        if (f.kind != MapFeatureKind::sea) continue;
        EXPECT_TRUE(f.area);
        sea.moveTo({f.points[0].longitude, f.points[0].latitude});
        for (const auto& p : f.points) sea.lineTo({p.longitude, p.latitude});
        sea.close();
    }
    const std::pair<const char*, Coordinate> water[] = {
        {"Port Hercule", {43.7350, 7.4255}},
        {"the port of Fontvieille", {43.7297, 7.4205}},
        {"off the Rock", {43.7300, 7.4300}},
        {"off Larvotto", {43.7400, 7.4400}},
    };
    const std::pair<const char*, Coordinate> land[] = {
        {"the Casino", {43.7393682, 7.4272085}},
        {"Place du Palais", {43.7314, 7.4199}},
        {"Place d'Armes", {43.7326105, 7.4178860}},
        {"behind the beach east of the border", {43.7505, 7.4400}},
    };
    for (const auto& [name, c] : water)
        EXPECT_TRUE(sea.contains({c.longitude, c.latitude})) << name;
    for (const auto& [name, c] : land)
        EXPECT_FALSE(sea.contains({c.longitude, c.latitude})) << name;
}

// A small extract south of the equator and west of Greenwich, cut across two ways (their nodes
// 98 and 99 are outside it).
constexpr const char* kCutExtract = R"(<?xml version='1.0' encoding='UTF-8'?>
<osm version="0.6" generator="test">
  BOUNDS
  <node id="1" lat="-34.6050" lon="-58.3850"/>
  <node id="2" lat="-34.6050" lon="-58.3840"/>
  <node id="3" lat="-34.6040" lon="-58.3840"/>
  <node id="4" lat="-34.6060" lon="-58.3840"/>
  <node id="5" lat="-34.6030" lon="-58.3830"/>
  <node id="6" lat="-34.6030" lon="-58.3825"/>
  <node id="7" lat="-34.6025" lon="-58.3825"/>
  <way id="10"><nd ref="1"/><nd ref="2"/><nd ref="3"/><nd ref="99"/>
    <tag k="highway" v="residential"/></way>
  <way id="11"><nd ref="2"/><nd ref="4"/><nd ref="4"/><tag k="highway" v="footway"/>
    </way>
  <way id="12"><nd ref="5"/><nd ref="6"/><nd ref="7"/><nd ref="5"/>
    <tag k="building" v="yes"/></way>
  <way id="13"><nd ref="3"/><nd ref="5"/><tag k="highway" v="service"/>
    <tag k="access" v="private"/></way>
  <way id="14"><nd ref="4"/><nd ref="6"/><tag k="highway" v="motorway"/></way>
  <way id="15"><nd ref="5"/><nd ref="6"/><nd ref="7"/><nd ref="5"/>
    <tag k="leisure" v="park"/></way>
  <way id="16"><nd ref="5"/><nd ref="6"/><nd ref="7"/><nd ref="5"/>
    <tag k="natural" v="water"/><tag k="building" v="no"/></way>
  <way id="17"><nd ref="5"/><nd ref="6"/><nd ref="7"/><tag k="building" v="yes"/></way>
  <way id="18"><nd ref="98"/><nd ref="7"/><tag k="highway" v="footway"/></way>
  <way id="19"><nd ref="6"/><nd ref="7"/><tag k="barrier" v="fence"/></way>
</osm>
)";

std::string writeExtract(const std::string& name, const std::string& bounds) {
    std::string text = kCutExtract;
    text.replace(text.find("BOUNDS"), 6, bounds);
    const auto path = std::filesystem::path(::testing::TempDir()) / name;
    std::ofstream(path) << text;
    return path.string();
}

// What a way becomes: drawn as its kind (a closed building, water or park filled), walked when
// walkable, joined to the other ways at shared nodes; the part of a way inside the extract kept.
TEST(MapPackMakerTest, AnExtractCutAcrossWaysKeepsWhatIsInside) {
    const MadePack made = makeMapPack(writeExtract(
        "cut.osm", R"(<bounds minlat="-34.61" minlon="-58.39" maxlat="-34.60" maxlon="-58.38"/>)"));
    ASSERT_TRUE(made.pack) << made.error;
    const MapPack& pack = *made.pack;
    EXPECT_EQ(pack.box(), (MapBox{{-34.61, -58.39}, {-34.60, -58.38}}));
    const Coordinate n1{-34.6050, -58.3850}, n2{-34.6050, -58.3840}, n3{-34.6040, -58.3840},
        n4{-34.6060, -58.3840}, n5{-34.6030, -58.3830}, n6{-34.6030, -58.3825},
        n7{-34.6025, -58.3825};
    const std::vector<MapFeature> features{
        {MapFeatureKind::minorRoad, false, {n1, n2, n3}},
        {MapFeatureKind::footway, false, {n2, n4, n4}},
        {MapFeatureKind::building, true, {n5, n6, n7, n5}},
        {MapFeatureKind::minorRoad, false, {n3, n5}},
        {MapFeatureKind::majorRoad, false, {n4, n6}},
        {MapFeatureKind::park, true, {n5, n6, n7, n5}},
        {MapFeatureKind::water, true, {n5, n6, n7, n5}},
    };
    ASSERT_EQ(pack.features().size(), features.size());
    for (std::size_t i = 0; i < features.size(); ++i) {
        const MapFeature& f = pack.features()[i];
        EXPECT_EQ(f.kind, features[i].kind) << i;
        EXPECT_EQ(f.area, features[i].area) << i;
        ASSERT_EQ(f.points.size(), features[i].points.size()) << i;
        for (std::size_t k = 0; k < f.points.size(); ++k) {
            EXPECT_NEAR(f.points[k].latitude, features[i].points[k].latitude, 1e-7) << i;
            EXPECT_NEAR(f.points[k].longitude, features[i].points[k].longitude, 1e-7) << i;
        }
    }
    // The street and the footway share node 2; the private road and the motorway are not
    // walked; the footway whose other node is outside keeps one node and is no walk; the
    // footway's node named twice in a row makes no segment from a node to itself.
    const WalkGraph& g = pack.graph();
    ASSERT_EQ(g.nodes.size(), 4u);
    EXPECT_EQ(g.segments,
              (std::vector<std::pair<std::uint32_t, std::uint32_t>>{{0, 1}, {1, 2}, {1, 3}}));
    EXPECT_EQ(made.stats.nodes, 4u);
    EXPECT_EQ(made.stats.segments, 3u);
    EXPECT_EQ(made.stats.ways, 10u);
    const WalkingRouter router(made.pack);
    const auto walk = router.route(n3, n4);
    ASSERT_TRUE(walk);
    EXPECT_NEAR(walk->distance, geodesicDistance(n3, n2) + geodesicDistance(n2, n4), 1e-6);
    const auto read = MapPack::read(pack.write());
    ASSERT_TRUE(read.pack) << read.error;
    EXPECT_EQ(read.pack->graph(), g);

    // No box in the file: the box of everything kept.
    const MadePack unbounded = makeMapPack(writeExtract("unbounded.osm", ""));
    ASSERT_TRUE(unbounded.pack) << unbounded.error;
    const MapBox kept = unbounded.pack->box();
    EXPECT_NEAR(kept.southWest.latitude, n4.latitude, 1e-7);
    EXPECT_NEAR(kept.southWest.longitude, n1.longitude, 1e-7);
    EXPECT_NEAR(kept.northEast.latitude, n7.latitude, 1e-7);
    EXPECT_NEAR(kept.northEast.longitude, n7.longitude, 1e-7);
}

TEST(MapPackMakerTest, FilesThatAreNoExtractGiveAMessage) {
    const auto dir = std::filesystem::path(::testing::TempDir());
    std::ofstream(dir / "not-osm.osm.pbf") << "this is not a protocol buffer";
    for (const auto& path :
         {(dir / "not-osm.osm.pbf").string(), std::string("/nonexistent.osm.pbf")}) {
        const MadePack made = makeMapPack(path);
        EXPECT_FALSE(made.pack) << path;
        EXPECT_NE(made.error.find(path), std::string::npos) << made.error;
    }
}

}  // namespace
}  // namespace arquorel::sim
