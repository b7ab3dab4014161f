#include "arquorel/arcore/NearestIndex.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "arquorel/arcore/NearestSelection.h"
#include "arquorel/platform/sensors/Geodesy.h"

namespace arquorel {

namespace {

constexpr std::size_t kRunLength = 16;
constexpr double kDegToRad = 0.017453292519943295;

// Earth-centred position of a point on the ellipsoid's surface.
std::array<double, 3> centred(const Coordinate& c) {
    constexpr double f = kWgs84Flattening;
    constexpr double e2 = f * (2 - f);
    const double phi = c.latitude * kDegToRad, lambda = c.longitude * kDegToRad;
    const double sinPhi = std::sin(phi), cosPhi = std::cos(phi);
    const double n = kWgs84EquatorialRadius / std::sqrt(1 - e2 * sinPhi * sinPhi);
    return {n * cosPhi * std::cos(lambda), n * cosPhi * std::sin(lambda), n * (1 - e2) * sinPhi};
}

// Interleaves the bits of two 32-bit numbers: a Z-order key.
std::uint64_t interleaved(std::uint32_t a, std::uint32_t b) {
    const auto spread = [](std::uint64_t v) {
        v = (v | (v << 16)) & 0x0000FFFF0000FFFFull;
        v = (v | (v << 8)) & 0x00FF00FF00FF00FFull;
        v = (v | (v << 4)) & 0x0F0F0F0F0F0F0F0Full;
        v = (v | (v << 2)) & 0x3333333333333333ull;
        v = (v | (v << 1)) & 0x5555555555555555ull;
        return v;
    };
    return spread(a) | (spread(b) << 1);
}

// A lower bound of the distance the caller measures, from the straight-line bound: the
// measured distance follows the ellipsoid to far better than a thousandth, and a metre
// absorbs rounding.
double lowerBound(double straight) {
    return straight * 0.999 - 1.0;
}

}  // namespace

NearestIndex::NearestIndex(const std::vector<Coordinate>& points) : size_(points.size()) {
    struct Keyed {
        std::uint64_t key;
        std::uint32_t point;
    };
    std::vector<Keyed> keyed;
    keyed.reserve(points.size());
    for (std::uint32_t i = 0; i < points.size(); ++i) {
        const Coordinate& c = points[i];
        if (!isValid(c)) {
            aside_.push_back(i);
            continue;
        }
        const auto lat = static_cast<std::uint32_t>((c.latitude + 90) / 180 * 4294967295.0);
        const auto lng = static_cast<std::uint32_t>((c.longitude + 180) / 360 * 4294967295.0);
        keyed.push_back({interleaved(lng, lat), i});
    }
    std::sort(keyed.begin(), keyed.end(), [](const Keyed& a, const Keyed& b) {
        return a.key < b.key || (a.key == b.key && a.point < b.point);
    });
    points_.reserve(keyed.size());
    for (const auto& k : keyed) points_.push_back(k.point);
    for (std::size_t begin = 0; begin < points_.size(); begin += kRunLength) {
        const std::size_t end = std::min(points_.size(), begin + kRunLength);
        std::vector<std::array<double, 3>> at;
        at.reserve(end - begin);
        Run run{0, 0, 0, 0, static_cast<std::uint32_t>(begin), static_cast<std::uint32_t>(end)};
        for (std::size_t i = begin; i < end; ++i) {
            at.push_back(centred(points[points_[i]]));
            run.x += at.back()[0];
            run.y += at.back()[1];
            run.z += at.back()[2];
        }
        const double n = static_cast<double>(end - begin);
        run.x /= n;
        run.y /= n;
        run.z /= n;
        for (const auto& p : at)
            run.radius = std::max(run.radius, std::hypot(p[0] - run.x, p[1] - run.y, p[2] - run.z));
        runs_.push_back(run);
    }
}

std::vector<std::uint32_t> NearestIndex::nearest(
    const Coordinate& from, std::size_t k, const std::function<double(std::uint32_t)>& distanceOf,
    const std::function<std::uint32_t(std::uint32_t)>& order) const {
    struct Found {
        double key;
        std::uint32_t rank;  // place in `order`
        std::uint32_t point;
    };
    const auto before = [](const Found& a, const Found& b) {
        return a.key < b.key || (a.key == b.key && a.rank < b.rank);
    };
    k = std::min(k, size_);
    lastMeasured_ = 0;
    if (k == 0) return {};
    // The k best so far, the worst on top.
    std::vector<Found> best;
    best.reserve(k + 1);
    const auto consider = [&](std::uint32_t point) {
        ++lastMeasured_;
        const Found f{nearnessKey(distanceOf(point)), order ? order(point) : point, point};
        if (best.size() < k) {
            best.push_back(f);
            std::push_heap(best.begin(), best.end(), before);
        } else if (before(f, best.front())) {
            std::pop_heap(best.begin(), best.end(), before);
            best.back() = f;
            std::push_heap(best.begin(), best.end(), before);
        }
    };
    for (const std::uint32_t point : aside_) consider(point);

    struct Bounded {
        double bound;
        std::uint32_t run;
    };
    // Runs by their bound, nearest on top, taken off only as far as the search goes.
    std::vector<Bounded> bounded;
    bounded.reserve(runs_.size());
    const bool located = isValid(from);
    const auto u = located ? centred(from) : std::array<double, 3>{};
    for (std::uint32_t r = 0; r < runs_.size(); ++r) {
        const Run& run = runs_[r];
        const double dx = u[0] - run.x, dy = u[1] - run.y, dz = u[2] - run.z;
        // Without a valid position no bound holds: every run is measured.
        bounded.push_back(
            {located ? lowerBound(std::sqrt(dx * dx + dy * dy + dz * dz) - run.radius) : 0, r});
    }
    const auto farther = [](const Bounded& a, const Bounded& b) { return a.bound > b.bound; };
    std::make_heap(bounded.begin(), bounded.end(), farther);
    while (!bounded.empty()) {
        const Bounded b = bounded.front();
        if (best.size() == k && b.bound > best.front().key) break;
        std::pop_heap(bounded.begin(), bounded.end(), farther);
        bounded.pop_back();
        const Run& run = runs_[b.run];
        for (std::uint32_t i = run.begin; i < run.end; ++i) consider(points_[i]);
    }
    std::sort(best.begin(), best.end(), before);
    std::vector<std::uint32_t> out;
    out.reserve(best.size());
    for (const auto& f : best) out.push_back(f.point);
    return out;
}

}  // namespace arquorel
