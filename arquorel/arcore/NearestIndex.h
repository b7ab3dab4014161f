#pragma once
// The nearest few of many fixed points, found without measuring them all. The points are
// sorted along a space-filling curve (a Z-order of latitude and longitude) and cut into runs of
// neighbours; each run keeps a sphere around its points in Earth-centred space. The straight
// line through the Earth is never longer than the way along its surface, so a run's sphere
// gives a lower bound of every distance into it: runs are measured nearest bound first, and
// the search stops at the first run that cannot hold anything nearer than the k-th found.
// The result is exactly the one of measuring every point (nearestIndices).

#include <cstdint>
#include <functional>
#include <vector>

#include "arquorel/platform/sensors/Location.h"

namespace arquorel {

class NearestIndex {
  public:
    NearestIndex() = default;
    // Points that are not valid coordinates are kept aside and always measured.
    explicit NearestIndex(const std::vector<Coordinate>& points);

    std::size_t size() const { return size_; }

    // The `k` nearest points to `from`, nearest first, ties in `order` of their numbers (the
    // first k of a stable sort by distance of the points listed in that order); a distance that
    // is not a number counts as infinitely far. `distanceOf(i)` is point i's exact distance in
    // metres, on the WGS 84 ellipsoid; it is asked only of points that may be among the k.
    std::vector<std::uint32_t> nearest(
        const Coordinate& from, std::size_t k,
        const std::function<double(std::uint32_t)>& distanceOf,
        const std::function<std::uint32_t(std::uint32_t)>& order = {}) const;

    // Points measured by the last nearest() call.
    std::size_t lastMeasured() const { return lastMeasured_; }

  private:
    struct Run {
        double x, y, z;            // centre, metres from the Earth's centre
        double radius;             // no point of the run is farther from the centre
        std::uint32_t begin, end;  // into points_
    };
    std::size_t size_ = 0;
    std::vector<std::uint32_t> points_;  // point numbers, runs one after another
    std::vector<Run> runs_;
    std::vector<std::uint32_t> aside_;  // points without a valid coordinate
    mutable std::size_t lastMeasured_ = 0;
};

}  // namespace arquorel
