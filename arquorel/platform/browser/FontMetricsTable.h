#pragma once
// The metrics of the page's bundled fonts, read from the font files when the page is built
// (cmake/font_metrics.py): vertical metrics, the advances of the characters of a few ranges
// (Latin, punctuation, currency signs) and the kerning among them. Text laid out with them
// takes the same room in every browser engine, as natively, whatever each engine's canvas
// reports.

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

#include "arquorel/platform/drawing/TextLayout.h"

namespace arquorel::browser {

struct CodeRange {
    char32_t first, end;  // [first, end)
};

struct FontFaceMetrics {
    const char* family;
    bool bold;
    int unitsPerEm;
    int ascent, descent;  // font units, both positive
    std::span<const CodeRange> ranges;
    std::span<const std::uint16_t> advances;   // font units, per code point of the ranges in order
    std::span<const std::uint32_t> kernPairs;  // sorted, first << 16 | second
    std::span<const std::int16_t> kernValues;  // font units, for each pair
};

// The faces generated from the bundled font files.
std::span<const FontFaceMetrics> bundledFontFaces();

// The face whose metrics a style takes among `faces`: the family's bold face for semibold and
// bold (as font matching picks it when only regular and bold exist); italic text takes the
// upright face's, as the native engine slants the upright faces. None for another family.
const FontFaceMetrics* faceFor(std::span<const FontFaceMetrics> faces, const TextStyle& style);

// In points at `size`. None for a character outside the table or without a glyph.
std::optional<double> advanceOf(const FontFaceMetrics& face, char32_t code, double size);
double kerningOf(const FontFaceMetrics& face, char32_t first, char32_t second, double size);
// The width of a line of UTF-8 text: the advances and the kerning between neighbours. None when
// a character is outside the table (or the text is not UTF-8).
std::optional<double> lineWidthOf(const FontFaceMetrics& face, std::string_view utf8, double size);

}  // namespace arquorel::browser
