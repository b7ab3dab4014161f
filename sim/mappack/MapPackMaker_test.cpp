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
