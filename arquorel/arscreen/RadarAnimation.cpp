#include "arquorel/arscreen/RadarAnimation.h"

#include <limits>
#include <numbers>

#include "arquorel/platform/drawing/ViewDescription.h"

namespace arquorel {

std::shared_ptr<RadarAnimation> RadarAnimation::create(const Rect& frame) {
    return std::make_shared<RadarAnimation>(frame);
}

RadarAnimation::RadarAnimation(const Rect& frame) : View(frame) {
    setIdentifier("radarAnimation");
    setBackgroundColor(Color::clear());
    gradient_.colors.assign(5, Color::white().withAlpha(0));
    gradient_.colors.push_back(kSweepColor);
    const double w = frame.width(), h = frame.height();
    layer().cornerRadius = w / 2;
    Path mask = Path::rect({0, 0, w, h});
    mask.addEllipse(
        {w / 2 - kHoleDiameter / 2, h / 2 - kHoleDiameter / 2, kHoleDiameter, kHoleDiameter});
    mask.setFillRule(FillRule::evenOdd);
    layer().mask = std::move(mask);
    setClipsToBounds(true);
    setUserInteractionEnabled(false);
}

void RadarAnimation::draw(Painter& painter) const {
    gradient_.drawInRect(painter, bounds());
}

void RadarAnimation::describe(ViewDescription& description) const {
    View::describe(description);
    description.add("spinning", isSpinning() ? "yes" : "no");
}

void RadarAnimation::setStill(bool still) {
    still_ = still;
    updateSpin();
}

void RadarAnimation::updateSpin() {
    const bool shown = hasSuperview() && !isHidden() && !still_;
    if (shown == isSpinning()) return;
    if (!shown) {
        removeAnimation(kSpinKey);
        return;
    }
    // Half a turn counter-clockwise per second, without end: a whole turn every two seconds
    // ends where it began, so each repetition continues the last one.
    LayerAnimation spin;
    spin.keyPath = "transform.rotation";
    spin.from = 0;
    spin.to = -2 * std::numbers::pi;
    spin.duration = 2.0;
    spin.repeatCount = std::numeric_limits<double>::infinity();
    addAnimation(kSpinKey, spin);
}

}  // namespace arquorel
