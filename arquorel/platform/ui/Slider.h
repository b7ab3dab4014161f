#pragma once
// A value between a minimum and a maximum, picked by dragging a round thumb along a track.
// Dragging the thumb sends valueChanged on every move (or only at the end when not
// continuous); setting the value in code sends nothing. The track runs across the bounds'
// middle, the part below the value in the minimum track colour.

#include "arquorel/platform/ui/Control.h"
#include "arquorel/platform/ui/Font.h"

namespace arquorel {

class Slider : public Control {
  public:
    static constexpr double kThumbDiameter = 28;
    static constexpr double kTrackHeight = 2;

    explicit Slider(Rect frame = {});

    double value() const { return value_; }
    // Clamped into the range; NaN is ignored.
    void setValue(double value);
    double minimumValue() const { return minimum_; }
    double maximumValue() const { return maximum_; }
    // A minimum above the maximum raises the maximum (and the reverse); the value is clamped.
    void setMinimumValue(double minimum);
    void setMaximumValue(double maximum);
    bool isContinuous() const { return continuous_; }
    void setContinuous(bool continuous) { continuous_ = continuous; }

    const Color& minimumTrackTintColor() const { return minimumTrack_; }
    void setMinimumTrackTintColor(const Color& c) {
        minimumTrack_ = c;
        setNeedsDisplay();
    }
    const Color& maximumTrackTintColor() const { return maximumTrack_; }
    void setMaximumTrackTintColor(const Color& c) {
        maximumTrack_ = c;
        setNeedsDisplay();
    }
    const Color& thumbTintColor() const { return thumb_; }
    void setThumbTintColor(const Color& c) {
        thumb_ = c;
        setNeedsDisplay();
    }

    // In bounds coordinates.
    Rect trackRect() const;
    Rect thumbRect() const;

    void draw(Painter& painter) const override;
    void describe(ViewDescription& description) const override;
    // Adjustable, read as a percentage of its range; a reader's swipe steps a tenth of it.
    AccessibilityDefaults accessibilityDefaults() const override;
    bool accessibilityAdjust(bool up) override;

  protected:
    void beginTracking(const Touch& touch) override;
    void continueTracking(const Touch& touch) override;
    void endTracking(const Touch& touch) override;

  private:
    // The value under a point of the bounds, from the grab offset of the drag.
    double valueAt(double x) const;
    void follow(const Touch& touch);

    double value_ = 0;
    double minimum_ = 0;
    double maximum_ = 1;
    bool continuous_ = true;
    bool dragging_ = false;
    bool changedWhileDragging_ = false;
    double grabOffset_ = 0;  // finger x minus thumb centre x when the drag began
    Color minimumTrack_ = kSystemBlue;
    Color maximumTrack_ = Color{0.9, 0.9, 0.92, 1};
    Color thumb_ = Color::white();
};

}  // namespace arquorel
