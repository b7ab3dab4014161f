#pragma once
// The base of views that turn touches into actions (buttons, sliders): enabled, selected and
// highlighted states, and actions registered per event.

#include <functional>
#include <vector>

#include "arquorel/platform/ui/Touch.h"
#include "arquorel/platform/ui/View.h"

namespace arquorel {

enum class ControlEvent : unsigned {
    touchDown = 1u << 0,
    touchUpInside = 1u << 6,
    touchUpOutside = 1u << 7,
    touchCancel = 1u << 8,
    valueChanged = 1u << 12,
};

// Bits of a control's state; `normal` is the absence of the others.
enum class ControlState : unsigned { normal = 0, highlighted = 1, disabled = 2, selected = 4 };

class Control : public View {
  public:
    using Action = std::function<void(Control& sender)>;
    // How far outside its bounds a lifted finger still counts as inside.
    static constexpr double kTouchSlop = 70;

    using View::View;

    void addAction(ControlEvent event, Action action);
    void removeActions(ControlEvent event);
    // Runs the actions of that event, in the order they were added.
    void sendActions(ControlEvent event);

    bool isEnabled() const { return enabled_; }
    void setEnabled(bool enabled);
    bool isSelected() const { return selected_; }
    void setSelected(bool selected);
    bool isHighlighted() const { return highlighted_; }
    void setHighlighted(bool highlighted);
    bool isTracking() const { return tracking_; }
    // The current state bits.
    unsigned state() const;

    // Adds the selected and not-enabled traits.
    AccessibilityDefaults accessibilityDefaults() const override;

    void touchesBegan(const Touch& touch) override;
    void touchesMoved(const Touch& touch) override;
    void touchesEnded(const Touch& touch) override;
    void touchesCancelled(const Touch& touch) override;

  protected:
    // Tracking hooks for controls that follow the finger; the touch is in window coordinates.
    virtual void beginTracking(const Touch&) {}
    virtual void continueTracking(const Touch&) {}
    virtual void endTracking(const Touch&) {}
    // Called after enabled, selected or highlighted changed.
    virtual void stateDidChange() {}
    bool isTouchInside(const Touch& touch) const;

  private:
    std::vector<std::pair<ControlEvent, Action>> actions_;
    bool enabled_ = true;
    bool selected_ = false;
    bool highlighted_ = false;
    bool tracking_ = false;
};

}  // namespace arquorel
