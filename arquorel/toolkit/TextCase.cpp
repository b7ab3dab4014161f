#include "arquorel/toolkit/TextCase.h"

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

}  // namespace

char32_t upperCasedCodePoint(char32_t c) {
    if (c >= U'a' && c <= U'z') return c - 0x20;
    if (c < 0xB5) return c;
    if (c == 0xB5) return 0x39C;                               // micro sign
    if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return c - 0x20;  // à..þ except ÷
    if (c == 0xFF) return 0x178;                               // ÿ
    if (c == 0x131) return U'I';                               // dotless i
    if (c == 0x17F) return U'S';                               // long s
    // Latin Extended-A: pairs of upper then lower case, except the two shifted runs.
    if (c >= 0x100 && c <= 0x137) return (c & 1) ? c - 1 : c;
    if (c >= 0x139 && c <= 0x148) return (c & 1) ? c : c - 1;
    if (c >= 0x14A && c <= 0x177) return (c & 1) ? c - 1 : c;
    if (c >= 0x179 && c <= 0x17E) return (c & 1) ? c : c - 1;
    if (c == 0x180) return 0x243;
    if (c == 0x1DD) return 0x18E;
    // Latin Extended-B pairs used by Romanian and in pinyin.
    if (c >= 0x1CD && c <= 0x1DC) return (c & 1) ? c : c - 1;
    if (c >= 0x1DE && c <= 0x1EF) return (c & 1) ? c - 1 : c;
    if (c >= 0x1F8 && c <= 0x21F) return (c & 1) ? c - 1 : c;
    // Greek.
    if (c == 0x3AC) return 0x386;
    if (c >= 0x3AD && c <= 0x3AF) return c - 0x25;
    if (c == 0x3C2) return 0x3A3;  // final sigma
    if (c >= 0x3B1 && c <= 0x3CB) return c - 0x20;
    if (c == 0x3CC) return 0x38C;
    if (c == 0x3CD || c == 0x3CE) return c - 0x3F;
    // Cyrillic.
    if (c >= 0x430 && c <= 0x44F) return c - 0x20;
    if (c >= 0x450 && c <= 0x45F) return c - 0x50;
    if (c >= 0x460 && c <= 0x481) return (c & 1) ? c - 1 : c;
    if (c >= 0x48A && c <= 0x4BF) return (c & 1) ? c - 1 : c;
    if (c >= 0x4D0 && c <= 0x52F) return (c & 1) ? c - 1 : c;
    // Latin Extended Additional (Vietnamese and others).
    if (c >= 0x1E00 && c <= 0x1E95) return (c & 1) ? c - 1 : c;
    if (c >= 0x1EA0 && c <= 0x1EFF) return (c & 1) ? c - 1 : c;
    return c;
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
