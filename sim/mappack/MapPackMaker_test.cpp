#include "sim/mappack/MapPackMaker.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <map>

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
