#include "arquorel/places/Place.h"

#include <gtest/gtest.h>

#include <cmath>
#include <utility>

#include "sim/device/SimPlatform.h"

namespace arquorel {
namespace {

std::shared_ptr<QuorelProperty> recordAt(double lat, double lng) {
    auto p = std::make_shared<QuorelProperty>();
    p->lat = lat;
    p->lng = lng;
    return p;
}

TEST(PlaceTest, CreatedForValidCoordinatesWithAFixedLocation) {
    sim::SimPlatform device;
    EXPECT_NE(Place::create(recordAt(90, 180)), nullptr);
    EXPECT_NE(Place::create(recordAt(-90, -180)), nullptr);
    const std::pair<double, double> invalid[] = {{90.0001, 0}, {0, -180.0001}, {NAN, 0}};
    for (const auto& [lat, lng] : invalid)
        EXPECT_EQ(Place::create(recordAt(lat, lng)), nullptr) << lat << "," << lng;
    EXPECT_EQ(Place::create(nullptr), nullptr);

    device.advance(12.5);
    auto record = recordAt(43.7391605, 7.428023);
    const auto place = Place::create(record);
    ASSERT_NE(place, nullptr);
    EXPECT_EQ(place->location(), Location({43.7391605, 7.428023}, 0, 9, 9, device.now()));
    EXPECT_EQ(place->identifier(), std::optional<std::string>(""));  // empty, not absent
    EXPECT_EQ(place->title(), std::optional<std::string>(""));
    // Its name is the record's (the debug map's pins show it).
    record->name = "Casino de Monte-Carlo";
    EXPECT_EQ(place->displayName(), "Casino de Monte-Carlo");

    // 0 is a value (the presenter draws a random one for it), not an absent one.
    EXPECT_EQ(place->verticalPlacementValue(false), 0.0);
    EXPECT_EQ(place->verticalPlacementValue(true), 0.0);
    record->rand_position = 321;
    record->rand_main_poosition = 42.5;
    EXPECT_EQ(place->verticalPlacementValue(false), 321.0);
    EXPECT_EQ(place->verticalPlacementValue(true), 42.5);
    place->property = nullptr;
    EXPECT_FALSE(place->verticalPlacementValue(false).has_value());
}

}  // namespace
}  // namespace arquorel
