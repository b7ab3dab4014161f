#pragma once
// Category colours as the host sends them: hexadecimal text, "#17A2B8" or "17A2B8".
#include <string_view>

#include "arquorel/platform/geometry/Color.h"

namespace arquorel {

// Lenient on purpose, so that no record ever fails to draw: white space and line breaks around
// the text are ignored, one leading "#" is skipped, and the longest run of hexadecimal digits
// that follows is the value (0, black, when there is none; saturated when it overflows).
// Red, green and blue are bits 16-23, 8-15 and 0-7; alpha is as given.
Color colorFromHexText(std::string_view text, double alpha = 1.0);

}  // namespace arquorel
