#pragma once
// A simulated accelerometer: samples handed in by the test or a sensor script become the
// latest reading while updates are active and, when a handler was given, are pushed to it
// through its operation queue.

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
    int deliveredSampleCount() const { return delivered_; }

  private:
    bool available_ = true;
    bool active_ = false;
    std::optional<Acceleration> latest_;
    OperationQueue* queue_ = nullptr;
    AccelerometerHandler handler_;
    int delivered_ = 0;
};

}  // namespace arquorel::sim
