#include "arquorel/platform/runtime/Timer.h"

#include "arquorel/platform/runtime/MainLoop.h"
#include "arquorel/platform/runtime/PlatformContext.h"

namespace arquorel {

Timer::Timer(MainLoop& loop, double interval, bool repeats, std::function<void(Timer&)> action)
    : loop_(loop),
      interval_(interval > 0 ? interval : 0),
      repeats_(repeats),
      action_(std::move(action)) {
    // A repeating timer needs a positive interval, or it would keep the loop busy for ever.
    if (repeats_ && interval_ < kMinimumRepeatInterval) interval_ = kMinimumRepeatInterval;
}

std::shared_ptr<Timer> Timer::scheduled(double interval, bool repeats,
                                        std::function<void(Timer&)> action) {
    return scheduled(platformContext().mainLoop(), interval, repeats, std::move(action));
}

std::shared_ptr<Timer> Timer::scheduled(MainLoop& loop, double interval, bool repeats,
                                        std::function<void(Timer&)> action) {
    auto timer = std::make_shared<Timer>(loop, interval, repeats, std::move(action));
    timer->arm();
    return timer;
}

void Timer::arm() {
    // The queued work keeps the timer alive until it fires, as a run loop retains its timers.
    loop_.asyncAfter(interval_, [self = shared_from_this()] { self->fire(); });
}

void Timer::invalidate() {
    valid_ = false;
    // The action may be the caller; it is released when it returns.
    if (!firing_) action_ = nullptr;
}

void Timer::fire() {
    if (!valid_) return;
    if (!repeats_) valid_ = false;
    if (action_) {
        firing_ = true;
        action_(*this);
        firing_ = false;
    }
    if (!valid_) {
        action_ = nullptr;
        return;
    }
    if (repeats_) arm();
}

}  // namespace arquorel
