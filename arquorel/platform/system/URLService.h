#pragma once
// Reading addresses (RFC 3986 URI references) into their parts. A backend installs the parser
// in the platform context; product code never sees which library reads them.

#include <optional>
#include <string>
#include <string_view>

namespace arquorel {

// The parts of an absolute or relative URI reference, as written (escapes kept). A part that
// is absent is empty; `hasAuthority` tells "file:///x" (an empty host) from "mailto:x".
struct URLParts {
    std::string scheme;  // lower case, without ':'
    std::string userInfo;
    std::string host;
    std::string port;
    std::string path;
    std::string query;     // without '?'
    std::string fragment;  // without '#'
    bool hasAuthority = false;
    bool hasQuery = false;
    bool hasFragment = false;
    friend bool operator==(const URLParts&, const URLParts&) = default;
};

// The outcome of reading a text: its parts, or a message naming the problem and where it is.
struct URLParseResult {
    std::optional<URLParts> url;
    std::string error;
    explicit operator bool() const { return url.has_value(); }
};

class URLService {
  public:
    virtual ~URLService() = default;
    // Reads the whole text as one URI reference; a text with characters outside the URI
    // grammar (spaces, non-ASCII, a stray '%') fails with the offset of the first of them.
    virtual URLParseResult parse(std::string_view text) const = 0;
};

}  // namespace arquorel
