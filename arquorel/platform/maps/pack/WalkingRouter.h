#pragma once
// Walking routes over a map pack's graph: the start and the end snap to the nearest walkable
// segment, and the shortest way between them is found by A* with the great-circle distance as
// its estimate. Segment lengths are geodesic distances.
//
// PackDirections answers a map's directions requests with it, on the main loop.

#include <memory>
#include <optional>
#include <vector>

#include "arquorel/platform/maps/Directions.h"
#include "arquorel/platform/maps/pack/MapPack.h"

namespace arquorel {

inline constexpr double kWalkingSpeed = 1.4;  // metres a second

class WalkingRouter {
  public:
    // Snapping farther than this from any walkable segment gives no route.
    static constexpr double kMaxSnapDistance = 300;

    explicit WalkingRouter(std::shared_ptr<const MapPack> pack);
    ~WalkingRouter();
    WalkingRouter(const WalkingRouter&) = delete;
    WalkingRouter& operator=(const WalkingRouter&) = delete;

    // The shortest walk from `from` to `to`; none when either lies outside the pack's area or
    // too far from a walkable way, or when no walkable way joins them.
    std::optional<MapRoute> route(const Coordinate& from, const Coordinate& to) const;

    // The length of the walkable segment from node a to node b (metres).
    double segmentLength(std::uint32_t segment) const { return lengths_.at(segment); }

  private:
    struct Snap;
    struct Graph;
    std::optional<Snap> snap(const Coordinate& c) const;

    std::shared_ptr<const MapPack> pack_;
    std::vector<double> lengths_;
    std::unique_ptr<Graph> graph_;
};

class PackDirections final : public Directions {
  public:
    explicit PackDirections(std::shared_ptr<const WalkingRouter> router)
        : router_(std::move(router)) {}
    void calculate(const DirectionsRequest& request, Completion completion) override;

  private:
    std::shared_ptr<const WalkingRouter> router_;
};

}  // namespace arquorel
