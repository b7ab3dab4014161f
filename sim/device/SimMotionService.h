#pragma once
// A simulated accelerometer: samples handed in by the test or a sensor script become the
// latest reading while updates are active and, when a handler was given, are pushed to it
// through its operation queue, no more often than the update interval asks (samples that come
// sooner are recorded but not pushed). Errors are pushed the same way, without a sample.

#include <optional>

#include "arquorel/platform/sensors/MotionService.h"

namespace arquorel::sim {

class SimMotionService final : public MotionService {
  public:
    bool isAccelerometerAvailable() const override { return available_; }
    void setAccelerometerAvailable(bool available);

    bool isAccelerometerActive() const override { return active_; }
    void startAccelerometerUpdates() override;
    void startAccelerometerUpdates(OperationQueue& queue, AccelerometerHandler handler) override;
    void stopAccelerometerUpdates() override;
    // The latest sample since updates started; none while inactive or before the first sample.
    std::optional<Acceleration> accelerometerData() const override;

    // Records a sample when active; returns whether it was taken.
    bool deliverAcceleration(const Acceleration& sample);
    // The sensor fails to give a sample: pushed to the handler as an error when active, due and
    // a handler was given; returns whether it was pushed.
    bool deliverError(const MotionError& error);
    int deliveredSampleCount() const { return delivered_; }
    // Updates handed to the handler's queue (samples and errors).
    int pushedUpdateCount() const { return pushed_; }

  private:
    void start(OperationQueue* queue, AccelerometerHandler handler);
    bool push(const std::optional<Acceleration>& sample, const std::optional<MotionError>& error);

    bool available_ = true;
    bool active_ = false;
    std::optional<Acceleration> latest_;
    OperationQueue* queue_ = nullptr;
    AccelerometerHandler handler_;
    std::optional<double> lastPush_;  // when the handler's last update was pushed
    int delivered_ = 0;
    int pushed_ = 0;
};

}  // namespace arquorel::sim
