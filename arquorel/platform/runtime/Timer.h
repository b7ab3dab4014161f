#pragma once
// One-shot and repeating timers on the main loop. A timer fires until it is invalidated;
// dropping the last reference does not stop a scheduled timer, invalidate() does.

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

    void invalidate() { valid_ = false; }
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
    std::function<void(Timer&)> action_;
};

}  // namespace arquorel
