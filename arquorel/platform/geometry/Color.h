#pragma once
// An RGBA colour with components in [0, 1].

#include <optional>
#include <ostream>
#include <string_view>

namespace arquorel {

struct Color {
    double red = 0;
    double green = 0;
    double blue = 0;
    double alpha = 1;

    static constexpr Color black() { return {0, 0, 0, 1}; }
    static constexpr Color white() { return {1, 1, 1, 1}; }
    static constexpr Color clear() { return {0, 0, 0, 0}; }

    constexpr Color withAlpha(double a) const { return {red, green, blue, a}; }

    // "#RRGGBB" or "RRGGBB" (hexadecimal digits in either case); none for anything else.
    static std::optional<Color> fromHex(std::string_view text);

    friend constexpr bool operator==(const Color&, const Color&) = default;
};

void PrintTo(const Color& c, std::ostream* os);

}  // namespace arquorel
