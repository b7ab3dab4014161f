#include "arquorel/platform/geometry/Geometry.h"

#include <gtest/gtest.h>

#include <cmath>

#include "arquorel/platform/geometry/Color.h"

namespace arquorel {
namespace {

TEST(GeometryTest, RectEdgesFollowNegativeSizes) {
    const Rect r{10, 20, -4, -6};
    EXPECT_EQ(r.minX(), 6);
    EXPECT_EQ(r.maxX(), 10);
    EXPECT_EQ(r.minY(), 14);
    EXPECT_EQ(r.maxY(), 20);
    EXPECT_EQ(r.midX(), 8);
    EXPECT_EQ(r.midY(), 17);
}

TEST(GeometryTest, IntersectsNeedsASharedArea) {
    const Rect screen{0, 0, 375, 812};
    EXPECT_TRUE(intersects(screen, Rect{370, 800, 10, 10}));
    EXPECT_TRUE(intersects(Rect{370, 800, 10, 10}, screen));
    EXPECT_TRUE(intersects(screen, Rect{-100, -100, 1000, 1000}));  // containing it
    EXPECT_TRUE(intersects(screen, Rect{100, 100, -50, -50}));      // negative size, inside

    // Touching edges or corners share no area.
    EXPECT_FALSE(intersects(screen, Rect{375, 0, 10, 10}));
    EXPECT_FALSE(intersects(screen, Rect{-10, -10, 10, 10}));
    EXPECT_FALSE(intersects(screen, Rect{0, 812, 10, 10}));
    // Fully outside, in each direction.
    EXPECT_FALSE(intersects(screen, Rect{-500, 100, 100, 100}));
    EXPECT_FALSE(intersects(screen, Rect{100, 900, 100, 100}));
    // Empty rectangles intersect nothing, not even when they lie inside.
    EXPECT_FALSE(intersects(screen, Rect{100, 100, 0, 50}));
    EXPECT_FALSE(intersects(screen, Rect{100, 100, 50, 0}));
    // NaN coordinates never count as on screen.
    for (const Rect odd : {Rect{NAN, 100, 50, 50}, Rect{100, NAN, 50, 50}, Rect{100, 100, NAN, 50},
                           Rect{100, 100, 50, NAN}}) {
        EXPECT_FALSE(intersects(screen, odd));
        EXPECT_FALSE(intersects(odd, screen));
    }
}

TEST(GeometryTest, OffsetAndEmptiness) {
    EXPECT_EQ(offsetBy(Rect{1, 2, 3, 4}, -1, 10), (Rect{0, 12, 3, 4}));
    EXPECT_TRUE(isEmpty(Rect{}));
    EXPECT_TRUE(isEmpty(Rect{5, 5, 0, 10}));
    EXPECT_FALSE(isEmpty(Rect{5, 5, -1, 10}));
    static_assert(offsetBy(Rect{1, 1, 1, 1}, 1, 1) == Rect{2, 2, 1, 1});
}

TEST(ColorTest, FromHex) {
    EXPECT_EQ(Color::fromHex("#FF8000"), (Color{1, 128 / 255.0, 0, 1}));
    EXPECT_EQ(Color::fromHex("ff8000"), Color::fromHex("#FF8000"));
    EXPECT_EQ(Color::fromHex("#000000"), Color::black());
    EXPECT_EQ(Color::fromHex("#FFFFFF"), Color::white());
    for (const char* bad : {"", "#", "#FFF", "#FF80001", "FF800", "#GG0000", "#FF 000", "##FF8000",
                            "#-10000", "0xFF80"})
        EXPECT_EQ(Color::fromHex(bad), std::nullopt) << bad;
}

}  // namespace
}  // namespace arquorel
