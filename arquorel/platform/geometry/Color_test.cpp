#include "arquorel/platform/geometry/Color.h"

#include <gtest/gtest.h>

#include <optional>

namespace arquorel {
namespace {

TEST(ColorTest, SixHexadecimalDigitsWithAnOptionalHash) {
    const std::pair<const char*, Color> good[] = {
        {"#FF8000", {1, 128 / 255.0, 0, 1}},
        {"0a0B0c", {10 / 255.0, 11 / 255.0, 12 / 255.0, 1}},
        {"#fFfFfF", Color::white()}};
    for (const auto& [text, colour] : good) EXPECT_EQ(Color::fromHex(text), colour) << text;
    for (const char* bad :
         {"", "#", "#FF800", "FF80001", "##FF8000", "#GF8000", "FF 800", "FF800g"})
        EXPECT_EQ(Color::fromHex(bad), std::nullopt) << bad;
}

}  // namespace
}  // namespace arquorel
