#include "arquorel/platform/system/PercentEncoding.h"

namespace arquorel {

namespace {

bool isHex(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return c - 'A' + 10;
}

bool isUnreserved(unsigned char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '.' || c == '_' || c == '~';
}

bool isSubDelimiter(unsigned char c) {
    switch (c) {
        case '!':
        case '$':
        case '&':
        case '\'':
        case '(':
        case ')':
        case '*':
        case '+':
        case ',':
        case ';':
        case '=':
            return true;
        default:
            return false;
    }
}

// Bytes that no part of an address may hold as they are.
bool isNeverAllowed(unsigned char c) {
    if (c <= 0x20 || c >= 0x7f) return true;
    switch (c) {
        case '"':
        case '<':
        case '>':
        case '\\':
        case '^':
        case '`':
        case '{':
        case '|':
        case '}':
            return true;
        default:
            return false;
    }
}

bool keeps(PercentEncodingSet set, unsigned char c) {
    switch (set) {
        case PercentEncodingSet::queryValue:
            return isUnreserved(c);
        case PercentEncodingSet::query:
            return isUnreserved(c) || isSubDelimiter(c) || c == ':' || c == '@' || c == '/' ||
                   c == '?';
        case PercentEncodingSet::pathSegment:
            return isUnreserved(c) || isSubDelimiter(c) || c == ':' || c == '@';
        case PercentEncodingSet::addressText:
            return !isNeverAllowed(c);
    }
    return false;
}

}  // namespace

std::string percentEncode(std::string_view text, PercentEncodingSet set) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        const bool existingEscape = set == PercentEncodingSet::addressText && c == '%' &&
                                    i + 2 < text.size() && isHex(text[i + 1]) && isHex(text[i + 2]);
        if (existingEscape || (c != '%' && keeps(set, c))) {
            out.push_back(static_cast<char>(c));
        } else {
            out.push_back('%');
            out.push_back(kDigits[c >> 4]);
            out.push_back(kDigits[c & 0xf]);
        }
    }
    return out;
}

std::string percentDecode(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() && isHex(text[i + 1]) && isHex(text[i + 2])) {
            out.push_back(static_cast<char>(hexValue(text[i + 1]) * 16 + hexValue(text[i + 2])));
            i += 2;
        } else {
            out.push_back(text[i]);
        }
    }
    return out;
}

}  // namespace arquorel
