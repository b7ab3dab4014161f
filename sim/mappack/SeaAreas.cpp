#include "sim/mappack/SeaAreas.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <deque>
#include <limits>
#include <numbers>
#include <optional>
#include <unordered_map>

namespace arquorel::sim {

namespace {

// Longitude is x and latitude y throughout, so that clockwise is clockwise with north up.

// Twice the signed area of the triangle o, a, b: positive when it turns counter-clockwise.
double cross(const Coordinate& o, const Coordinate& a, const Coordinate& b) {
    return (a.longitude - o.longitude) * (b.latitude - o.latitude) -
           (a.latitude - o.latitude) * (b.longitude - o.longitude);
}

// Twice the signed area of a ring that ends on its first point (relative to that point, which
// keeps the digits that matter for a small ring far from the origin).
double signedArea(const std::vector<Coordinate>& ring) {
    double sum = 0;
    for (std::size_t i = 1; i + 1 < ring.size(); ++i) sum += cross(ring[0], ring[i], ring[i + 1]);
    return sum;
}

// Rings smaller than this (in square degrees, about a square centimetre) enclose nothing.
constexpr double kNoArea = 1e-14;

bool between(double a, double b, double v) {
    return std::min(a, b) <= v && v <= std::max(a, b);
}

// Whether segments ab and cd have a point in common.
bool segmentsMeet(const Coordinate& a, const Coordinate& b, const Coordinate& c,
                  const Coordinate& d) {
    const double d1 = cross(c, d, a), d2 = cross(c, d, b), d3 = cross(a, b, c), d4 = cross(a, b, d);
    if (((d1 > 0 && d2 < 0) || (d1 < 0 && d2 > 0)) && ((d3 > 0 && d4 < 0) || (d3 < 0 && d4 > 0)))
        return true;
    const auto on = [](const Coordinate& p, const Coordinate& q, const Coordinate& r) {
        return between(p.longitude, q.longitude, r.longitude) &&
               between(p.latitude, q.latitude, r.latitude);
    };
    return (d1 == 0 && on(c, d, a)) || (d2 == 0 && on(c, d, b)) || (d3 == 0 && on(a, b, c)) ||
           (d4 == 0 && on(a, b, d));
}

// Whether `p` is inside `ring` (crossings of a ray to the east).
bool inside(const std::vector<Coordinate>& ring, const Coordinate& p) {
    bool in = false;
    for (std::size_t i = 0, j = ring.size() - 1; i < ring.size(); j = i++) {
        const Coordinate& a = ring[i];
        const Coordinate& b = ring[j];
        if ((a.latitude > p.latitude) != (b.latitude > p.latitude) &&
            p.longitude < a.longitude + (p.latitude - a.latitude) * (b.longitude - a.longitude) /
                                            (b.latitude - a.latitude))
            in = !in;
    }
    return in;
}

bool meet(const MapBox& a, const MapBox& b) {
    return a.southWest.latitude <= b.northEast.latitude &&
           b.southWest.latitude <= a.northEast.latitude &&
           a.southWest.longitude <= b.northEast.longitude &&
           b.southWest.longitude <= a.northEast.longitude;
}

// The edge of the map's box, measured clockwise from its north-west corner.
class Boundary {
  public:
    explicit Boundary(const MapBox& box)
        : n_(box.northEast.latitude),
          e_(box.northEast.longitude),
          s_(box.southWest.latitude),
          w_(box.southWest.longitude),
          width_(e_ - w_),
          height_(n_ - s_),
          eastScale_(std::cos((n_ + s_) / 2 * std::numbers::pi / 180)) {}

    bool empty() const { return !(width_ > 0 && height_ > 0); }
    double perimeter() const { return 2 * (width_ + height_); }

    struct Spot {
        Coordinate point;
        double along = 0;  // from the north-west corner, clockwise
    };

    // Whether `p` is inside the box and not on its edge.
    bool within(const Coordinate& p) const {
        return p.latitude > s_ && p.latitude < n_ && p.longitude > w_ && p.longitude < e_;
    }

    // The point of the edge nearest to `p`: the nearest side's point when `p` is within, the
    // box's nearest point otherwise.
    Spot nearest(const Coordinate& p) const {
        Coordinate c{std::clamp(p.latitude, s_, n_), std::clamp(p.longitude, w_, e_)};
        if (within(p)) {
            const std::array<double, 4> away = {n_ - p.latitude, (e_ - p.longitude) * eastScale_,
                                                p.latitude - s_, (p.longitude - w_) * eastScale_};
            snap(c, static_cast<int>(std::min_element(away.begin(), away.end()) - away.begin()));
        }
        return spotOf(c);
    }

    // Where the straight line from `p` (within the box) towards `ahead` leaves the box.
    std::optional<Spot> exit(const Coordinate& p, const Coordinate& ahead) const {
        const double dy = ahead.latitude - p.latitude, dx = ahead.longitude - p.longitude;
        if (dx == 0 && dy == 0) return std::nullopt;
        const double inf = std::numeric_limits<double>::infinity();
        const std::array<double, 4> reach = {
            dy > 0 ? (n_ - p.latitude) / dy : inf, dx > 0 ? (e_ - p.longitude) / dx : inf,
            dy < 0 ? (s_ - p.latitude) / dy : inf, dx < 0 ? (w_ - p.longitude) / dx : inf};
        const auto side = std::min_element(reach.begin(), reach.end());
        Coordinate c{std::clamp(p.latitude + *side * dy, s_, n_),
                     std::clamp(p.longitude + *side * dx, w_, e_)};
        snap(c, static_cast<int>(side - reach.begin()));
        return spotOf(c);
    }

    // Appends the corners passed going clockwise from `from` to `to`.
    void cornersBetween(double from, double to, std::vector<Coordinate>& out) const {
        const double p = perimeter();
        double span = to - from;
        if (span < 0) span += p;
        const std::array<std::pair<double, Coordinate>, 4> corners = {{
            {0, {n_, w_}},
            {width_, {n_, e_}},
            {width_ + height_, {s_, e_}},
            {2 * width_ + height_, {s_, w_}},
        }};
        std::vector<std::pair<double, Coordinate>> passed;
        for (const auto& [at, corner] : corners) {
            double k = at - from;
            if (k <= 0) k += p;
            if (k < span) passed.emplace_back(k, corner);
        }
        std::sort(passed.begin(), passed.end(),
                  [](const auto& a, const auto& b) { return a.first < b.first; });
        for (const auto& c : passed) out.push_back(c.second);
    }

    // The whole box as a clockwise ring.
    std::vector<Coordinate> ring() const {
        return {{n_, w_}, {n_, e_}, {s_, e_}, {s_, w_}, {n_, w_}};
    }

  private:
    // Puts `c` on side 0 (north), 1 (east), 2 (south) or 3 (west).
    void snap(Coordinate& c, int side) const {
        switch (side) {
            case 0:
                c.latitude = n_;
                break;
            case 1:
                c.longitude = e_;
                break;
            case 2:
                c.latitude = s_;
                break;
            default:
                c.longitude = w_;
                break;
        }
    }

    // A point on the edge and its distance along it.
    Spot spotOf(const Coordinate& c) const {
        double along = 0;
        if (c.latitude == n_)
            along = c.longitude - w_;
        else if (c.longitude == e_)
            along = width_ + (n_ - c.latitude);
        else if (c.latitude == s_)
            along = width_ + height_ + (e_ - c.longitude);
        else
            along = 2 * width_ + height_ + (c.latitude - s_);
        if (along >= perimeter()) along = 0;
        return {c, along};
    }

    double n_, e_, s_, w_;
    double width_, height_;
    double eastScale_;  // metres east per metre north in a degree, to find the nearest side
};

struct Chain {
    std::vector<std::size_t> ways;  // in order along the coast
    std::vector<Coordinate> points;
    std::int64_t first = 0;
    std::int64_t last = 0;
    bool closed = false;
    bool dropped = false;  // left as a line
    MapBox bounds;
};

class SeaMaker {
  public:
    SeaMaker(const std::vector<CoastWay>& ways, const MapBox& box) : ways_(ways), boundary_(box) {}

    SeaAreas make() {
        joinChains();
        closeOpenChains();
        addIslands();
        return std::move(sea_);
    }

  private:
    // Joins ways into chains where one ends and another begins. A node where two ways begin,
    // or two end, means that one of them runs the wrong way: their chains are dropped.
    void joinChains() {
        std::unordered_map<std::int64_t, std::vector<std::size_t>> startsAt, endsAt;
        for (std::size_t i = 0; i < ways_.size(); ++i) {
            if (ways_[i].points.size() < 2) continue;
            startsAt[ways_[i].first].push_back(i);
            endsAt[ways_[i].last].push_back(i);
        }
        std::vector<bool> used(ways_.size());
        const auto unused = [&used](const auto& index,
                                    std::int64_t node) -> std::optional<std::size_t> {
            const auto it = index.find(node);
            if (it == index.end()) return std::nullopt;
            for (const std::size_t j : it->second)
                if (!used[j]) return j;
            return std::nullopt;
        };
        for (std::size_t i = 0; i < ways_.size(); ++i) {
            if (used[i] || ways_[i].points.size() < 2) continue;
            used[i] = true;
            std::deque<std::size_t> order{i};
            std::int64_t first = ways_[i].first, last = ways_[i].last;
            while (first != last) {
                const auto j = unused(startsAt, last);
                if (!j) break;
                used[*j] = true;
                order.push_back(*j);
                last = ways_[*j].last;
            }
            while (first != last) {
                const auto j = unused(endsAt, first);
                if (!j) break;
                used[*j] = true;
                order.push_front(*j);
                first = ways_[*j].first;
            }
            Chain chain;
            chain.first = first;
            chain.last = last;
            chain.closed = first == last;
            bool forked = false;
            for (const std::size_t j : order) {
                const auto& points = ways_[j].points;
                chain.points.insert(chain.points.end(),
                                    points.begin() + (chain.points.empty() ? 0 : 1), points.end());
                chain.ways.push_back(j);
                forked = forked || startsAt[ways_[j].first].size() > 1 ||
                         endsAt[ways_[j].last].size() > 1;
            }
            chain.bounds = boxAround(chain.points);
            chains_.push_back(std::move(chain));
            if (forked)
                drop(chains_.size() - 1,
                     "another coastline begins or ends at the same node, so one of them runs "
                     "the wrong way");
        }
    }

    // Closes the open chains along the box into rings of sea.
    void closeOpenChains() {
        std::vector<std::size_t> open;
        for (std::size_t c = 0; c < chains_.size(); ++c)
            if (!chains_[c].closed) {
                anyOpen_ = true;
                if (!chains_[c].dropped) open.push_back(c);
            }
        if (open.empty()) return;
        if (boundary_.empty()) {
            for (const std::size_t c : open) drop(c, "the map's area is empty");
            return;
        }
        std::unordered_map<std::size_t, std::pair<Boundary::Spot, Boundary::Spot>> spots;
        for (const std::size_t c : open) {
            const auto start = reachEdge(c, true), end = reachEdge(c, false);
            if (!start || !end) {
                drop(c, "the line from its end to the edge of the map crosses a coastline");
                continue;
            }
            spots[c] = {*start, *end};
        }
        std::erase_if(open, [this](std::size_t c) { return chains_[c].dropped; });

        // Along the edge, clockwise, each chain's end must be followed by a chain's start (the
        // water between them); two ends in a row mean that one of the two runs the wrong way.
        struct Event {
            double along;
            bool isEnd;
            std::size_t chain;
        };
        std::vector<Event> events;
        for (;;) {
            events.clear();
            for (const std::size_t c : open) {
                events.push_back({spots[c].first.along, false, c});
                events.push_back({spots[c].second.along, true, c});
            }
            std::sort(events.begin(), events.end(), [](const Event& a, const Event& b) {
                return a.along < b.along || (a.along == b.along && a.isEnd && !b.isEnd);
            });
            bool dropped = false;
            for (std::size_t i = 0; i < events.size(); ++i) {
                const Event& next = events[(i + 1) % events.size()];
                if (!events[i].isEnd || !next.isEnd) continue;
                for (const std::size_t c : {events[i].chain, next.chain})
                    if (!chains_[c].dropped) {
                        drop(c,
                             "its ends and those of the next coastline along the edge of the map "
                             "disagree on where the water is, so one of them runs the wrong way");
                        dropped = true;
                    }
            }
            if (!dropped) break;
            std::erase_if(open, [this](std::size_t c) { return chains_[c].dropped; });
        }

        std::unordered_map<std::size_t, std::size_t> following;
        for (std::size_t i = 0; i < events.size(); ++i)
            if (events[i].isEnd) following[events[i].chain] = events[(i + 1) % events.size()].chain;
        std::unordered_map<std::size_t, bool> done;
        for (const std::size_t c : open) {
            if (done[c]) continue;
            std::vector<Coordinate> ring;
            std::vector<std::size_t> members;
            std::size_t at = c;
            do {
                done[at] = true;
                members.push_back(at);
                const Chain& chain = chains_[at];
                const auto& [start, end] = spots[at];
                if (start.point != chain.points.front()) ring.push_back(start.point);
                ring.insert(ring.end(), chain.points.begin(), chain.points.end());
                if (end.point != chain.points.back()) ring.push_back(end.point);
                at = following[at];
                boundary_.cornersBetween(end.along, spots[at].first.along, ring);
            } while (at != c);
            ring.push_back(ring.front());
            if (signedArea(ring) < -kNoArea) {
                sea_.rings.push_back(std::move(ring));
                seaRings_.push_back(sea_.rings.size() - 1);
                ++sea_.seas;
            } else {
                for (const std::size_t m : members)
                    drop(m,
                         "closed along the edge of the map it does not have the water on its "
                         "right");
            }
        }
    }

    // Where an end of chain `c` (its start, or its end) is joined to the edge of the map: the
    // way the coast runs out over its last kilometre, else straight to the nearest side; none
    // when both lines cross a coastline.
    std::optional<Boundary::Spot> reachEdge(std::size_t c, bool atStart) const {
        const auto& points = chains_[c].points;
        const Coordinate& end = atStart ? points.front() : points.back();
        if (boundary_.within(end)) {
            const auto ahead = boundary_.exit(end, runOut(points, atStart));
            if (ahead && !connectorCrosses(c, atStart, ahead->point)) return ahead;
        }
        const auto nearest = boundary_.nearest(end);
        if (!connectorCrosses(c, atStart, nearest.point)) return nearest;
        return std::nullopt;
    }

    // A point beyond an end of `points` on the line from the point about a kilometre back
    // along them (or their other end) through that end.
    static Coordinate runOut(const std::vector<Coordinate>& points, bool atStart) {
        const std::size_t n = points.size();
        const auto at = [&](std::size_t i) -> const Coordinate& {
            return atStart ? points[i] : points[n - 1 - i];
        };
        const double eastScale = std::cos(at(0).latitude * std::numbers::pi / 180);
        constexpr double kMetresPerDegree = 111'195;
        std::size_t back = 0;
        for (double metres = 0; back + 1 < n && metres < 1000; ++back)
            metres += std::hypot(at(back + 1).latitude - at(back).latitude,
                                 (at(back + 1).longitude - at(back).longitude) * eastScale) *
                      kMetresPerDegree;
        return {2 * at(0).latitude - at(back).latitude, 2 * at(0).longitude - at(back).longitude};
    }

    // Whether the straight line from an end of chain `c` (its start, or its end) to `to` on the
    // edge of the map meets a coastline, the chain's own segment at that end aside.
    bool connectorCrosses(std::size_t c, bool atStart, const Coordinate& to) const {
        const auto& own = chains_[c].points;
        const Coordinate& from = atStart ? own.front() : own.back();
        if (from == to) return false;
        const MapBox line = boxAround({from, to});
        for (std::size_t k = 0; k < chains_.size(); ++k) {
            const auto& points = chains_[k].points;
            if (!meet(chains_[k].bounds, line)) continue;
            for (std::size_t i = 0; i + 1 < points.size(); ++i) {
                if (k == c && i == (atStart ? 0 : points.size() - 2)) continue;
                if (segmentsMeet(from, to, points[i], points[i + 1])) return true;
            }
        }
        return false;
    }

    // Closed chains: counter-clockwise an island, cut out of the sea around it; clockwise,
    // water enclosed by land. Islands with no open coast anywhere lie in a sea that fills the
    // box.
    void addIslands() {
        std::vector<std::size_t> islands;
        bool enclosedWater = false;
        for (std::size_t c = 0; c < chains_.size(); ++c) {
            Chain& chain = chains_[c];
            if (!chain.closed || chain.dropped) continue;
            const double area = signedArea(chain.points);
            if (std::abs(area) <= kNoArea) {
                drop(c, "it encloses no area");
            } else if (area < 0) {
                sea_.rings.push_back(chain.points);
                seaRings_.push_back(sea_.rings.size() - 1);
                ++sea_.seas;
                enclosedWater = true;
            } else {
                islands.push_back(c);
            }
        }
        if (!anyOpen_ && !enclosedWater && !islands.empty() && !boundary_.empty()) {
            sea_.rings.push_back(boundary_.ring());
            seaRings_.push_back(sea_.rings.size() - 1);
            ++sea_.seas;
        }
        for (const std::size_t c : islands) {
            const Coordinate& p = chains_[c].points.front();
            const bool inSea = std::any_of(seaRings_.begin(), seaRings_.end(),
                                           [&](std::size_t r) { return inside(sea_.rings[r], p); });
            if (!inSea) {
                drop(c, "an island with no sea around it");
                continue;
            }
            sea_.rings.push_back(chains_[c].points);
            ++sea_.islands;
        }
    }

    void drop(std::size_t c, const std::string& why) {
        Chain& chain = chains_[c];
        if (chain.dropped) return;
        chain.dropped = true;
        std::string text = chain.ways.size() == 1 ? "coastline way " : "coastline ways ";
        for (std::size_t i = 0; i < chain.ways.size() && i < 3; ++i)
            text += (i ? ", " : "") + std::to_string(ways_[chain.ways[i]].id);
        if (chain.ways.size() > 3)
            text += " and " + std::to_string(chain.ways.size() - 3) + " more";
        sea_.problems.push_back(text + ": " + why + "; drawn as a line only");
    }

    const std::vector<CoastWay>& ways_;
    Boundary boundary_;
    std::vector<Chain> chains_;
    std::vector<std::size_t> seaRings_;  // indexes in sea_.rings
    bool anyOpen_ = false;
    SeaAreas sea_;
};

}  // namespace

SeaAreas makeSeaAreas(const std::vector<CoastWay>& ways, const MapBox& box) {
    return SeaMaker(ways, box).make();
}

}  // namespace arquorel::sim
