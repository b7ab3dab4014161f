#include "arquorel/platform/runtime/DisplayLink.h"

#include "arquorel/platform/runtime/Timer.h"

namespace arquorel {

DisplayLink::DisplayLink(std::function<void()> target) : target_(std::move(target)) {}

DisplayLink::~DisplayLink() {
    invalidate();
}

void DisplayLink::add() {
    if (invalidated_ || timer_) return;
    timer_ = Timer::scheduled(1.0 / kFramesPerSecond, true, [this](Timer&) {
        if (target_) target_();
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
