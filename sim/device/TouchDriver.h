#pragma once
// A finger for tests and scenarios: taps, swipes, long presses and drags on a window, in
// simulated time. Aiming at a view checks the aim: when the hit test at the view's centre finds
// neither the view nor one of its subviews, nothing is touched and the result names what the
// finger would have hit.

#include <memory>
#include <string>

#include "arquorel/platform/geometry/Geometry.h"
#include "arquorel/platform/ui/GestureRecognizer.h"

namespace arquorel {
class View;
class Window;
}  // namespace arquorel

namespace arquorel::sim {

class SimPlatform;

struct TouchResult {
    bool ok = true;
    std::string message;  // why it failed
    explicit operator bool() const { return ok; }
};

class TouchDriver {
  public:
    static constexpr double kTapDuration = 0.05;
    static constexpr double kSwipeDuration = 0.15;
    static constexpr double kSwipeDistance = 150;
    static constexpr double kLongPressDuration = 1.0;

    // Touches `window`, or the key window at the time of each touch when none is given.
    explicit TouchDriver(SimPlatform& device, std::shared_ptr<Window> window = nullptr);

    // At a point in window coordinates.
    void tapAt(Point point);
    void swipeAt(Point from, SwipeDirection direction, double distance = kSwipeDistance);
    void longPressAt(Point point, double duration = kLongPressDuration);
    // Down at `from`, `steps` even moves to `to` over `duration`, up.
    void drag(Point from, Point to, double duration = 0.3, int steps = 10);

    // One step of a finger's path, as a recording gives it; a move or lift without a finger
    // down touches nothing.
    void touchAt(TouchPhase phase, Point point);

    // Aimed at the centre of a view (or of the view with that identifier in the window).
    TouchResult tap(const View& view);
    TouchResult tap(const std::string& identifier);
    TouchResult swipe(const View& view, SwipeDirection direction, double distance = kSwipeDistance);
    TouchResult longPress(const View& view, double duration = kLongPressDuration);

    // The first view with that identifier in the window's tree, depth first, front to back.
    std::shared_ptr<View> find(const std::string& identifier) const;

  private:
    std::shared_ptr<Window> target() const;
    // The view's centre in its window, or the reason it cannot be touched there.
    TouchResult aim(const View& view, const char* gesture, Point& where) const;
    void touch(TouchPhase phase, Point point);

    SimPlatform& device_;
    std::shared_ptr<Window> window_;
    std::shared_ptr<Window> current_;  // the window of the gesture in progress
};

}  // namespace arquorel::sim
