#pragma once
// The accelerometer: polled for its latest sample or pushing samples onto a queue. A pushed
// update carries either a sample or an error (the sensor failed to give one), never both, and
// updates come no more often than the update interval asks.

#include <functional>
#include <optional>
#include <string>

#include "arquorel/platform/sensors/Readings.h"

namespace arquorel {

class OperationQueue;

struct MotionError {
    std::string message;
    friend bool operator==(const MotionError&, const MotionError&) = default;
};

class MotionService {
  public:
    using AccelerometerHandler =
        std::function<void(const std::optional<Acceleration>&, const std::optional<MotionError>&)>;
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

    // Seconds between pushed updates at the least; a negative or non-finite request is taken
    // as 0 (every sample).
    double accelerometerUpdateInterval() const { return updateInterval_; }
    void setAccelerometerUpdateInterval(double seconds) {
        updateInterval_ = seconds >= 0 && seconds < 1e9 ? seconds : 0;
    }

  private:
    double updateInterval_ = 0.01;
};

}  // namespace arquorel
