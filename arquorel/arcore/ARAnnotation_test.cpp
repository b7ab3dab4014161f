#include "arquorel/arcore/ARAnnotation.h"

#include <gtest/gtest.h>

#include <cmath>

namespace arquorel {
namespace {

TEST(ARAnnotationTest, CreationAndRelocationNeedAValidCoordinate) {
    const Coordinate bad[] = {{100, 0}, {-90.5, 0}, {0, 180.0001}, {NAN, 0}, {0, NAN}};
    for (const Coordinate c : bad)
        EXPECT_EQ(ARAnnotation::create("id", "t", Location(c, 0, 0, 0, 0)), nullptr) << c.latitude;
    EXPECT_NE(ARAnnotation::create(std::nullopt, std::nullopt, Location(-90, -180)), nullptr);
    auto a = ARAnnotation::create("id", "t", Location(90, 180));
    ASSERT_NE(a, nullptr);

    const Location moved({-33.86, 151.21}, 5, 3, 3, 42);
    EXPECT_TRUE(a->validateAndSetLocation(moved));
    for (const Coordinate c : bad) {
        EXPECT_FALSE(a->validateAndSetLocation(Location(c, 0, 0, 0, 0)));
        EXPECT_EQ(a->location(), moved);
    }
}

}  // namespace
}  // namespace arquorel
