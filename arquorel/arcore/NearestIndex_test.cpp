#include "arquorel/arcore/NearestIndex.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numeric>

#include "arquorel/arcore/NearestSelection.h"
#include "arquorel/platform/sensors/Geodesy.h"

namespace arquorel {
namespace {

// Deterministic numbers in [0, 1) on every standard library.
class Numbers {
  public:
    double next() {
        state_ = state_ * 6364136223846793005ull + 1442695040888963407ull;
        return static_cast<double>(state_ >> 11) / 9007199254740992.0;
    }

  private:
    std::uint64_t state_ = 42;
};

// A region's places: a dense town, a sparse country around it, places sharing a position,
// a few far away (across the date line, near a pole) and one without a valid position.
std::vector<Coordinate> regionPoints() {
    Numbers random;
    std::vector<Coordinate> points;
    for (int i = 0; i < 6000; ++i)
        points.push_back({43.73 + 0.02 * random.next(), 7.41 + 0.03 * random.next()});
    for (int i = 0; i < 4000; ++i)
        points.push_back({43.2 + random.next(), 6.8 + 1.4 * random.next()});
    for (int i = 0; i < 300; ++i) points.push_back(points[static_cast<std::size_t>(i) * 7]);
    for (const Coordinate c :
         {Coordinate{-33.9, 151.2}, Coordinate{64.1, -179.99}, Coordinate{64.1, 179.99},
          Coordinate{89.99, 0}, Coordinate{-89.99, 90}, Coordinate{43.74, 7.42}})
        points.push_back(c);
    points.push_back({std::nan(""), 7.42});
    return points;
}

// What measuring every point gives: the first k of a stable sort by distance in `order`.
std::vector<std::uint32_t> measuredAll(const std::vector<Coordinate>& points,
                                       const Coordinate& from, std::size_t k,
                                       const std::vector<std::uint32_t>& order) {
    const GeodesicOrigin origin(from);
    std::vector<std::uint32_t> listed(points.size());
    for (std::uint32_t i = 0; i < points.size(); ++i) listed[order[i]] = i;
    const auto chosen = nearestIndices(
        points.size(), k, [&](std::size_t i) { return origin.distanceTo(points[listed[i]]); });
    std::vector<std::uint32_t> out;
    for (const auto i : chosen) out.push_back(listed[i]);
    return out;
}

// Along a walk through the town, out into the country and far away, the nearest found through
// the index are exactly those of measuring every point, ties included, for any k and any order
// of the points; and near the user only a small share of the points is measured.
TEST(NearestIndexTest, FindsExactlyTheNearestOfMeasuringEveryPoint) {
    const auto points = regionPoints();
    const NearestIndex index(points);
    std::vector<std::uint32_t> fileOrder(points.size()), reversed(points.size());
    std::iota(fileOrder.begin(), fileOrder.end(), 0u);
    for (std::uint32_t i = 0; i < points.size(); ++i)
        reversed[i] = static_cast<std::uint32_t>(points.size() - 1 - i);
    std::vector<Coordinate> walk;
    for (int step = 0; step <= 20; ++step)
        walk.push_back({43.72 + 0.0022 * step, 7.40 + 0.0026 * step});
    for (const Coordinate c : {Coordinate{43.0, 6.0}, Coordinate{-33.8, 151.0},
                               Coordinate{64.0, 179.9}, Coordinate{90, 0}, points[3]})
        walk.push_back(c);
    for (const auto& from : walk) {
        const GeodesicOrigin origin(from);
        const auto distanceOf = [&](std::uint32_t i) { return origin.distanceTo(points[i]); };
        for (const std::size_t k : {1u, 250u, 1000u}) {
            SCOPED_TRACE(std::to_string(from.latitude) + "," + std::to_string(from.longitude) +
                         " k " + std::to_string(k));
            EXPECT_EQ(index.nearest(from, k, distanceOf), measuredAll(points, from, k, fileOrder));
            EXPECT_EQ(
                index.nearest(from, k, distanceOf, [&](std::uint32_t i) { return reversed[i]; }),
                measuredAll(points, from, k, reversed));
        }
    }
    index.nearest(walk[10], 250,
                  [&](std::uint32_t i) { return GeodesicOrigin(walk[10]).distanceTo(points[i]); });
    EXPECT_LT(index.lastMeasured(), points.size() / 10);

    // All of them, and more than there are: every point, the invalid one last.
    const GeodesicOrigin origin(walk[0]);
    const auto all = index.nearest(walk[0], points.size() + 5,
                                   [&](std::uint32_t i) { return origin.distanceTo(points[i]); });
    EXPECT_EQ(all, measuredAll(points, walk[0], points.size(), fileOrder));
    EXPECT_EQ(all.back(), points.size() - 1);
}

TEST(NearestIndexTest, NoPointsOrNoneWanted) {
    const auto far = [](std::uint32_t) { return 1.0; };
    EXPECT_TRUE(NearestIndex().nearest({43.7, 7.4}, 5, far).empty());
    EXPECT_TRUE(NearestIndex({{43.7, 7.4}}).nearest({43.7, 7.4}, 0, far).empty());
    EXPECT_EQ(NearestIndex({{43.7, 7.4}}).nearest({std::nan(""), 0}, 3, far),
              std::vector<std::uint32_t>{0});
}

}  // namespace
}  // namespace arquorel
