#include "arquorel/places/Place.h"

#include "arquorel/platform/runtime/PlatformContext.h"

namespace arquorel {

namespace {
constexpr double kPlaceAccuracy = 9;
}

Place::Place(const Location& location) : ARAnnotation(std::string(), std::string(), location) {}

std::shared_ptr<Place> Place::create(const std::shared_ptr<QuorelProperty>& property) {
    if (!property) return nullptr;
    const Location location({property->lat, property->lng}, 0, kPlaceAccuracy, kPlaceAccuracy,
                            platformContext().now());
    if (!isValid(location.coordinate)) return nullptr;
    // The place and its count in one allocation: a region holds a hundred thousand.
    struct Made final : Place {
        explicit Made(const Location& at) : Place(at) {}
    };
    std::shared_ptr<Place> place = std::make_shared<Made>(location);
    place->property = property;
    return place;
}

std::string Place::displayName() const {
    if (property && !property->name.empty()) return property->name;
    if (!placeName.empty()) return placeName;
    return ARAnnotation::displayName();
}

std::optional<double> Place::verticalPlacementValue(bool mainView) const {
    if (!property) return std::nullopt;
    return mainView ? property->rand_main_poosition : static_cast<double>(property->rand_position);
}

}  // namespace arquorel
