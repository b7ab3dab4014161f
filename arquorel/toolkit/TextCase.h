#pragma once
// Upper-casing of UTF-8 text character by character (not byte by byte): Latin with its
// accented letters, Greek and Cyrillic are mapped; every other character, and bytes that are
// not valid UTF-8, are kept as they are.

#include <string>
#include <string_view>

namespace arquorel {

// The upper-case letter of a code point, or the code point itself when it has none here.
char32_t upperCasedCodePoint(char32_t c);
std::string upperCased(std::string_view text);

}  // namespace arquorel
