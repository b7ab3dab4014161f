#pragma once
// Percent-encoding of texts placed into parts of an address. Each set lists what is kept as it
// is; every other byte becomes %XX (upper-case hex digits, UTF-8 bytes one by one).

#include <string>
#include <string_view>

namespace arquorel {

enum class PercentEncodingSet {
    // A value inside a query ("a=1&b=2"): unreserved characters only, so '&', '=', '+', '#'
    // and '%' of the value never change the query's structure.
    queryValue,
    // A whole query: unreserved, sub-delimiters, ':', '@', '/' and '?'.
    query,
    // One path segment: unreserved, sub-delimiters, ':' and '@' (no '/', '?', '#').
    pathSegment,
    // A whole address written by a person: only bytes that may appear nowhere in an address
    // (spaces, controls, non-ASCII, '"', '<', '>', '\', '^', '`', '{', '|', '}') and a '%'
    // that starts no escape are encoded. Escapes already present, '#', '?' and '/' stay, so
    // encoding twice changes nothing.
    addressText,
};

std::string percentEncode(std::string_view text, PercentEncodingSet set);

// Decodes %XX escapes (either case of hex digit); a '%' that starts no escape stays as it is.
std::string percentDecode(std::string_view text);

}  // namespace arquorel
