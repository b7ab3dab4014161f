#include "arquorel/platform/browser/FontMetricsTable.h"

#include <algorithm>

namespace arquorel::browser {

namespace {
constexpr std::uint16_t kNoGlyph = 0xFFFF;

// The next code point of `text` from `at` (advanced past it); none for malformed UTF-8.
std::optional<char32_t> nextCode(std::string_view text, std::size_t& at) {
    const auto b = static_cast<unsigned char>(text[at]);
    const std::size_t length = b < 0x80         ? 1
                               : (b >> 5) == 6  ? 2
                               : (b >> 4) == 14 ? 3
                               : (b >> 3) == 30 ? 4
                                                : 0;
    if (!length || at + length > text.size()) return std::nullopt;
    char32_t code = length == 1 ? b : length == 2 ? b & 0x1F : length == 3 ? b & 0x0F : b & 7;
    for (std::size_t i = 1; i < length; ++i) {
        const auto c = static_cast<unsigned char>(text[at + i]);
        if ((c >> 6) != 2) return std::nullopt;
        code = (code << 6) | (c & 0x3F);
    }
    at += length;
    return code;
}
}  // namespace

const FontFaceMetrics* faceFor(std::span<const FontFaceMetrics> faces, const TextStyle& style) {
    const bool bold = style.weight == FontWeight::semibold || style.weight == FontWeight::bold;
    for (const auto& face : faces)
        if (style.fontFamily == face.family && face.bold == bold) return &face;
    return nullptr;
}

std::optional<double> advanceOf(const FontFaceMetrics& face, char32_t code, double size) {
    std::size_t index = 0;
    for (const auto& range : face.ranges) {
        if (code >= range.first && code < range.end) {
            const std::uint16_t units = face.advances[index + (code - range.first)];
            if (units == kNoGlyph) return std::nullopt;
            return units * size / face.unitsPerEm;
        }
        index += range.end - range.first;
    }
    return std::nullopt;
}

double kerningOf(const FontFaceMetrics& face, char32_t first, char32_t second, double size) {
    if (first > 0xFFFF || second > 0xFFFF) return 0;
    const std::uint32_t key = (static_cast<std::uint32_t>(first) << 16) | second;
    const auto it = std::lower_bound(face.kernPairs.begin(), face.kernPairs.end(), key);
    if (it == face.kernPairs.end() || *it != key) return 0;
    return face.kernValues[static_cast<std::size_t>(it - face.kernPairs.begin())] * size /
           face.unitsPerEm;
}

std::optional<double> lineWidthOf(const FontFaceMetrics& face, std::string_view utf8, double size) {
    double width = 0;
    std::optional<char32_t> previous;
    for (std::size_t at = 0; at < utf8.size();) {
        const auto code = nextCode(utf8, at);
        if (!code) return std::nullopt;
        const auto advance = advanceOf(face, *code, size);
        if (!advance) return std::nullopt;
        width += *advance;
        if (previous) width += kerningOf(face, *previous, *code, size);
        previous = code;
    }
    return width;
}

}  // namespace arquorel::browser
