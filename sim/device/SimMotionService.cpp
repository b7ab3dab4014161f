#include "sim/device/SimMotionService.h"

#include "arquorel/platform/runtime/OperationQueue.h"
#include "arquorel/platform/runtime/PlatformContext.h"

namespace arquorel::sim {

namespace {
// Scripted samples land on exact multiples of their period; a sample a hair early (rounding of
// the clock) still counts as due.
constexpr double kTimeTolerance = 1e-6;
}  // namespace

void SimMotionService::setAccelerometerAvailable(bool available) {
    available_ = available;
    if (!available_) stopAccelerometerUpdates();
}

void SimMotionService::start(OperationQueue* queue, AccelerometerHandler handler) {
    if (!available_) return;
    if (!active_) latest_.reset();
    active_ = true;
    queue_ = queue;
    handler_ = std::move(handler);
    lastPush_.reset();
}

void SimMotionService::startAccelerometerUpdates() {
    start(nullptr, nullptr);
}

void SimMotionService::startAccelerometerUpdates(OperationQueue& queue,
                                                 AccelerometerHandler handler) {
    start(&queue, std::move(handler));
}

void SimMotionService::stopAccelerometerUpdates() {
    active_ = false;
    latest_.reset();
    queue_ = nullptr;
    handler_ = nullptr;
    lastPush_.reset();
}

std::optional<Acceleration> SimMotionService::accelerometerData() const {
    if (!active_) return std::nullopt;
    return latest_;
}

bool SimMotionService::push(const std::optional<Acceleration>& sample,
                            const std::optional<MotionError>& error) {
    if (!handler_ || !queue_) return false;
    const double now = platformContext().now();
    if (lastPush_ && now - *lastPush_ < accelerometerUpdateInterval() - kTimeTolerance)
        return false;
    lastPush_ = now;
    ++pushed_;
    queue_->addOperation([handler = handler_, sample, error] { handler(sample, error); });
    return true;
}

bool SimMotionService::deliverAcceleration(const Acceleration& sample) {
    if (!active_) return false;
    latest_ = sample;
    ++delivered_;
    push(sample, std::nullopt);
    return true;
}

bool SimMotionService::deliverError(const MotionError& error) {
    if (!active_) return false;
    return push(std::nullopt, error);
}

}  // namespace arquorel::sim
