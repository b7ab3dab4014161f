#include "sim/mappack/SeaAreas.h"

#include <gtest/gtest.h>

#include "arquorel/platform/drawing/Path.h"

namespace arquorel::sim {
namespace {

// Points as x (east) and y (north) in a box of 10 by 10 degrees.
Coordinate at(double x, double y) {
    return {y, x};
}
const MapBox kBox{at(0, 0), at(10, 10)};

struct Way {
    std::int64_t first;
    std::int64_t last;
    std::vector<Coordinate> points;
};

std::vector<CoastWay> waysOf(const std::vector<Way>& ways) {
    std::vector<CoastWay> out;
    for (const auto& w : ways)
        out.push_back({static_cast<std::int64_t>(100 + out.size()), w.first, w.last, w.points});
    return out;
}

// The rings filled as the map fills them: one path, non-zero rule.
bool filled(const SeaAreas& sea, const Coordinate& c) {
    Path path;
    for (const auto& ring : sea.rings) {
        path.moveTo({ring[0].longitude, ring[0].latitude});
        for (const auto& p : ring) path.lineTo({p.longitude, p.latitude});
        path.close();
    }
    return path.contains({c.longitude, c.latitude});
}

struct Case {
    const char* name;
    std::vector<Way> ways;
    std::size_t seas;
    std::size_t islands;
    std::size_t problems;
    std::vector<Coordinate> sea;
    std::vector<Coordinate> land;
};

TEST(SeaAreasTest, CoastsBecomeSeaWithTheLandLeftOut) {
    const std::vector<Coordinate> square = {at(4, 4), at(6, 4), at(6, 6), at(4, 6), at(4, 4)};
    const std::vector<Coordinate> high = {at(4, 7), at(6, 7), at(6, 9), at(4, 9), at(4, 7)};
    const Case cases[] = {
        {"a straight coast across the box, water on its right (south)",
         {{1, 2, {at(0, 5), at(10, 5)}}},
         1,
         0,
         0,
         {at(5, 2), at(1, 1), at(9, 4.9), at(0.1, 0.1)},
         {at(5, 8), at(1, 9), at(9, 5.1)}},
        {"a coast cut short of the edges, extended to the nearest sides",
         {{1, 2, {at(0.5, 5), at(9.5, 5)}}},
         1,
         0,
         0,
         {at(5, 2), at(0.2, 4.9), at(9.8, 4.9)},
         {at(5, 8), at(0.2, 5.1), at(9.8, 5.1)}},
        {"the same coast running west: the water is north",
         {{1, 2, {at(10, 5), at(0, 5)}}},
         1,
         0,
         0,
         {at(5, 8)},
         {at(5, 2)}},
        {"a coast in two ways joined head to tail",
         {{1, 2, {at(0, 5), at(5, 6)}}, {2, 3, {at(5, 6), at(10, 5)}}},
         1,
         0,
         0,
         {at(5, 5.5), at(2, 5.2), at(8, 1)},
         {at(5, 6.5), at(2, 5.6)}},
        {"the same two ways listed last first",
         {{2, 3, {at(5, 6), at(10, 5)}}, {1, 2, {at(0, 5), at(5, 6)}}},
         1,
         0,
         0,
         {at(5, 5.5), at(2, 5.2), at(8, 1)},
         {at(5, 6.5), at(2, 5.6)}},
        {"an island alone: the sea fills the box around it",
         {{7, 7, square}},
         1,
         1,
         0,
         {at(1, 1), at(9, 9), at(5, 3.9)},
         {at(5, 5), at(4.1, 5.9)}},
        {"an island off a coast",
         {{1, 2, {at(0, 8), at(10, 8)}}, {7, 7, square}},
         1,
         1,
         0,
         {at(1, 1), at(5, 7), at(5, 3)},
         {at(5, 5), at(5, 9)}},
        {"water enclosed by a coast running clockwise",
         {{7, 7, {at(4, 4), at(4, 6), at(6, 6), at(6, 4), at(4, 4)}}},
         1,
         0,
         0,
         {at(5, 5)},
         {at(1, 1), at(9, 9)}},
        {"two separate coasts: the sea in two corners",
         {{1, 2, {at(0, 4), at(4, 0)}}, {3, 4, {at(10, 6), at(6, 10)}}},
         2,
         0,
         0,
         {at(1, 1), at(9, 9)},
         {at(5, 5), at(1, 9), at(9, 1)}},
        {"two coasts around a strait: one sea, joined along the north edge",
         {{1, 2, {at(0, 5), at(4, 5), at(4, 10)}}, {3, 4, {at(6, 10), at(6, 5), at(10, 5)}}},
         1,
         0,
         0,
         {at(5, 8), at(5, 2), at(1, 4)},
         {at(2, 8), at(8, 8)}},
        {"a way of the coast drawn the wrong way: left as lines",
         {{1, 2, {at(0, 5), at(3, 5)}},
          {3, 2, {at(6, 5), at(3, 5)}},
          {3, 4, {at(6, 5), at(10, 5)}}},
         0,
         0,
         3,
         {},
         {at(5, 2), at(5, 8)}},
        {"two coasts meeting at one point of the edge, one ending where the next begins",
         {{1, 2, {at(0, 5), at(5, 10)}}, {3, 4, {at(5, 10), at(10, 5)}}},
         1,
         0,
         0,
         {at(5, 5), at(5, 1), at(1, 4)},
         {at(1, 9), at(9, 9)}},
        {"the same two coasts listed the other way round",
         {{3, 4, {at(5, 10), at(10, 5)}}, {1, 2, {at(0, 5), at(5, 10)}}},
         1,
         0,
         0,
         {at(5, 5), at(5, 1), at(1, 4)},
         {at(1, 9), at(9, 9)}},
        {"two coasts that disagree on where the water is",
         {{1, 2, {at(0, 4), at(4, 0)}}, {3, 4, {at(6, 10), at(10, 6)}}},
         0,
         0,
         2,
         {},
         {at(1, 1), at(9, 9), at(5, 5)}},
        {"a coast cut off inside the box runs on to the edge the way it was going",
         {{1, 2, {at(0, 5), at(2, 5), at(3, 5)}}},
         1,
         0,
         0,
         {at(5, 2), at(8, 4.9)},
         {at(5, 8), at(8, 5.1)}},
        {"a coast cut off heading north-east, not towards the nearest side",
         {{1, 2, {at(0, 1), at(7, 8)}}},
         1,
         0,
         0,
         {at(9, 2), at(8, 8.5)},
         {at(8, 9.5), at(2, 8)}},
        {"a coast that ends in a pocket of itself",
         {{1, 2, {at(0, 5), at(8, 5), at(8, 9), at(2, 9), at(2, 6), at(5, 6), at(5, 7)}}},
         0,
         0,
         1,
         {},
         {at(5, 2), at(5, 8)}},
        {"a coastline of one point",
         {{1, 2, {at(0, 5), at(0, 5)}}},
         0,
         0,
         1,
         {},
         {at(5, 2), at(5, 8)}},
        {"an island on land is not flooded",
         {{1, 2, {at(0, 5), at(10, 5)}}, {7, 7, high}},
         1,
         0,
         1,
         {at(5, 2)},
         {at(5, 8), at(3, 8)}},
        {"a closed coast that encloses nothing",
         {{7, 7, {at(4, 4), at(6, 6), at(4, 4)}}},
         0,
         0,
         1,
         {},
         {at(5, 5), at(1, 1)}},
    };
    for (const auto& c : cases) {
        const SeaAreas sea = makeSeaAreas(waysOf(c.ways), kBox);
        EXPECT_EQ(sea.seas, c.seas) << c.name;
        EXPECT_EQ(sea.islands, c.islands) << c.name;
        EXPECT_EQ(sea.rings.size(), c.seas + c.islands) << c.name;
        EXPECT_EQ(sea.problems.size(), c.problems) << c.name;
        for (const auto& p : c.sea)
            EXPECT_TRUE(filled(sea, p)) << c.name << ": " << p.longitude << "," << p.latitude;
        for (const auto& p : c.land)
            EXPECT_FALSE(filled(sea, p)) << c.name << ": " << p.longitude << "," << p.latitude;
        for (const auto& ring : sea.rings) EXPECT_EQ(ring.front(), ring.back()) << c.name;
    }
}

// Far north a degree of longitude is a third of a degree of latitude long. A coast that stops
// short of the edge, whose way ahead runs into an island, is closed to the side nearest on the
// ground (east, 760 m, rather than north, 0.01 degrees but 1.1 km): the strip of land north of
// its end stays land, and the island on that land is not flooded.
TEST(SeaAreasTest, FarNorthACoastIsClosedToTheSideNearestOnTheGround) {
    const MapBox box{{70.0, 20.0}, {70.1, 20.3}};
    const std::vector<Way> ways = {
        {1, 2, {{70.0, 20.25}, {70.09, 20.28}}},
        {7,
         7,
         {{70.094, 20.2805},
          {70.094, 20.285},
          {70.096, 20.285},
          {70.096, 20.2805},
          {70.094, 20.2805}}},
    };
    const SeaAreas sea = makeSeaAreas(waysOf(ways), box);
    EXPECT_EQ(sea.seas, 1u);
    EXPECT_EQ(sea.islands, 0u);
    EXPECT_TRUE(filled(sea, {70.05, 20.29}));    // east of the coast
    EXPECT_TRUE(filled(sea, {70.085, 20.295}));  // just south of where it meets the edge
    EXPECT_FALSE(filled(sea, {70.095, 20.29}));  // the strip north of its end
    EXPECT_FALSE(filled(sea, {70.095, 20.2825}));
    EXPECT_FALSE(filled(sea, {70.05, 20.1}));  // west of the coast
}

TEST(SeaAreasTest, ProblemsNameTheWaysAndTheReason) {
    const SeaAreas sea =
        makeSeaAreas(waysOf({{1, 2, {at(0, 5), at(3, 5)}}, {3, 2, {at(6, 5), at(3, 5)}}}), kBox);
    ASSERT_EQ(sea.problems.size(), 2u);
    EXPECT_EQ(sea.problems[0],
              "coastline way 100: another coastline begins or ends at the same node, so one of "
              "them runs the wrong way; drawn as a line only");
    // Two coasts that begin at the same node: one of them runs the wrong way.
    const SeaAreas fork =
        makeSeaAreas(waysOf({{1, 2, {at(3, 5), at(0, 5)}}, {1, 3, {at(3, 5), at(6, 5)}}}), kBox);
    ASSERT_EQ(fork.problems.size(), 2u);
    for (const auto& problem : fork.problems)
        EXPECT_NE(problem.find("another coastline begins or ends at the same node"),
                  std::string::npos)
            << problem;
    // The line from a coast's end up to the edge touches another coast's last node.
    const SeaAreas touching =
        makeSeaAreas(waysOf({{1, 2, {at(5, 1), at(5, 8)}}, {3, 4, {at(4, 9), at(5, 9)}}}), kBox);
    ASSERT_FALSE(touching.problems.empty());
    EXPECT_EQ(touching.problems[0],
              "coastline way 100: the line from its end to the edge of the map crosses a "
              "coastline; drawn as a line only");
    // A long chain names its first ways only.
    std::vector<Way> ways;
    for (int i = 0; i < 5; ++i) ways.push_back({i, i + 1, {at(i, 5), at(1 + i, 5)}});
    ways.push_back({9, 5, {at(8, 5), at(5, 5)}});
    const SeaAreas chain = makeSeaAreas(waysOf(ways), kBox);
    ASSERT_EQ(chain.problems.size(), 2u);
    EXPECT_EQ(chain.problems[0].rfind("coastline ways 100, 101, 102 and 2 more: ", 0), 0u)
        << chain.problems[0];
    // An empty box closes nothing, and says so.
    const SeaAreas flat =
        makeSeaAreas(waysOf({{1, 2, {at(0, 5), at(10, 5)}}}), MapBox{at(0, 5), at(10, 5)});
    EXPECT_TRUE(flat.rings.empty());
    ASSERT_EQ(flat.problems.size(), 1u);
    EXPECT_NE(flat.problems[0].find("the map's area is empty"), std::string::npos);
}

}  // namespace
}  // namespace arquorel::sim
