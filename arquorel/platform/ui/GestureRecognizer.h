#pragma once
// Gesture recognisers: attached to a view, they watch the touches that begin in it (or in its
// subviews) and report a gesture to their actions.
//
// Discrete gestures (tap, swipe) go from possible to ended (recognised) or failed; continuous
// ones (long press, pan) go possible -> began -> changed... -> ended or cancelled. Actions run
// on every change to began, changed, ended or cancelled. All recognisers of one touch compete:
// the first to leave `possible` wins and the others fail (a pan moved past its slop thus beats
// a tap, and a long press held long enough beats both). After the touch they are reset to
// possible.
//
// A recogniser refers to its view weakly and runs its actions only while that view lives: an
// action reaches the view through the recogniser (view(), or the forView helper), never
// through a pointer captured when the recogniser was made. The window cancels a touch whose
// view has left it, so a screen closing under a finger gets no tap or pan afterwards.

#include <functional>
#include <memory>
#include <vector>

#include "arquorel/platform/geometry/Geometry.h"
#include "arquorel/platform/runtime/Timer.h"
#include "arquorel/platform/ui/Touch.h"

namespace arquorel {

class View;

enum class GestureState { possible, began, changed, ended, cancelled, failed };

class GestureRecognizer : public std::enable_shared_from_this<GestureRecognizer> {
  public:
    using Action = std::function<void(GestureRecognizer&)>;

    explicit GestureRecognizer(Action action = {});
    virtual ~GestureRecognizer();
    GestureRecognizer(const GestureRecognizer&) = delete;
    GestureRecognizer& operator=(const GestureRecognizer&) = delete;

    void addTarget(Action action);
    GestureState state() const { return state_; }
    // The view it is attached to; none once detached or while that view is being destroyed.
    std::shared_ptr<View> view() const;
    bool isEnabled() const { return enabled_; }
    void setEnabled(bool enabled) { enabled_ = enabled; }
    // When it recognises, the touched view's own touch handling is cancelled.
    bool cancelsTouchesInView() const { return cancelsTouchesInView_; }
    void setCancelsTouchesInView(bool cancels) { cancelsTouchesInView_ = cancels; }
    // Where the touch is, in the view's bounds coordinates (the attached view by default).
    Point locationInView(const View* view = nullptr) const;

    // Called by the window's touch routing.
    void touchBegan(const Touch& touch);
    void touchMoved(const Touch& touch);
    void touchEnded(const Touch& touch);
    void touchCancelled(const Touch& touch);
    // An action running `method` on the attached view when it is a V (nothing otherwise).
    template <class V>
    static Action forView(void (V::*method)(GestureRecognizer&)) {
        return [method](GestureRecognizer& recognizer) {
            if (auto view = std::dynamic_pointer_cast<V>(recognizer.view()))
                ((*view).*method)(recognizer);
        };
    }
    // Makes it fail (another recogniser won the touch).
    void fail();
    // Back to possible, ready for the next touch.
    void reset();
    // Whether it has left `possible` for a recognising state.
    bool hasRecognized() const;

    // Set by View::addGestureRecognizer: a handle that expires with the view.
    void attach(std::weak_ptr<View> view) { view_ = std::move(view); }
    // Asked before it leaves `possible` for a recognising state; when the answer is false
    // (another recogniser won the touch) it fails instead. Set by the window for one touch.
    void setArenaGate(std::function<bool(GestureRecognizer&)> gate) { gate_ = std::move(gate); }

  protected:
    virtual void began(const Touch&) {}
    virtual void moved(const Touch&) {}
    virtual void ended(const Touch&) {}
    virtual void resetState() {}
    // Moves to `state` and runs the actions for a recognising state.
    void setState(GestureState state);
    const Touch& lastTouch() const { return touch_; }

  private:
    std::weak_ptr<View> view_;
    std::vector<Action> actions_;
    std::function<bool(GestureRecognizer&)> gate_;
    GestureState state_ = GestureState::possible;
    bool enabled_ = true;
    bool cancelsTouchesInView_ = true;
    Touch touch_;
};

// A short touch that does not move far: recognised when the finger lifts.
class TapGestureRecognizer : public GestureRecognizer {
  public:
    using GestureRecognizer::GestureRecognizer;
    static constexpr double kAllowableMovement = 10;  // points

  protected:
    void moved(const Touch& touch) override;
    void ended(const Touch& touch) override;
};

enum class SwipeDirection { right = 1, left = 2, up = 4, down = 8 };

// A quick stroke in one of its directions: recognised once the finger has travelled
// kMinimumDistance mostly along that direction within kMaximumDuration.
class SwipeGestureRecognizer : public GestureRecognizer {
  public:
    explicit SwipeGestureRecognizer(Action action = {},
                                    SwipeDirection direction = SwipeDirection::right);
    static constexpr double kMinimumDistance = 50;
    static constexpr double kMaximumDuration = 0.5;

    SwipeDirection direction() const { return direction_; }
    void setDirection(SwipeDirection direction) { direction_ = direction; }

  protected:
    void moved(const Touch& touch) override;
    void ended(const Touch& touch) override;

  private:
    void check(const Touch& touch);
    SwipeDirection direction_;
};

// A touch held still for minimumPressDuration: began then, changed on moves, ended on lift.
class LongPressGestureRecognizer : public GestureRecognizer {
  public:
    using GestureRecognizer::GestureRecognizer;
    ~LongPressGestureRecognizer() override;
    static constexpr double kAllowableMovement = 10;

    double minimumPressDuration() const { return minimumPressDuration_; }
    void setMinimumPressDuration(double seconds) { minimumPressDuration_ = seconds; }

  protected:
    void began(const Touch& touch) override;
    void moved(const Touch& touch) override;
    void ended(const Touch& touch) override;
    void resetState() override;

  private:
    double minimumPressDuration_ = 0.5;
    std::shared_ptr<Timer> timer_;
};

// A drag: began once the finger has moved kSlop points, changed on every move after that,
// ended on lift. translation() is measured from where the finger came down.
class PanGestureRecognizer : public GestureRecognizer {
  public:
    using GestureRecognizer::GestureRecognizer;
    static constexpr double kSlop = 10;

    // In window coordinates.
    Point translation() const;
    void setTranslation(Point translation);
    // Points per second over the last move.
    Point velocity() const { return velocity_; }

  protected:
    void began(const Touch& touch) override;
    void moved(const Touch& touch) override;
    void ended(const Touch& touch) override;
    void resetState() override;

  private:
    Point origin_;  // the touch location that corresponds to a zero translation
    Point velocity_;
    Point previous_;
    double previousTime_ = 0;
};

}  // namespace arquorel
