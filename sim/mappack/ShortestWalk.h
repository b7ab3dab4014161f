#pragma once
// The shortest walk between two nodes of a walking graph by a plain Dijkstra over its
// segments, with geodesic segment lengths: the independent answer the router's tests compare
// its A* routes with.

#include <cmath>
#include <cstdint>
#include <functional>
#include <queue>
#include <utility>
#include <vector>

#include "arquorel/platform/maps/pack/MapPack.h"
#include "arquorel/platform/sensors/Geodesy.h"

namespace arquorel::sim {

// Metres from node `from` to node `to`; infinity when no segments join them.
inline double shortestWalk(const WalkGraph& g, std::uint32_t from, std::uint32_t to) {
    std::vector<std::vector<std::pair<std::uint32_t, double>>> next(g.nodes.size());
    for (const auto& [a, b] : g.segments) {
        const double d = geodesicDistance(g.nodes[a], g.nodes[b]);
        next[a].emplace_back(b, d);
        next[b].emplace_back(a, d);
    }
    std::vector<double> best(g.nodes.size(), INFINITY);
    using Item = std::pair<double, std::uint32_t>;
    std::priority_queue<Item, std::vector<Item>, std::greater<>> queue;
    queue.emplace(best[from] = 0, from);
    while (!queue.empty()) {
        const auto [d, u] = queue.top();
        queue.pop();
        if (u == to) return d;
        if (d > best[u]) continue;
        for (const auto& [v, w] : next[u])
            if (d + w < best[v]) queue.emplace(best[v] = d + w, v);
    }
    return INFINITY;
}

}  // namespace arquorel::sim
