#include "arquorel/platform/maps/pack/WalkingRouter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "arquorel/platform/sensors/Geodesy.h"
#include "sim/device/SimPlatform.h"
#include "sim/mappack/ShortestWalk.h"

namespace arquorel {
namespace {

double polylineLength(const std::vector<Coordinate>& line) {
    double total = 0;
    for (std::size_t i = 1; i < line.size(); ++i) total += geodesicDistance(line[i - 1], line[i]);
    return total;
}

// A grid of streets 100 m apart (5 x 5 crossings) with one block's street missing, and a
// separate path far away that joins nothing.
std::shared_ptr<const MapPack> grid(MapBox box = {{43.72, 7.41}, {43.75, 7.45}}) {
    WalkGraph g;
    const double dLat = 100 / 111'132.0, dLng = 100 / 80'400.0;
    for (int r = 0; r < 5; ++r)
        for (int c = 0; c < 5; ++c) g.nodes.push_back({43.73 + r * dLat, 7.42 + c * dLng});
    for (int r = 0; r < 5; ++r)
        for (int c = 0; c < 5; ++c) {
            const std::uint32_t i = r * 5 + c;
            if (c < 4 && !(r == 2 && c == 1)) g.segments.emplace_back(i, i + 1);
            if (r < 4) g.segments.emplace_back(i, i + 5);
        }
    g.nodes.push_back({43.745, 7.44});
    g.nodes.push_back({43.745, 7.441});
    g.segments.emplace_back(25, 26);
    return std::make_shared<MapPack>(box, std::vector<MapFeature>{}, std::move(g));
}

TEST(WalkingRouterTest, RoutesAreTheShortestWalkBetweenNodes) {
    const auto pack = grid();
    const WalkingRouter router(pack);
    const auto& nodes = pack->graph().nodes;
    std::mt19937 random(7);
    for (int k = 0; k < 40; ++k) {
        const std::uint32_t a = random() % 25, b = random() % 25;
        const auto route = router.route(nodes[a], nodes[b]);
        ASSERT_TRUE(route) << a << " to " << b;
        EXPECT_NEAR(route->distance, sim::shortestWalk(pack->graph(), a, b), 1e-6)
            << a << " to " << b;
        EXPECT_NEAR(polylineLength(route->polyline), route->distance, 1e-6);
        EXPECT_EQ(route->polyline.front(), nodes[a]);
        EXPECT_EQ(route->polyline.back(), nodes[b]);
        EXPECT_NEAR(route->expectedTravelTime, route->distance / 1.4, 1e-9);
    }
}

TEST(WalkingRouterTest, EndsSnapToTheNearestStreet) {
    const auto pack = grid();
    const WalkingRouter router(pack);
    const auto& nodes = pack->graph().nodes;
    const double dLat = 100 / 111'132.0;
    // 20 m north of the middle of the first street: snapped onto it, 50 m from each corner.
    const Coordinate off{nodes[0].latitude + 0.2 * dLat,
                         (nodes[0].longitude + nodes[1].longitude) / 2};
    const auto route = router.route(off, nodes[4]);
    ASSERT_TRUE(route);
    EXPECT_NEAR(route->distance, 350, 1);
    EXPECT_NEAR(route->polyline.front().latitude, nodes[0].latitude, 1e-9);
    // 50 m beyond the east end of the first street, in line with it: the walk starts at its end.
    const double dLng = 100 / 80'400.0;
    const Coordinate beyond{nodes[4].latitude, nodes[4].longitude + 0.5 * dLng};
    const auto back = router.route(beyond, nodes[0]);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->polyline.front(), nodes[4]);
    EXPECT_NEAR(back->distance, 400, 1);
    // Both ends on one street: straight along it.
    const Coordinate a{nodes[0].latitude, nodes[0].longitude + 0.0001},
        b{nodes[0].latitude, nodes[0].longitude + 0.0006};
    const auto along = router.route(a, b);
    ASSERT_TRUE(along);
    EXPECT_NEAR(along->distance, geodesicDistance(a, b), 1e-6);
}

// On a diagonal street far north, where a degree of longitude is half a degree of latitude
// long, a walk asked from half a metre beside the street starts at the nearest point of it.
TEST(WalkingRouterTest, TheWalkStartsAtTheNearestPointOfADiagonalStreetFarNorth) {
    const Coordinate a{60.0, 10.0};
    const double north = 1 / 111'412.0, east = 1 / 55'800.0;  // degrees a metre at 60 N
    const Coordinate b{a.latitude + 350 * north, a.longitude + 350 * east};  // 495 m north-east
    const WalkGraph g{{a, b}, {{0, 1}}};
    const auto pack = std::make_shared<MapPack>(MapBox{{59.99, 9.99}, {60.01, 10.02}},
                                                std::vector<MapFeature>{}, g);
    const WalkingRouter router(pack);
    // Half a metre and a hundred metres south-east of the street's middle and of a point a
    // quarter along it: the walk starts at that point of the street.
    for (const double along : {0.5, 0.25})
        for (const double away : {0.5, 100.0}) {
            const Coordinate foot{a.latitude + along * (b.latitude - a.latitude),
                                  a.longitude + along * (b.longitude - a.longitude)};
            const Coordinate from{foot.latitude - away * 0.7071 * north,
                                  foot.longitude + away * 0.7071 * east};
            const auto route = router.route(from, b);
            ASSERT_TRUE(route) << along << " " << away;
            EXPECT_LT(geodesicDistance(route->polyline.front(), foot), 1.5) << along << " " << away;
            EXPECT_NEAR(route->distance, (1 - along) * geodesicDistance(a, b), 1.5);
        }
}

TEST(WalkingRouterTest, NoRouteOutsideTheAreaFarFromStreetsOrAcrossAGap) {
    const auto pack = grid();
    const WalkingRouter router(pack);
    const auto& nodes = pack->graph().nodes;
    const struct {
        const char* name;
        Coordinate from, to;
    } cases[] = {
        {"outside the area", {48.8566, 2.3522}, nodes[0]},
        {"500 m from any way", {43.74, 7.43}, nodes[0]},
        {"a path that joins nothing", nodes[25], nodes[0]},
        {"not a coordinate", {NAN, 7.42}, nodes[0]},
    };
    for (const auto& c : cases) EXPECT_FALSE(router.route(c.from, c.to)) << c.name;

    // The area ends 20 m beyond the outer streets: 10 m south of the southern street is in it,
    // 100 m south is not, however near the street.
    const double m = 1 / 111'132.0;
    const auto tight = grid({{43.73 - 20 * m, 7.42 - 0.0003}, {43.73 + 420 * m, 7.425 + 0.0003}});
    const WalkingRouter edge(tight);
    const Coordinate centre = tight->graph().nodes[12];
    const Coordinate in{43.73 - 10 * m, 7.4225}, out{43.73 - 100 * m, 7.4225};
    EXPECT_TRUE(edge.route(in, centre) && edge.route(centre, in));
    EXPECT_FALSE(edge.route(out, centre));
    EXPECT_FALSE(edge.route(centre, out));
}

TEST(WalkingRouterTest, DirectionsAnswerOnTheMainLoop) {
    sim::SimPlatform device;
    const auto pack = grid();
    PackDirections directions(std::make_shared<WalkingRouter>(pack));
    std::vector<DirectionsResponse> answers;
    const auto& nodes = pack->graph().nodes;
    directions.calculate({nodes[0], nodes[24]}, [&](const auto& r) { answers.push_back(r); });
    directions.calculate({nodes[0], nodes[25]}, [&](const auto& r) { answers.push_back(r); });
    EXPECT_TRUE(answers.empty());
    device.runPending();
    ASSERT_EQ(answers.size(), 2u);
    ASSERT_EQ(answers[0].routes.size(), 1u);
    EXPECT_NEAR(answers[0].routes[0].distance, 800, 1);
    EXPECT_TRUE(answers[1].routes.empty() && !answers[1].error);
}

}  // namespace
}  // namespace arquorel
