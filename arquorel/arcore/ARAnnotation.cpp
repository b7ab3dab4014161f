#include "arquorel/arcore/ARAnnotation.h"

#include "arquorel/arcore/ARAnnotationView.h"

namespace arquorel {

ARAnnotation::ARAnnotation(std::optional<std::string> identifier, std::optional<std::string> title,
                           const Location& location)
    : identifier_(std::move(identifier)), title_(std::move(title)), location_(location) {}

std::shared_ptr<ARAnnotation> ARAnnotation::create(std::optional<std::string> identifier,
                                                   std::optional<std::string> title,
                                                   const Location& location) {
    if (!isValid(location.coordinate)) return nullptr;
    return std::shared_ptr<ARAnnotation>(
        new ARAnnotation(std::move(identifier), std::move(title), location));
}

bool ARAnnotation::validateAndSetLocation(const Location& location) {
    if (!isValid(location.coordinate)) return false;
    location_ = location;
    if (measuredFrom_) measuredFrom_->annotationMoved();
    return true;
}

void ARAnnotation::measureFrom(std::shared_ptr<const MeasuringOrigin> origin) {
    refresh();
    measuredFrom_ = std::move(origin);
    measuredAt_ = 0;
}

void ARAnnotation::remeasure() const {
    measuredAt_ = measuredFrom_->generation();
    if (const UserOrigin* origin = measuredFrom_->origin()) {
        const auto m = origin->measure(location_);
        distanceFromUser_ = m.distance;
        azimuth_ = m.azimuth;
    }
}

std::optional<double> ARAnnotation::verticalPlacementValue(bool) const {
    return std::nullopt;
}

}  // namespace arquorel
