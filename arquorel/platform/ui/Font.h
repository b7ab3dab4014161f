#pragma once
// A font by family, size and weight; the system font is the pinned DejaVu Sans.

#include <string>

#include "arquorel/platform/drawing/TextLayout.h"

namespace arquorel {

struct Font {
    std::string family = "DejaVu Sans";
    double size = 17;
    FontWeight weight = FontWeight::regular;
    bool italic = false;

    static Font system(double size, FontWeight weight = FontWeight::regular) {
        return {"DejaVu Sans", size, weight, false};
    }
    static Font boldSystem(double size) { return system(size, FontWeight::bold); }

    // A text style in this font, the other fields left at their defaults.
    TextStyle style() const {
        TextStyle s;
        s.fontFamily = family;
        s.fontSize = size;
        s.weight = weight;
        s.italic = italic;
        return s;
    }
    friend bool operator==(const Font&, const Font&) = default;
};

// The platform's tint: the blue of buttons, sliders and links.
inline constexpr Color kSystemBlue{0, 122.0 / 255, 1, 1};
inline constexpr Color kLightGray{2.0 / 3, 2.0 / 3, 2.0 / 3, 1};

}  // namespace arquorel
