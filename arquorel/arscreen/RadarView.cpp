#include "arquorel/arscreen/RadarView.h"

#include <cmath>
#include <cstdio>

#include "arquorel/arcore/ARStatus.h"
#include "arquorel/platform/drawing/ViewDescription.h"

namespace arquorel {

std::shared_ptr<RadarView> RadarView::create() {
    return std::make_shared<RadarView>();
}

RadarView::RadarView()
    : View(Rect(0, 0, kSize, kSize)),
      dotsView_(std::make_shared<DotsView>(Rect(0, 0, kSize, kSize))) {
    setIdentifier("radar");
    // The disc and its dots are kept as one layer that turns with the compass.
    setLayerBacked(true);
    dotsView_->setIdentifier("radarDots");
    setBackgroundColor(Color::clear());
    dotsView_->setBackgroundColor(Color::clear());
    addSubview(dotsView_);
}

void RadarView::updatePoints(const std::shared_ptr<ARGeoCoordinate>& center) {
    // Recalibration hands the same dots over frame after frame; only a change redraws them.
    const auto before = dotsView_->dots();
    dotsView_->points = points;
    dotsView_->farthest = farthest;
    // A copy: the caller's centre keeps turning with the compass, while the dots stay where
    // this calibration put them and only the whole radar turns (rotateView).
    dotsView_->centerCoord = center ? std::make_shared<ARGeoCoordinate>(*center) : nullptr;
    if (dotsView_->dots() != before) dotsView_->setNeedsDisplay();
    dotsView_->layoutIfNeeded();
}

void RadarView::rotateView(double radians) {
    if (!std::isfinite(radians)) return;
    setTransform(Transform::rotation(radians));
}

void RadarView::describe(ViewDescription& description) const {
    View::describe(description);
    char text[32];
    const double degrees = std::atan2(transform().b, transform().a) * kRadiansToDegrees;
    std::snprintf(text, sizeof text, "%.1f", degrees == -180 ? 180 : degrees);
    description.add("rotation", text);
}

}  // namespace arquorel
