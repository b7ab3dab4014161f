#pragma once
// The simulated device's own map application: it records every launch.

#include <vector>

#include "arquorel/platform/maps/MapItem.h"

namespace arquorel::sim {

class SimMapsApplication final : public MapsApplication {
  public:
    bool open(const MapsLaunch& launch) override {
        launches_.push_back(launch);
        return true;
    }
    const std::vector<MapsLaunch>& launches() const { return launches_; }

  private:
    std::vector<MapsLaunch> launches_;
};

}  // namespace arquorel::sim
