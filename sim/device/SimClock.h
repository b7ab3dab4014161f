#pragma once
// A clock that only moves when told.

#include "arquorel/platform/runtime/Clock.h"

namespace arquorel::sim {

class SimClock final : public Clock {
  public:
    // 2026-06-01T10:00:00Z, the start of the bundled walk.
    static constexpr double kDefaultStart = 1780308000.0;

    explicit SimClock(double start = kDefaultStart) : now_(start) {}
    double now() const override { return now_; }
    void set(double time) { now_ = time; }

  private:
    double now_;
};

}  // namespace arquorel::sim
