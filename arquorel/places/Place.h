#pragma once
// The annotation made from a place record.

#include <memory>
#include <optional>
#include <string>

#include "arquorel/arcore/ARAnnotation.h"
#include "arquorel/places/QuorelProperty.h"

namespace arquorel {

class Place : public ARAnnotation {
  public:
    // A place at the record's lat and lng (altitude 0, accuracy 9 m, timestamp now), with empty
    // identifier and title; none when lat and lng are not a valid coordinate.
    static std::shared_ptr<Place> create(const std::shared_ptr<QuorelProperty>& property);

    std::string reference;
    std::string placeName;
    std::string address;
    std::optional<std::string> phoneNumber;
    std::optional<std::string> website;
    std::shared_ptr<QuorelProperty> property;

    // The text description of a place is its place name.
    std::string description() const { return placeName; }
    // The record's name (the title stays empty).
    std::string displayName() const override;

    std::optional<double> verticalPlacementValue(bool mainView) const override;

  private:
    explicit Place(const Location& location);
};

// The search area around the user.
class PlaceRequest {
  public:
    std::int64_t id = 0;
    std::string country;
    std::int64_t radius = 0;
    double lat = 0;
    double lng = 0;
    std::vector<std::int64_t> cat_ids;
    std::vector<std::string> cat_events;
    std::vector<std::int64_t> types;
};

}  // namespace arquorel
