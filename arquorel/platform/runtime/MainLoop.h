#pragma once
// The main run loop and its queue. Every callback, timer and animation completion runs here,
// in order of due time (ties in order of submission). Whoever drives the loop (the simulated
// device in tests, a real backend otherwise) calls runDue() when time has moved.

#include <cstdint>
#include <functional>
#include <optional>
#include <queue>
#include <vector>

namespace arquorel {

class Clock;

class MainLoop {
  public:
    explicit MainLoop(const Clock& clock);
    MainLoop(const MainLoop&) = delete;
    MainLoop& operator=(const MainLoop&) = delete;

    // Runs the work on the main loop as soon as possible (after work already queued).
    void async(std::function<void()> work);
    // Runs the work once `delay` seconds have passed.
    void asyncAfter(double delay, std::function<void()> work);

    // Work due at most this long after the current time counts as due. Wall time near today's
    // date has a resolution of about 0.24 microseconds in a double, so a delay reached in
    // several steps (0.1 s then 0.1 s for a 0.2 s delay) can land a rounding step short.
    static constexpr double kDueTolerance = 1e-6;

    // Runs everything that is due at the clock's current time, including work that becomes due
    // while running. Returns the number of items run.
    std::size_t runDue();
    // The due time of the earliest queued item.
    std::optional<double> nextDueTime() const;
    std::size_t pendingCount() const { return queue_.size(); }
    // Drops every queued item without running it (work queued while dropping goes too).
    void clear();

    const Clock& clock() const { return clock_; }

  private:
    struct Item {
        double due;
        std::uint64_t seq;
        std::function<void()> work;
    };
    struct Later {
        bool operator()(const Item& a, const Item& b) const {
            return a.due != b.due ? a.due > b.due : a.seq > b.seq;
        }
    };
    const Clock& clock_;
    std::priority_queue<Item, std::vector<Item>, Later> queue_;
    std::uint64_t nextSeq_ = 0;
};

}  // namespace arquorel
