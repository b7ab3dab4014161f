#include "sim/device/SimMotionService.h"

#include "arquorel/platform/runtime/OperationQueue.h"

namespace arquorel::sim {

void SimMotionService::setAccelerometerAvailable(bool available) {
    available_ = available;
    if (!available_) stopAccelerometerUpdates();
}

void SimMotionService::startAccelerometerUpdates() {
    if (!available_) return;
    if (!active_) latest_.reset();
    active_ = true;
    queue_ = nullptr;
    handler_ = nullptr;
}

void SimMotionService::startAccelerometerUpdates(OperationQueue& queue,
                                                 AccelerometerHandler handler) {
    if (!available_) return;
    if (!active_) latest_.reset();
    active_ = true;
    queue_ = &queue;
    handler_ = std::move(handler);
}

void SimMotionService::stopAccelerometerUpdates() {
    active_ = false;
    latest_.reset();
    queue_ = nullptr;
    handler_ = nullptr;
}

std::optional<Acceleration> SimMotionService::accelerometerData() const {
    if (!active_) return std::nullopt;
    return latest_;
}

bool SimMotionService::deliverAcceleration(const Acceleration& sample) {
    if (!active_) return false;
    latest_ = sample;
    ++delivered_;
    if (handler_ && queue_) queue_->addOperation([handler = handler_, sample] { handler(sample); });
    return true;
}

}  // namespace arquorel::sim
