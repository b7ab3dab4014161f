#include "arquorel/platform/camera/CaptureSession.h"

#include <algorithm>

namespace arquorel {

bool CaptureSession::canAddInput(const CaptureInput& input) const {
    return std::none_of(inputs_.begin(), inputs_.end(),
                        [&](const auto& added) { return added.get() == &input; });
}

bool CaptureSession::addInput(std::shared_ptr<CaptureInput> input) {
    if (!input || !canAddInput(*input)) return false;
    inputs_.push_back(std::move(input));
    return true;
}

void CaptureSession::removeInput(const CaptureInput& input) {
    std::erase_if(inputs_, [&](const auto& added) { return added.get() == &input; });
}

}  // namespace arquorel
