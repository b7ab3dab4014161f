// Cost of the distance and azimuth passes over many places around the user, against the exact
// WGS 84 inverse geodesic.

#include <benchmark/benchmark.h>
#include <GeographicLib/GeodesicExact.hpp>

#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

#include "arquorel/arcore/ARStatus.h"
#include "arquorel/platform/sensors/Geodesy.h"

namespace {

using arquorel::Location;

constexpr std::size_t kPlaces = 10000;
const Location kUser(45.4642, 9.1900);  // a city centre

// Places up to about 25 km from the centre, the same on every run and every standard library.
const std::vector<Location>& places() {
    static const std::vector<Location> list = [] {
        std::mt19937_64 engine(20260601);
        const auto unit = [&] { return static_cast<double>(engine() >> 11) * 0x1p-53; };
        std::vector<Location> out;
        out.reserve(kPlaces);
        for (std::size_t i = 0; i < kPlaces; ++i) {
            const double latitude = kUser.latitude() + 0.45 * (2 * unit() - 1);
            const double longitude = kUser.longitude() + 0.65 * (2 * unit() - 1);
            out.emplace_back(latitude, longitude);
        }
        return out;
    }();
    return list;
}

void perPlace(benchmark::State& state) {
    const auto n = static_cast<std::int64_t>(places().size());
    state.SetItemsProcessed(state.iterations() * n);
    // Seconds per place (shown as e.g. "45n").
    state.counters["per_place"] =
        benchmark::Counter(static_cast<double>(n), benchmark::Counter::kIsIterationInvariantRate |
                                                       benchmark::Counter::kInvert);
}

// What the controller does for every annotation after a location fix.
void BM_DistanceAndAzimuth(benchmark::State& state) {
    const auto& list = places();
    for (auto _ : state) {
        const arquorel::GeodesicOrigin origin(kUser.coordinate);
        double sum = 0;
        for (const Location& place : list)
            sum += origin.distanceTo(place.coordinate) + arquorel::bearing(kUser, place);
        benchmark::DoNotOptimize(sum);
    }
    perPlace(state);
}
BENCHMARK(BM_DistanceAndAzimuth);

// The same values from one pass that shares the trigonometry of the two.
void BM_DistanceAndAzimuthShared(benchmark::State& state) {
    const auto& list = places();
    for (auto _ : state) {
        const arquorel::UserOrigin origin(kUser);
        double sum = 0;
        for (const Location& place : list) {
            const auto m = origin.measure(place);
            sum += m.distance + m.azimuth;
        }
        benchmark::DoNotOptimize(sum);
    }
    perPlace(state);
}
BENCHMARK(BM_DistanceAndAzimuthShared);

// The same with each place's own trigonometry done once, as for places that stay put while the
// user moves.
void BM_DistanceAndAzimuthPoints(benchmark::State& state) {
    std::vector<arquorel::GeodesicPoint> points;
    for (const Location& place : places()) points.emplace_back(place.coordinate);
    for (auto _ : state) {
        const arquorel::UserOrigin origin(kUser);
        double sum = 0;
        for (const auto& point : points) {
            const auto m = origin.measure(point);
            sum += m.distance + m.azimuth;
        }
        benchmark::DoNotOptimize(sum);
    }
    perPlace(state);
}
BENCHMARK(BM_DistanceAndAzimuthPoints);

void BM_Distance(benchmark::State& state) {
    const auto& list = places();
    for (auto _ : state) {
        const arquorel::GeodesicOrigin origin(kUser.coordinate);
        double sum = 0;
        for (const Location& place : list) sum += origin.distanceTo(place.coordinate);
        benchmark::DoNotOptimize(sum);
    }
    perPlace(state);
}
BENCHMARK(BM_Distance);

void BM_Azimuth(benchmark::State& state) {
    const auto& list = places();
    for (auto _ : state) {
        double sum = 0;
        for (const Location& place : list) sum += arquorel::bearing(kUser, place);
        benchmark::DoNotOptimize(sum);
    }
    perPlace(state);
}
BENCHMARK(BM_Azimuth);

void BM_ExactInverse(benchmark::State& state) {
    const auto& list = places();
    const auto& exact = GeographicLib::GeodesicExact::WGS84();
    for (auto _ : state) {
        double sum = 0;
        for (const Location& place : list) {
            double metres = 0;
            exact.Inverse(kUser.latitude(), kUser.longitude(), place.latitude(), place.longitude(),
                          metres);
            sum += metres;
        }
        benchmark::DoNotOptimize(sum);
    }
    perPlace(state);
}
BENCHMARK(BM_ExactInverse)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
