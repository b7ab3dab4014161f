#include "arquorel/arscreen/RadarView.h"

#include <cmath>

namespace arquorel {

std::shared_ptr<RadarView> RadarView::create() {
    return std::make_shared<RadarView>();
}

RadarView::RadarView()
    : View(Rect(0, 0, kSize, kSize)),
      dotsView_(std::make_shared<DotsView>(Rect(0, 0, kSize, kSize))) {
    setIdentifier("radar");
    dotsView_->setIdentifier("radarDots");
    setBackgroundColor(Color::clear());
    dotsView_->setBackgroundColor(Color::clear());
    addSubview(dotsView_);
}

void RadarView::updatePoints(const std::shared_ptr<ARGeoCoordinate>& center) {
    dotsView_->points = points;
    dotsView_->farthest = farthest;
    dotsView_->centerCoord = center;
    dotsView_->layoutIfNeeded();
}

void RadarView::rotateView(double radians) {
    if (!std::isfinite(radians)) return;
    setTransform(Transform::rotation(radians));
}

}  // namespace arquorel
