#include "sim/device/TouchDriver.h"

#include <cstdio>
#include <functional>

#include "arquorel/platform/ui/HitTest.h"
#include "arquorel/platform/ui/Window.h"
#include "sim/device/SimPlatform.h"

namespace arquorel::sim {

namespace {

std::string pointText(Point p) {
    char text[64];
    std::snprintf(text, sizeof text, "(%.1f, %.1f)", p.x, p.y);
    return text;
}

Point offset(Point p, SwipeDirection direction, double distance) {
    switch (direction) {
        case SwipeDirection::right:
            return {p.x + distance, p.y};
        case SwipeDirection::left:
            return {p.x - distance, p.y};
        case SwipeDirection::down:
            return {p.x, p.y + distance};
        case SwipeDirection::up:
            return {p.x, p.y - distance};
    }
    return p;
}

}  // namespace

TouchDriver::TouchDriver(SimPlatform& device, std::shared_ptr<Window> window)
    : device_(device), window_(std::move(window)) {}

std::shared_ptr<Window> TouchDriver::target() const {
    return window_ ? window_ : Window::keyWindow();
}

void TouchDriver::touch(TouchPhase phase, Point point) {
    if (phase == TouchPhase::began) current_ = target();
    if (!current_) return;
    current_->sendTouch(phase, point);
    if (phase == TouchPhase::ended) current_.reset();
}

void TouchDriver::touchAt(TouchPhase phase, Point point) {
    if (phase != TouchPhase::began && !current_) return;
    // A new finger cancels one still down, as the page's window does.
    if (phase == TouchPhase::began && current_) touch(TouchPhase::cancelled, point);
    touch(phase, point);
    if (phase == TouchPhase::cancelled) current_.reset();
}

void TouchDriver::tapAt(Point point) {
    touch(TouchPhase::began, point);
    device_.advance(kTapDuration);
    touch(TouchPhase::ended, point);
    device_.runPending();
}

void TouchDriver::drag(Point from, Point to, double duration, int steps) {
    if (steps < 1) steps = 1;
    touch(TouchPhase::began, from);
    for (int i = 1; i <= steps; ++i) {
        device_.advance(duration / steps);
        const double t = static_cast<double>(i) / steps;
        touch(TouchPhase::moved, {from.x + (to.x - from.x) * t, from.y + (to.y - from.y) * t});
    }
    touch(TouchPhase::ended, to);
    device_.runPending();
}

void TouchDriver::swipeAt(Point from, SwipeDirection direction, double distance) {
    drag(from, offset(from, direction, distance), kSwipeDuration, 6);
}

void TouchDriver::longPressAt(Point point, double duration) {
    touch(TouchPhase::began, point);
    device_.advance(duration);
    touch(TouchPhase::ended, point);
    device_.runPending();
}

TouchResult TouchDriver::aim(const View& view, const char* gesture, Point& where) const {
    const std::string name = std::string(gesture) + " on " + describeView(view);
    auto window = windowOf(view);
    if (!window) return {false, name + ": the view is not in a window"};
    if (window_ && window != window_) return {false, name + ": the view is in another window"};
    const auto b = view.bounds();
    where = convertToRoot(view, {b.midX(), b.midY()});
    auto hit = hitTest(*window, where);
    if (hit && (hit.get() == &view || hit->isDescendantOf(view))) return {};
    return {false, name + " at " + pointText(where) + " would hit " +
                       (hit ? describeView(*hit) : std::string("nothing")) + " instead"};
}

TouchResult TouchDriver::tap(const View& view) {
    Point where;
    auto result = aim(view, "tap", where);
    if (!result) return result;
    auto keep = windowOf(view);
    auto saved = window_;
    window_ = keep;
    tapAt(where);
    window_ = saved;
    return result;
}

TouchResult TouchDriver::tap(const std::string& identifier) {
    auto view = find(identifier);
    if (!view) return {false, "tap on '" + identifier + "': no view has that identifier"};
    return tap(*view);
}

TouchResult TouchDriver::swipe(const View& view, SwipeDirection direction, double distance) {
    Point where;
    auto result = aim(view, "swipe", where);
    if (!result) return result;
    auto saved = window_;
    window_ = windowOf(view);
    swipeAt(where, direction, distance);
    window_ = saved;
    return result;
}

TouchResult TouchDriver::longPress(const View& view, double duration) {
    Point where;
    auto result = aim(view, "long press", where);
    if (!result) return result;
    auto saved = window_;
    window_ = windowOf(view);
    longPressAt(where, duration);
    window_ = saved;
    return result;
}

std::shared_ptr<View> TouchDriver::find(const std::string& identifier) const {
    auto root = target();
    if (!root) return nullptr;
    std::function<std::shared_ptr<View>(const std::shared_ptr<View>&)> search =
        [&](const std::shared_ptr<View>& v) -> std::shared_ptr<View> {
        if (v->identifier() == identifier) return v;
        const auto& subs = v->subviews();
        for (auto it = subs.rbegin(); it != subs.rend(); ++it)
            if (auto found = search(*it)) return found;
        return nullptr;
    };
    return search(root);
}

}  // namespace arquorel::sim
