#include "sim/device/SimDirections.h"

#include "arquorel/platform/maps/pack/WalkingRouter.h"
#include "arquorel/platform/runtime/PlatformContext.h"

namespace arquorel::sim {

void SimDirections::calculate(const DirectionsRequest& request, Completion completion) {
    ++state_->requests;
    DirectionsResponse response;
    switch (state_->mode) {
        case SimDirectionsMode::answer:
            if (state_->router) {
                PackDirections(state_->router).calculate(request, std::move(completion));
                return;
            }
            break;  // no map data: no route
        case SimDirectionsMode::error:
            response.error = kSimDirectionsError;
            break;
        case SimDirectionsMode::none:
            break;
        case SimDirectionsMode::offline:
            ++state_->unanswered;
            return;
    }
    platformContext().mainLoop().async(
        [response = std::move(response), completion = std::move(completion)] {
            if (completion) completion(response);
        });
}

}  // namespace arquorel::sim
