#include "arquorel/platform/ui/Control.h"

#include <cmath>

namespace arquorel {

void Control::addAction(ControlEvent event, Action action) {
    if (action) actions_.emplace_back(event, std::move(action));
}

void Control::removeActions(ControlEvent event) {
    std::erase_if(actions_, [event](const auto& a) { return a.first == event; });
}

void Control::sendActions(ControlEvent event) {
    auto keep = shared_from_this();  // an action may remove the control
    const auto actions = actions_;
    for (const auto& [e, action] : actions)
        if (e == event) action(*this);
}

void Control::setEnabled(bool enabled) {
    if (enabled == enabled_) return;
    enabled_ = enabled;
    setNeedsDisplay();
    stateDidChange();
}

void Control::setSelected(bool selected) {
    if (selected == selected_) return;
    selected_ = selected;
    setNeedsDisplay();
    stateDidChange();
}

void Control::setHighlighted(bool highlighted) {
    if (highlighted == highlighted_) return;
    highlighted_ = highlighted;
    setNeedsDisplay();
    stateDidChange();
}

unsigned Control::state() const {
    unsigned s = 0;
    if (highlighted_) s |= static_cast<unsigned>(ControlState::highlighted);
    if (!enabled_) s |= static_cast<unsigned>(ControlState::disabled);
    if (selected_) s |= static_cast<unsigned>(ControlState::selected);
    return s;
}

bool Control::isTouchInside(const Touch& touch) const {
    const auto p = touch.locationIn(*this);
    const auto b = bounds();
    return p.x >= b.minX() - kTouchSlop && p.x <= b.maxX() + kTouchSlop &&
           p.y >= b.minY() - kTouchSlop && p.y <= b.maxY() + kTouchSlop;
}

void Control::touchesBegan(const Touch& touch) {
    if (!enabled_) return;
    tracking_ = true;
    setHighlighted(true);
    sendActions(ControlEvent::touchDown);
    beginTracking(touch);
}

void Control::touchesMoved(const Touch& touch) {
    if (!tracking_) return;
    setHighlighted(isTouchInside(touch));
    continueTracking(touch);
}

void Control::touchesEnded(const Touch& touch) {
    if (!tracking_) return;
    tracking_ = false;
    setHighlighted(false);
    endTracking(touch);
    sendActions(isTouchInside(touch) ? ControlEvent::touchUpInside : ControlEvent::touchUpOutside);
}

void Control::touchesCancelled(const Touch&) {
    if (!tracking_) return;
    tracking_ = false;
    setHighlighted(false);
    sendActions(ControlEvent::touchCancel);
}

}  // namespace arquorel
