#include "arquorel/arscreen/RadarFeed.h"

#include <cmath>

#include "arquorel/arcore/ARStatus.h"

namespace arquorel {

RadarFeed::RadarFeed(std::shared_ptr<RadarView> radar, PointsBuilder builder)
    : radar_(radar ? std::move(radar) : RadarView::create()), builder_(std::move(builder)) {}

void RadarFeed::rebuildPoints() {
    points_ = builder_ ? builder_() : Points{};
}

void RadarFeed::calibrate(const Location& origin) {
    maximumScaleDistance_ = ARGeoCoordinate::calibrateAll(points_, origin);
    radar_->farthest = maximumScaleDistance_;
}

void RadarFeed::update(double inclination) {
    if (!center_) return;
    center_->inclination = std::isfinite(inclination) ? inclination : 0;
    if (updates_ >= reloadCount) {
        if (!frozenAngle_) frozenAngle_ = center_->azimuth;
        radar_->rotateView(*frozenAngle_ - center_->azimuth);
        return;
    }
    ++updates_;
    if (center_->geoLocation) calibrate(*center_->geoLocation);
    radar_->updatePoints(center_);
    radar_->points = points_;
    rebuildPoints();
    frozenAngle_.reset();
    radar_->rotateView(0);
}

void RadarFeed::locationChanged(const Location& latest) {
    if (!center_) {
        center_ = ARGeoCoordinate::coordinateWithLocation(latest);
    } else {
        center_->geoLocation = latest;
    }
    placesChanged();
}

void RadarFeed::placesChanged() {
    updates_ = 0;
    rebuildPoints();
    // Before the first fix the radar shows nothing: there is no centre to place dots around.
    if (!center_ || !center_->geoLocation) return;
    radar_->points = points_;
    calibrate(*center_->geoLocation);
    radar_->updatePoints(center_);
}

std::optional<double> RadarFeed::azimuthFor(const HeadingReading& reading) {
    if (!(reading.headingAccuracy >= 0)) return std::nullopt;
    const double degrees = reading.trueHeading >= 0 ? reading.trueHeading : reading.magneticHeading;
    if (!std::isfinite(degrees)) return std::nullopt;
    double folded = std::fmod(degrees, 360.0);
    if (folded < 0) folded += 360;
    return folded * kDegreesToRadians;
}

void RadarFeed::headingChanged(const HeadingReading& reading) {
    if (!center_) return;
    if (auto azimuth = azimuthFor(reading)) center_->azimuth = *azimuth;
}

}  // namespace arquorel
