#include "arquorel/platform/ui/GestureRecognizer.h"

#include <cmath>

#include "arquorel/platform/runtime/PlatformContext.h"
#include "arquorel/platform/ui/HitTest.h"
#include "arquorel/platform/ui/View.h"

namespace arquorel {

namespace {
bool recognizing(GestureState s) {
    return s == GestureState::began || s == GestureState::changed || s == GestureState::ended;
}
bool finished(GestureState s) {
    return s == GestureState::ended || s == GestureState::cancelled || s == GestureState::failed;
}
}  // namespace

GestureRecognizer::GestureRecognizer(Action action) {
    if (action) actions_.push_back(std::move(action));
}

GestureRecognizer::~GestureRecognizer() = default;

void GestureRecognizer::addTarget(Action action) {
    if (action) actions_.push_back(std::move(action));
}

std::shared_ptr<View> GestureRecognizer::view() const {
    // The handle lives as long as the view object; owning it needs the view's own count,
    // which is already zero while the view is being destroyed.
    const auto handle = view_.lock();
    return handle ? handle->weak_from_this().lock() : nullptr;
}

Point GestureRecognizer::locationInView(const View* view) const {
    const auto attached = this->view();
    if (!view) view = attached.get();
    if (!view) return touch_.location;
    return touch_.locationIn(*view);
}

bool GestureRecognizer::hasRecognized() const {
    return recognizing(state_) || state_ == GestureState::cancelled;
}

void GestureRecognizer::setState(GestureState state) {
    if (state_ == GestureState::possible && recognizing(state) && gate_ && !gate_(*this))
        state = GestureState::failed;
    state_ = state;
    if (state == GestureState::possible || state == GestureState::failed) return;
    // Actions act on the view: none once it is gone (a timer or the window may still end the
    // gesture after the view's screen was freed).
    if (!view()) return;
    auto keep = shared_from_this();  // an action may detach it
    const auto actions = actions_;
    for (const auto& action : actions) action(*this);
}

void GestureRecognizer::touchBegan(const Touch& touch) {
    touch_ = touch;
    if (state_ == GestureState::possible) began(touch);
}

void GestureRecognizer::touchMoved(const Touch& touch) {
    touch_ = touch;
    if (!finished(state_)) moved(touch);
}

void GestureRecognizer::touchEnded(const Touch& touch) {
    touch_ = touch;
    if (!finished(state_)) ended(touch);
}

void GestureRecognizer::touchCancelled(const Touch& touch) {
    touch_ = touch;
    if (state_ == GestureState::began || state_ == GestureState::changed)
        setState(GestureState::cancelled);
    else if (state_ == GestureState::possible)
        state_ = GestureState::failed;
}

void GestureRecognizer::fail() {
    if (state_ == GestureState::began || state_ == GestureState::changed)
        setState(GestureState::cancelled);
    else if (state_ == GestureState::possible)
        state_ = GestureState::failed;
}

void GestureRecognizer::reset() {
    state_ = GestureState::possible;
    gate_ = nullptr;
    resetState();
}

// --- Tap ---------------------------------------------------------------------------------

void TapGestureRecognizer::moved(const Touch& touch) {
    if (touch.distanceMoved() > kAllowableMovement) setState(GestureState::failed);
}

void TapGestureRecognizer::ended(const Touch& touch) {
    setState(touch.distanceMoved() > kAllowableMovement ? GestureState::failed
                                                        : GestureState::ended);
}

// --- Swipe -------------------------------------------------------------------------------

SwipeGestureRecognizer::SwipeGestureRecognizer(Action action, SwipeDirection direction)
    : GestureRecognizer(std::move(action)), direction_(direction) {}

void SwipeGestureRecognizer::check(const Touch& touch) {
    const double dx = touch.location.x - touch.startLocation.x;
    const double dy = touch.location.y - touch.startLocation.y;
    if (touch.timestamp - touch.startTime > kMaximumDuration) {
        setState(GestureState::failed);
        return;
    }
    // Travel along the direction, and across it (which must stay smaller).
    double along = 0, across = 0;
    switch (direction_) {
        case SwipeDirection::right:
            along = dx, across = dy;
            break;
        case SwipeDirection::left:
            along = -dx, across = dy;
            break;
        case SwipeDirection::down:
            along = dy, across = dx;
            break;
        case SwipeDirection::up:
            along = -dy, across = dx;
            break;
    }
    if (along >= kMinimumDistance && std::abs(across) < along) setState(GestureState::ended);
}

void SwipeGestureRecognizer::moved(const Touch& touch) {
    check(touch);
}

void SwipeGestureRecognizer::ended(const Touch& touch) {
    check(touch);
    if (state() == GestureState::possible) setState(GestureState::failed);
}

// --- Long press --------------------------------------------------------------------------

LongPressGestureRecognizer::~LongPressGestureRecognizer() {
    if (timer_) timer_->invalidate();
}

void LongPressGestureRecognizer::began(const Touch&) {
    if (timer_) timer_->invalidate();
    std::weak_ptr<GestureRecognizer> weak = weak_from_this();
    timer_ = Timer::scheduled(minimumPressDuration_, false, [weak](Timer&) {
        auto self = weak.lock();
        if (self && self->state() == GestureState::possible) {
            static_cast<LongPressGestureRecognizer&>(*self).setState(GestureState::began);
        }
    });
}

void LongPressGestureRecognizer::moved(const Touch& touch) {
    if (state() == GestureState::possible) {
        if (touch.distanceMoved() > kAllowableMovement) {
            if (timer_) timer_->invalidate();
            setState(GestureState::failed);
        }
    } else {
        setState(GestureState::changed);
    }
}

void LongPressGestureRecognizer::ended(const Touch&) {
    if (timer_) timer_->invalidate();
    setState(state() == GestureState::possible ? GestureState::failed : GestureState::ended);
}

void LongPressGestureRecognizer::resetState() {
    if (timer_) timer_->invalidate();
    timer_.reset();
}

// --- Pan ---------------------------------------------------------------------------------

Point PanGestureRecognizer::translation() const {
    if (state() == GestureState::possible || state() == GestureState::failed) return {};
    return {lastTouch().location.x - origin_.x, lastTouch().location.y - origin_.y};
}

void PanGestureRecognizer::setTranslation(Point translation) {
    origin_ = {lastTouch().location.x - translation.x, lastTouch().location.y - translation.y};
}

void PanGestureRecognizer::began(const Touch& touch) {
    previous_ = touch.location;
    previousTime_ = touch.timestamp;
}

void PanGestureRecognizer::moved(const Touch& touch) {
    const double dt = touch.timestamp - previousTime_;
    if (dt > 0) {
        velocity_ = {(touch.location.x - previous_.x) / dt, (touch.location.y - previous_.y) / dt};
    }
    previous_ = touch.location;
    previousTime_ = touch.timestamp;
    if (state() == GestureState::possible) {
        if (touch.distanceMoved() > kSlop) {
            origin_ = touch.startLocation;
            setState(GestureState::began);
        }
    } else {
        setState(GestureState::changed);
    }
}

void PanGestureRecognizer::ended(const Touch&) {
    setState(state() == GestureState::possible ? GestureState::failed : GestureState::ended);
}

void PanGestureRecognizer::resetState() {
    origin_ = {};
    velocity_ = {};
    previous_ = {};
    previousTime_ = 0;
}

}  // namespace arquorel
