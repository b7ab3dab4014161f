#include "arquorel/platform/geometry/Color.h"

namespace arquorel {

namespace {
int hexDigit(char ch) {
    if (ch >= '0' && ch <= '9') return ch - '0';
    if (ch >= 'a' && ch <= 'f') return ch - 'a' + 10;
    if (ch >= 'A' && ch <= 'F') return ch - 'A' + 10;
    return -1;
}
}  // namespace

std::optional<Color> Color::fromHex(std::string_view text) {
    if (!text.empty() && text.front() == '#') text.remove_prefix(1);
    if (text.size() != 6) return std::nullopt;
    int channel[3];
    for (std::size_t i = 0; i < 3; ++i) {
        const int hi = hexDigit(text[2 * i]);
        const int lo = hexDigit(text[2 * i + 1]);
        if (hi < 0 || lo < 0) return std::nullopt;
        channel[i] = hi * 16 + lo;
    }
    return Color{channel[0] / 255.0, channel[1] / 255.0, channel[2] / 255.0, 1.0};
}

void PrintTo(const Color& c, std::ostream* os) {
    *os << "rgba(" << c.red << ", " << c.green << ", " << c.blue << ", " << c.alpha << ")";
}

}  // namespace arquorel
