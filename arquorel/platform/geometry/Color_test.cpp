#include "arquorel/platform/geometry/Color.h"

#include <gtest/gtest.h>

#include <optional>

namespace arquorel {
namespace {

TEST(ColorTest, SixHexadecimalDigitsWithAnOptionalHash) {
    const std::pair<const char*, std::optional<Color>> cases[] = {
        {"#FF8000", Color{1, 128 / 255.0, 0, 1}},
        {"0a0B0c", Color{10 / 255.0, 11 / 255.0, 12 / 255.0, 1}},
        {"#fFfFfF", Color::white()},
        {"", std::nullopt},
        {"#", std::nullopt},
        {"#FF800", std::nullopt},
        {"FF80001", std::nullopt},
        {"##FF8000", std::nullopt},
        {"#GF8000", std::nullopt},
        {"FF 800", std::nullopt},
        {"FF800g", std::nullopt}};
    for (const auto& [text, colour] : cases) EXPECT_EQ(Color::fromHex(text), colour) << text;
}

}  // namespace
}  // namespace arquorel
