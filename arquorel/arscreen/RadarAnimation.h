#pragma once
// The radar's sweep: a disc painted with an angle gradient (clear turning to the radar's
// turquoise), with a 30-point hole in the middle, turning counter-clockwise half a turn per
// second. It turns only while it is shown (in a superview and not hidden), so a hidden sweep
// costs nothing; shown again, it starts over.

#include <memory>

#include "arquorel/arscreen/AngleGradientLayer.h"
#include "arquorel/platform/ui/View.h"

namespace arquorel {

class RadarAnimation : public View {
  public:
    static constexpr const char* kSpinKey = "spinRadarView";
    static constexpr double kHoleDiameter = 30;
    static constexpr Color kSweepColor{35 / 255.0, 210 / 255.0, 214 / 255.0, 1};

    static std::shared_ptr<RadarAnimation> create(const Rect& frame);
    explicit RadarAnimation(const Rect& frame);

    AngleGradientLayer& gradientLayer() { return gradient_; }
    const AngleGradientLayer& gradientLayer() const { return gradient_; }
    bool isSpinning() const { return animation(kSpinKey) != nullptr; }
    // A still sweep does not turn, shown or not (the user asked for less motion).
    void setStill(bool still);
    bool isStill() const { return still_; }

    void draw(Painter& painter) const override;
    // Whether it turns, for the view-tree dump.
    void describe(ViewDescription& description) const override;

  protected:
    void didMoveToSuperview() override { updateSpin(); }
    void didChangeHidden() override { updateSpin(); }

  private:
    void updateSpin();

    AngleGradientLayer gradient_;
    bool still_ = false;
};

}  // namespace arquorel
