#include "arquorel/toolkit/TextCase.h"

#include <algorithm>
#include <cstdint>
#include <iterator>

namespace arquorel {

namespace {

void appendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// The length of the valid UTF-8 sequence at `i` and its code point; 0 when it is not valid.
std::size_t decode(std::string_view s, std::size_t i, char32_t& c) {
    const auto b0 = static_cast<unsigned char>(s[i]);
    std::size_t n = 0;
    char32_t min = 0;
    if (b0 < 0x80) {
        c = b0;
        return 1;
    } else if ((b0 & 0xE0) == 0xC0) {
        n = 2, c = b0 & 0x1F, min = 0x80;
    } else if ((b0 & 0xF0) == 0xE0) {
        n = 3, c = b0 & 0x0F, min = 0x800;
    } else if ((b0 & 0xF8) == 0xF0) {
        n = 4, c = b0 & 0x07, min = 0x10000;
    } else {
        return 0;
    }
    if (i + n > s.size()) return 0;
    for (std::size_t k = 1; k < n; ++k) {
        const auto b = static_cast<unsigned char>(s[i + k]);
        if ((b & 0xC0) != 0x80) return 0;
        c = (c << 6) | (b & 0x3F);
    }
    if (c < min || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return 0;
    return n;
}

// Code points from `first` to `last`, every `step`-th one, upper-case by adding `offset`.
struct UpperCaseRun {
    char32_t first, last;
    std::uint8_t step;
    std::int32_t offset;
};

// The simple upper-case mapping of the Unicode character database, made at build time from the
// distribution's UnicodeData.txt (cmake/UpperCaseTable.cmake), sorted by first code point.
constexpr UpperCaseRun kUpperCaseRuns[] = {
#include "UpperCaseTable.inc"
};

}  // namespace

char32_t upperCasedCodePoint(char32_t c) {
    // The last run starting at or before c.
    const auto* run =
        std::upper_bound(std::begin(kUpperCaseRuns), std::end(kUpperCaseRuns), c,
                         [](char32_t v, const UpperCaseRun& r) { return v < r.first; });
    if (run == std::begin(kUpperCaseRuns)) return c;
    --run;
    if (c > run->last || (c - run->first) % run->step != 0) return c;
    return static_cast<char32_t>(static_cast<std::int32_t>(c) + run->offset);
}

std::string upperCased(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        char32_t c = 0;
        const std::size_t n = decode(text, i, c);
        if (n == 0) {  // not UTF-8: the byte stays
            out += text[i];
            ++i;
            continue;
        }
        appendUtf8(out, upperCasedCodePoint(c));
        i += n;
    }
    return out;
}

}  // namespace arquorel
