#pragma once
// Upper-casing of UTF-8 text character by character (not byte by byte), by the simple
// (one-to-one) upper-case mapping of the Unicode character database: every script with case.
// Letters without a single upper-case letter (ß, ŉ) and bytes that are not valid UTF-8 are
// kept as they are.

#include <string>
#include <string_view>

namespace arquorel {

// The simple upper-case mapping of a code point, or the code point itself when it has none.
char32_t upperCasedCodePoint(char32_t c);
std::string upperCased(std::string_view text);

}  // namespace arquorel
