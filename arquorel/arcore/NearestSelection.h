#pragma once
// Finding the nearest few of many items without sorting them all: a partial selection
// (nth_element) over the items' indices, then a sort of the chosen few.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

namespace arquorel {

// A distance as a sort key: a distance that is not a number counts as infinitely far, so that
// every key compares and such items come last.
inline double nearnessKey(double distance) {
    return std::isnan(distance) ? std::numeric_limits<double>::infinity() : distance;
}

// The indices of the `k` nearest of `n` items, nearest first, ties in index order: the first
// `k` of a stable sort of the items by distance. `distanceOf(i)` is item i's distance.
template <class DistanceOf>
std::vector<std::uint32_t> nearestIndices(std::size_t n, std::size_t k, DistanceOf distanceOf) {
    struct Keyed {
        double key;
        std::uint32_t index;
    };
    std::vector<Keyed> items(n);
    for (std::size_t i = 0; i < n; ++i)
        items[i] = {nearnessKey(distanceOf(i)), static_cast<std::uint32_t>(i)};
    const auto before = [](const Keyed& a, const Keyed& b) {
        return a.key < b.key || (a.key == b.key && a.index < b.index);
    };
    k = std::min(k, n);
    if (k < n) std::nth_element(items.begin(), items.begin() + k, items.end(), before);
    std::sort(items.begin(), items.begin() + k, before);
    std::vector<std::uint32_t> out(k);
    for (std::size_t i = 0; i < k; ++i) out[i] = items[i].index;
    return out;
}

}  // namespace arquorel
