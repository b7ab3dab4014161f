#include "arquorel/arcore/ARDataSource.h"

namespace arquorel {

std::optional<ReloadType> reloadTypeFromRaw(long raw) {
    if (raw < 0 || raw > 4) return std::nullopt;
    return static_cast<ReloadType>(raw);
}

const char* toString(ReloadType type) {
    switch (type) {
        case ReloadType::headingChanged:
            return "headingChanged";
        case ReloadType::userLocationChanged:
            return "userLocationChanged";
        case ReloadType::reloadLocationChanged:
            return "reloadLocationChanged";
        case ReloadType::annotationsChanged:
            return "annotationsChanged";
        case ReloadType::swipe:
            return "swipe";
    }
    return "unknown";
}

std::optional<std::vector<std::shared_ptr<ARAnnotation>>> ARDataSource::shouldReloadWithLocation(
    ARController&, const Location&) {
    return std::nullopt;
}

std::optional<std::vector<std::shared_ptr<ARAnnotationView>>> ARDataSource::viewsDrawn(
    ARController&, const std::vector<std::shared_ptr<ARAnnotationView>>&) {
    return std::nullopt;
}

void ARDataSource::updateRadar(ARController&, double) {}

}  // namespace arquorel
