#pragma once
// One-shot and repeating timers on the main loop. A timer fires until it is invalidated;
// dropping the last reference does not stop a scheduled timer, invalidate() does. Once a timer
// is invalid (invalidated, or a one-shot timer that fired) it releases its action, so objects
// the action captures are not kept alive by the timer.

#include <functional>
#include <memory>

namespace arquorel {

class MainLoop;

class Timer : public std::enable_shared_from_this<Timer> {
  public:
    static constexpr double kMinimumRepeatInterval = 0.001;

    // Schedules a timer on the platform's main loop.
    static std::shared_ptr<Timer> scheduled(double interval, bool repeats,
                                            std::function<void(Timer&)> action);
    static std::shared_ptr<Timer> scheduled(MainLoop& loop, double interval, bool repeats,
                                            std::function<void(Timer&)> action);

    void invalidate();
    bool isValid() const { return valid_; }
    double interval() const { return interval_; }
    bool repeats() const { return repeats_; }

    Timer(MainLoop& loop, double interval, bool repeats, std::function<void(Timer&)> action);

  private:
    void arm();
    void fire();

    MainLoop& loop_;
    double interval_;
    bool repeats_;
    bool valid_ = true;
    bool firing_ = false;
    std::function<void(Timer&)> action_;
};

}  // namespace arquorel
