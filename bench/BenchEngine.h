#pragma once
// What the engine benchmarks share: a controller that hands the presenter a status and a data
// source making plain card views, and a loop that times a rebuild and lets the phone run on
// (untimed) between rebuilds, so that the fades and re-marks a rebuild queues end as they would.
#include <benchmark/benchmark.h>

#include <memory>

#include "arquorel/arcore/ARAnnotationView.h"
#include "arquorel/arcore/ARDataSource.h"
#include "arquorel/arcore/ARPresenter.h"
#include "sim/device/SimPlatform.h"

namespace arquorel::bench {

class Controller : public ARController {
  public:
    ARStatus status;
    std::shared_ptr<ARDataSource> source;
    const ARStatus& arStatus() const override { return status; }
    std::shared_ptr<ARDataSource> dataSource() const override { return source; }
};

class Card : public ARAnnotationView {
  public:
    bool isCard() const override { return true; }
};

class Source : public ARDataSource {
  public:
    std::shared_ptr<ARAnnotationView> viewForAnnotation(
        ARController&, const std::shared_ptr<ARAnnotation>&) override {
        return ARAnnotationView::make<Card>();
    }
};

// Times an annotationsChanged rebuild per iteration; 0.3 s of the phone's time pass between.
inline void timeRebuilds(benchmark::State& state, sim::SimPlatform& device, ARPresenter& presenter,
                         const ARPresenter::AnnotationList& annotations) {
    for (auto _ : state) {
        presenter.reload(annotations, ReloadType::annotationsChanged);
        state.PauseTiming();
        device.advance(0.3);
        state.ResumeTiming();
    }
    state.counters["active"] = static_cast<double>(presenter.activeAnnotations().size());
}

}  // namespace arquorel::bench
