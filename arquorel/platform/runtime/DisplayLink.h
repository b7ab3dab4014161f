#pragma once
// Calls its target once per display refresh on the main loop while it is added and valid.

#include <functional>
#include <memory>

namespace arquorel {

class Timer;

class DisplayLink {
  public:
    static constexpr double kFramesPerSecond = 60.0;

    explicit DisplayLink(std::function<void()> target);
    ~DisplayLink();
    DisplayLink(const DisplayLink&) = delete;
    DisplayLink& operator=(const DisplayLink&) = delete;

    // Starts calling the target on the platform's main loop.
    void add();
    // Stops for good.
    void invalidate();
    bool isRunning() const;

  private:
    // Shared with the running timer, so the link may be destroyed from inside its own target.
    std::shared_ptr<const std::function<void()>> target_;
    std::shared_ptr<Timer> timer_;
    bool invalidated_ = false;
};

}  // namespace arquorel
