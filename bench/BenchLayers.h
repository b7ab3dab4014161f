#pragma once
// The retained layers' counters the frame benchmarks report: layers drawn (again) a frame and
// the megabytes they hold.
#include <benchmark/benchmark.h>

#include "arquorel/platform/drawing/LayerStore.h"

namespace arquorel::bench {

inline void layerCounters(benchmark::State& state, const LayerStore& layers) {
    const auto& stats = layers.stats();
    state.counters["redrawsAFrame"] =
        static_cast<double>(stats.redraws) / static_cast<double>(stats.frames);
    state.counters["layerMB"] = static_cast<double>(layers.bytes()) / (1 << 20);
}

}  // namespace arquorel::bench
