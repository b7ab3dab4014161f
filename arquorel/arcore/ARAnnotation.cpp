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
    return true;
}

std::optional<double> ARAnnotation::verticalPlacementValue(bool) const {
    return std::nullopt;
}

}  // namespace arquorel
