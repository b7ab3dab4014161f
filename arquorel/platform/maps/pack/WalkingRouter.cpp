#include "arquorel/platform/maps/pack/WalkingRouter.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include <boost/geometry.hpp>
#include <boost/geometry/index/rtree.hpp>
#include <boost/graph/adjacency_list.hpp>
#include <boost/graph/astar_search.hpp>

#include "arquorel/platform/runtime/PlatformContext.h"
#include "arquorel/platform/sensors/Geodesy.h"

namespace arquorel {

namespace bg = boost::geometry;
namespace bgi = boost::geometry::index;

namespace {

using GeoPoint = bg::model::point<double, 2, bg::cs::cartesian>;  // longitude, latitude
using GeoBox = bg::model::box<GeoPoint>;
using Entry = std::pair<GeoBox, std::uint32_t>;
using BoostGraph =
    boost::adjacency_list<boost::vecS, boost::vecS, boost::undirectedS, boost::no_property,
                          boost::property<boost::edge_weight_t, double>>;
using Vertex = BoostGraph::vertex_descriptor;

constexpr double kDegree = std::numbers::pi / 180;
// Candidates looked at when snapping (nearest by box, then measured exactly).
constexpr unsigned kSnapCandidates = 24;

// The great-circle distance on a sphere a little smaller than the Earth, so that it never
// exceeds the geodesic distance on the ellipsoid: an estimate A* may trust.
double greatCircleBelow(const Coordinate& a, const Coordinate& b) {
    constexpr double kRadius = 6'356'752.0 * 0.999;  // below the polar radius
    const double dLat = (b.latitude - a.latitude) * kDegree;
    const double dLng = (b.longitude - a.longitude) * kDegree;
    const double h = std::sin(dLat / 2) * std::sin(dLat / 2) +
                     std::cos(a.latitude * kDegree) * std::cos(b.latitude * kDegree) *
                         std::sin(dLng / 2) * std::sin(dLng / 2);
    return 2 * kRadius * std::asin(std::min(1.0, std::sqrt(h)));
}

struct GoalReached {};

class GoalVisitor : public boost::default_astar_visitor {
  public:
    explicit GoalVisitor(Vertex goal) : goal_(goal) {}
    void examine_vertex(Vertex u, const BoostGraph&) const {
        if (u == goal_) throw GoalReached{};
    }

  private:
    Vertex goal_;
};

class Estimate : public boost::astar_heuristic<BoostGraph, double> {
  public:
    Estimate(const std::vector<Coordinate>& coordinates, Vertex goal)
        : coordinates_(&coordinates), goal_(goal) {}
    double operator()(Vertex u) const {
        return greatCircleBelow((*coordinates_)[u], (*coordinates_)[goal_]);
    }

  private:
    const std::vector<Coordinate>* coordinates_;
    Vertex goal_;
};

}  // namespace

struct WalkingRouter::Snap {
    std::uint32_t segment = 0;
    double along = 0;  // 0 at the segment's first node, 1 at its second
    Coordinate point;
    double distance = 0;  // metres from the asked position
};

struct WalkingRouter::Graph {
    BoostGraph graph;
    std::vector<Coordinate> coordinates;  // the nodes', then the two query vertices'
    Vertex source = 0;
    Vertex target = 0;
    bgi::rtree<Entry, bgi::rstar<16>> segments;
};

WalkingRouter::WalkingRouter(std::shared_ptr<const MapPack> pack)
    : pack_(std::move(pack)), graph_(std::make_unique<Graph>()) {
    const WalkGraph& walk = pack_->graph();
    const std::size_t n = walk.nodes.size();
    graph_->graph = BoostGraph(n + 2);
    graph_->coordinates = walk.nodes;
    graph_->source = n;
    graph_->target = n + 1;
    graph_->coordinates.resize(n + 2);
    lengths_.reserve(walk.segments.size());
    std::vector<Entry> boxes;
    boxes.reserve(walk.segments.size());
    for (std::uint32_t i = 0; i < walk.segments.size(); ++i) {
        const auto [a, b] = walk.segments[i];
        const Coordinate &p = walk.nodes[a], &q = walk.nodes[b];
        const double length = geodesicDistance(p, q);
        lengths_.push_back(length);
        boost::add_edge(a, b, length, graph_->graph);
        GeoBox box(GeoPoint(p.longitude, p.latitude), GeoPoint(p.longitude, p.latitude));
        bg::expand(box, GeoPoint(q.longitude, q.latitude));
        boxes.emplace_back(box, i);
    }
    graph_->segments = bgi::rtree<Entry, bgi::rstar<16>>(boxes.begin(), boxes.end());
}

WalkingRouter::~WalkingRouter() = default;

std::optional<WalkingRouter::Snap> WalkingRouter::snap(const Coordinate& c) const {
    const WalkGraph& walk = pack_->graph();
    // Metres a degree around the position: enough to find the foot of the perpendicular.
    const double kx = std::cos(c.latitude * kDegree) * 111'320.0, ky = 110'574.0;
    std::optional<Snap> best;
    for (auto it = graph_->segments.qbegin(
             bgi::nearest(GeoPoint(c.longitude, c.latitude), kSnapCandidates));
         it != graph_->segments.qend(); ++it) {
        const auto [a, b] = walk.segments[it->second];
        const Coordinate &p = walk.nodes[a], &q = walk.nodes[b];
        const double dx = (q.longitude - p.longitude) * kx, dy = (q.latitude - p.latitude) * ky;
        const double cx = (c.longitude - p.longitude) * kx, cy = (c.latitude - p.latitude) * ky;
        const double span = dx * dx + dy * dy;
        const double t = span > 0 ? std::clamp((cx * dx + cy * dy) / span, 0.0, 1.0) : 0.0;
        const Coordinate foot{p.latitude + t * (q.latitude - p.latitude),
                              p.longitude + t * (q.longitude - p.longitude)};
        const double d = geodesicDistance(c, foot);
        if (!best || d < best->distance) best = Snap{it->second, t, foot, d};
    }
    if (!best || best->distance > kMaxSnapDistance) return std::nullopt;
    return best;
}

std::optional<MapRoute> WalkingRouter::route(const Coordinate& from, const Coordinate& to) const {
    if (!isValid(from) || !isValid(to) || !pack_->box().contains(from) ||
        !pack_->box().contains(to))
        return std::nullopt;
    const auto start = snap(from), end = snap(to);
    if (!start || !end) return std::nullopt;

    Graph& g = *graph_;
    const WalkGraph& walk = pack_->graph();
    const Vertex s = g.source, t = g.target;
    boost::clear_vertex(s, g.graph);
    boost::clear_vertex(t, g.graph);
    g.coordinates[s] = start->point;
    g.coordinates[t] = end->point;
    // The query points join both ends of the segments they snapped to.
    for (const auto& [vertex, at] : {std::pair{s, *start}, std::pair{t, *end}}) {
        const auto [a, b] = walk.segments[at.segment];
        boost::add_edge(vertex, a, geodesicDistance(at.point, walk.nodes[a]), g.graph);
        boost::add_edge(vertex, b, geodesicDistance(at.point, walk.nodes[b]), g.graph);
    }
    if (start->segment == end->segment)
        boost::add_edge(s, t, geodesicDistance(start->point, end->point), g.graph);

    const std::size_t n = boost::num_vertices(g.graph);
    std::vector<Vertex> previous(n);
    std::vector<double> cost(n, std::numeric_limits<double>::infinity());
    bool reached = false;
    try {
        boost::astar_search(
            g.graph, s, Estimate(g.coordinates, t),
            boost::predecessor_map(boost::make_iterator_property_map(
                                       previous.begin(), boost::get(boost::vertex_index, g.graph)))
                .distance_map(boost::make_iterator_property_map(
                    cost.begin(), boost::get(boost::vertex_index, g.graph)))
                .visitor(GoalVisitor(t)));
    } catch (const GoalReached&) {
        reached = true;
    }
    if (!reached) return std::nullopt;

    MapRoute route;
    for (Vertex v = t;; v = previous[v]) {
        route.polyline.push_back(g.coordinates[v]);
        if (v == s || previous[v] == v) break;
    }
    std::reverse(route.polyline.begin(), route.polyline.end());
    route.distance = cost[t];
    route.expectedTravelTime = route.distance / kWalkingSpeed;
    return route;
}

void PackDirections::calculate(const DirectionsRequest& request, Completion completion) {
    DirectionsResponse response;
    if (auto route = router_ ? router_->route(request.source, request.destination) : std::nullopt)
        response.routes.push_back(std::move(*route));
    platformContext().mainLoop().async(
        [response = std::move(response), completion = std::move(completion)] {
            if (completion) completion(response);
        });
}

}  // namespace arquorel
