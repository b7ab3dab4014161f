#pragma once
// Splits a URI reference into its parts as written (scheme, authority, path, query, fragment,
// by the generic syntax), after checking that every character belongs to the grammar: letters,
// digits, "-._~:/?#[]@!$&'()*+,;=" and escapes of a '%' with two hexadecimal digits. Backends
// without a full parser check the parts further with their own.

#include <string_view>

#include "arquorel/platform/system/URLService.h"

namespace arquorel::browser {

URLParseResult splitUriReference(std::string_view text);

}  // namespace arquorel::browser
