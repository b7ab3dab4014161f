#pragma once
// The accelerometer: polled for its latest sample or pushing samples onto a queue.

#include <functional>
#include <optional>

#include "arquorel/platform/sensors/Readings.h"

namespace arquorel {

class OperationQueue;

class MotionService {
  public:
    using AccelerometerHandler = std::function<void(const Acceleration&)>;
    virtual ~MotionService() = default;

    virtual bool isAccelerometerAvailable() const = 0;
    virtual bool isAccelerometerActive() const = 0;
    // Samples are recorded and readable through accelerometerData().
    virtual void startAccelerometerUpdates() = 0;
    // Samples are also handed to the handler on the given queue.
    virtual void startAccelerometerUpdates(OperationQueue& queue, AccelerometerHandler handler) = 0;
    virtual void stopAccelerometerUpdates() = 0;
    // The latest sample since updates started; none before the first one.
    virtual std::optional<Acceleration> accelerometerData() const = 0;

    double accelerometerUpdateInterval() const { return updateInterval_; }
    void setAccelerometerUpdateInterval(double seconds) { updateInterval_ = seconds; }

  private:
    double updateInterval_ = 0.01;
};

}  // namespace arquorel
