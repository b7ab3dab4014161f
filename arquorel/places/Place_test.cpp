#include "arquorel/places/Place.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "sim/device/SimPlatform.h"

namespace arquorel {
namespace {

std::shared_ptr<QuorelProperty> recordAt(double lat, double lng) {
    auto p = std::make_shared<QuorelProperty>();
    p->lat = lat;
    p->lng = lng;
    return p;
}

TEST(PlaceTest, CreatedOnlyForValidCoordinates) {
    sim::SimPlatform device;
    const double nan = std::numeric_limits<double>::quiet_NaN();
    EXPECT_NE(Place::create(recordAt(90, 180)), nullptr);
    EXPECT_NE(Place::create(recordAt(-90, -180)), nullptr);
    EXPECT_NE(Place::create(recordAt(0, 0)), nullptr);
    EXPECT_EQ(Place::create(recordAt(90.0001, 0)), nullptr);
    EXPECT_EQ(Place::create(recordAt(-90.0001, 0)), nullptr);
    EXPECT_EQ(Place::create(recordAt(0, 180.0001)), nullptr);
    EXPECT_EQ(Place::create(recordAt(0, -180.0001)), nullptr);
    EXPECT_EQ(Place::create(recordAt(nan, 0)), nullptr);
    EXPECT_EQ(Place::create(recordAt(0, nan)), nullptr);
    EXPECT_EQ(Place::create(recordAt(std::numeric_limits<double>::infinity(), 0)), nullptr);
    EXPECT_EQ(Place::create(nullptr), nullptr);
}

TEST(PlaceTest, CarriesTheRecordAndAFixedLocation) {
    sim::SimPlatform device;
    device.advance(12.5);
    auto record = recordAt(43.7391605, 7.428023);
    record->name = "Casino de Monte Carlo";
    const auto place = Place::create(record);
    ASSERT_NE(place, nullptr);

    const Location& loc = place->location();
    EXPECT_EQ(loc.coordinate, (Coordinate{43.7391605, 7.428023}));
    EXPECT_EQ(loc.altitude, 0);
    EXPECT_EQ(loc.horizontalAccuracy, 9);
    EXPECT_EQ(loc.verticalAccuracy, 9);
    EXPECT_EQ(loc.timestamp, device.now());

    // Empty texts, not absent ones.
    ASSERT_TRUE(place->identifier().has_value());
    EXPECT_EQ(*place->identifier(), "");
    ASSERT_TRUE(place->title().has_value());
    EXPECT_EQ(*place->title(), "");

    EXPECT_EQ(place->property, record);
    EXPECT_EQ(place->reference, "");
    EXPECT_EQ(place->placeName, "");
    EXPECT_EQ(place->address, "");
    EXPECT_FALSE(place->phoneNumber.has_value());
    EXPECT_FALSE(place->website.has_value());
    EXPECT_EQ(place->description(), "");
    place->placeName = "Casino";
    EXPECT_EQ(place->description(), "Casino");
}

TEST(PlaceTest, VerticalPlacementFollowsTheSharedRecord) {
    sim::SimPlatform device;
    auto record = recordAt(1, 2);
    const auto place = Place::create(record);
    ASSERT_NE(place, nullptr);
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
