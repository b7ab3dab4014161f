#include "arquorel/platform/browser/RasterCache.h"

#include <gtest/gtest.h>

namespace arquorel::browser {
namespace {

RasterPixels pixels(int w, int h, std::uint8_t value = 7) {
    return {w, h, std::vector<std::uint8_t>(static_cast<std::size_t>(w) * h * 4, value)};
}

TEST(RasterCacheTest, FindsWhatWasDecodedFromTheSameBytes) {
    RasterCache cache;
    EXPECT_FALSE(cache.find("png one"));
    ASSERT_TRUE(cache.put("png one", pixels(2, 3, 1)));
    ASSERT_TRUE(cache.put("png two", pixels(1, 1, 2)));
    const auto one = cache.find("png one");
    ASSERT_TRUE(one);
    EXPECT_EQ(one->width, 2);
    EXPECT_EQ(one->height, 3);
    EXPECT_EQ(one->rgba, pixels(2, 3, 1).rgba);
    EXPECT_FALSE(cache.find("png on"));  // the whole bytes, not a prefix
    // The same bytes again replace their pixels and are counted once.
    ASSERT_TRUE(cache.put("png one", pixels(1, 2, 9)));
    EXPECT_EQ(cache.count(), 2u);
    EXPECT_EQ(cache.find("png one")->rgba, pixels(1, 2, 9).rgba);
    EXPECT_EQ(cache.bytesHeld(), 7u + 8 + 7 + 4);
}

TEST(RasterCacheTest, RefusesPixelsThatAreNoPicture) {
    RasterCache cache(1000);
    struct Case {
        const char* what;
        std::string bytes;
        RasterPixels pixels;
    };
    RasterPixels shortRows = pixels(2, 2);
    shortRows.rgba.pop_back();
    const Case cases[] = {
        {"no bytes", "", pixels(1, 1)},
        {"no width", "x", pixels(0, 1)},
        {"negative height", "x", {1, -1, {}}},
        {"wrong length", "x", shortRows},
        {"wider than an image may be", "x", {Image::kMaxRasterSide + 1, 1, {}}},
        {"larger than the budget", "x", pixels(16, 16)},
        // The bytes kept as the key count too: 101 + 900 is over.
        {"with its bytes larger than the budget", std::string(101, 'k'), pixels(15, 15)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_FALSE(cache.put(c.bytes, c.pixels));
        EXPECT_EQ(cache.count(), 0u);
        EXPECT_EQ(cache.bytesHeld(), 0u);
    }
    // The largest side an image may have, and the budget itself, are still taken.
    RasterCache roomy(1u << 20);
    EXPECT_FALSE(roomy.put("wide", pixels(Image::kMaxRasterSide + 1, 1)));
    EXPECT_FALSE(roomy.put("tall", pixels(1, Image::kMaxRasterSide + 1)));
    EXPECT_TRUE(roomy.put("widest", pixels(Image::kMaxRasterSide, 1)));
    RasterCache exact(1 + 4);
    EXPECT_TRUE(exact.put("x", pixels(1, 1)));
    EXPECT_EQ(exact.bytesHeld(), 5u);
}

TEST(RasterCacheTest, TheLeastRecentlyUsedLeaveFirst) {
    RasterCache cache(3 * (1 + 400));  // three 10×10 pictures of one byte each
    ASSERT_TRUE(cache.put("a", pixels(10, 10)));
    ASSERT_TRUE(cache.put("b", pixels(10, 10)));
    ASSERT_TRUE(cache.put("c", pixels(10, 10)));
    EXPECT_TRUE(cache.find("a"));  // a is used again: b is now the oldest
    ASSERT_TRUE(cache.put("d", pixels(10, 10)));
    EXPECT_EQ(cache.count(), 3u);
    EXPECT_FALSE(cache.find("b"));
    EXPECT_TRUE(cache.find("a"));
    EXPECT_TRUE(cache.find("c"));
    EXPECT_TRUE(cache.find("d"));
    // A large picture pushes out as many as it needs.
    ASSERT_TRUE(cache.put("e", pixels(14, 14)));
    EXPECT_LE(cache.bytesHeld(), 3u * 401);
    EXPECT_TRUE(cache.find("e"));
    EXPECT_EQ(cache.count(), 2u);
    // One byte over the budget is over it.
    RasterCache tight(2 * (1 + 4));
    ASSERT_TRUE(tight.put("a", pixels(1, 1)));
    ASSERT_TRUE(tight.put("bb", pixels(1, 1)));
    EXPECT_FALSE(tight.find("a"));
    EXPECT_TRUE(tight.find("bb"));
    EXPECT_EQ(tight.bytesHeld(), 6u);
}

}  // namespace
}  // namespace arquorel::browser
