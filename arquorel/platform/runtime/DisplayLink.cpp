#include "arquorel/platform/runtime/DisplayLink.h"

#include "arquorel/platform/runtime/Timer.h"

namespace arquorel {

DisplayLink::DisplayLink(std::function<void()> target)
    : target_(std::make_shared<const std::function<void()>>(std::move(target))) {}

DisplayLink::~DisplayLink() {
    invalidate();
}

void DisplayLink::add() {
    if (invalidated_ || timer_) return;
    timer_ = Timer::scheduled(1.0 / kFramesPerSecond, true, [target = target_](Timer&) {
        if (*target) (*target)();
    });
}

void DisplayLink::invalidate() {
    invalidated_ = true;
    if (timer_) timer_->invalidate();
    timer_.reset();
}

bool DisplayLink::isRunning() const {
    return timer_ && timer_->isValid();
}

}  // namespace arquorel
