#pragma once
// The simulated device's directions service. It answers walking routes through the router of
// the installed map pack, on the main loop, and can be told to answer with an error, with no
// route, or never (offline: the request is kept and nothing comes back).

#include <memory>
#include <string>

#include "arquorel/platform/maps/Directions.h"

namespace arquorel {
class MapPack;
class WalkingRouter;
}  // namespace arquorel

namespace arquorel::sim {

enum class SimDirectionsMode {
    answer,   // the pack router's route; no route without a pack or outside its area
    error,    // every request fails with kSimDirectionsError
    none,     // every request is answered without a route
    offline,  // no request is ever answered
};
inline constexpr const char* kSimDirectionsError = "The directions service failed";

// What every directions object of one device shares.
struct SimDirectionsState {
    SimDirectionsMode mode = SimDirectionsMode::answer;
    std::shared_ptr<const WalkingRouter> router;
    int requests = 0;    // requests received
    int unanswered = 0;  // requests kept without an answer (offline)
};

class SimDirections final : public Directions {
  public:
    explicit SimDirections(std::shared_ptr<SimDirectionsState> state) : state_(std::move(state)) {}
    void calculate(const DirectionsRequest& request, Completion completion) override;

  private:
    std::shared_ptr<SimDirectionsState> state_;
};

}  // namespace arquorel::sim
