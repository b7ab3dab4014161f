#include "arquorel/platform/system/native/UriparserURLService.h"

#include <uriparser/Uri.h>

#include <algorithm>
#include <cctype>

namespace arquorel::native {

namespace {

std::string rangeText(const UriTextRangeA& range) {
    if (!range.first || !range.afterLast || range.afterLast < range.first) return {};
    return std::string(range.first, range.afterLast);
}

// Frees the parser's linked lists however the parse ends.
struct ParsedUri {
    UriUriA uri{};
    ~ParsedUri() { uriFreeUriMembersA(&uri); }
};

}  // namespace

URLParseResult UriparserURLService::parse(std::string_view text) const {
    ParsedUri parsed;
    const char* first = text.data();
    const char* afterLast = text.data() + text.size();
    if (text.empty()) {
        // An empty reference is a valid relative reference (the current document).
        return {URLParts{}, {}};
    }
    const char* errorPos = nullptr;
    const int status = uriParseSingleUriExA(&parsed.uri, first, afterLast, &errorPos);
    if (status != URI_SUCCESS) {
        const std::size_t offset = errorPos && errorPos >= first && errorPos <= afterLast
                                       ? static_cast<std::size_t>(errorPos - first)
                                       : text.size();
        std::string error = "not an address: unexpected ";
        if (offset < text.size()) {
            const auto c = static_cast<unsigned char>(text[offset]);
            if (std::isprint(c) && c != ' ') {
                // Appended piece by piece: g++ 12 at -O3 takes "'" + std::string(...) for an
                // overlapping copy (-Wrestrict) and stops the release build.
                error += '\'';
                error += static_cast<char>(c);
                error += '\'';
            } else {
                static constexpr char kDigits[] = "0123456789ABCDEF";
                error += std::string("byte 0x") + kDigits[c >> 4] + kDigits[c & 0xf];
            }
        } else {
            error += "end";
        }
        error += " at offset " + std::to_string(offset);
        return {{}, std::move(error)};
    }

    URLParts parts;
    const UriUriA& uri = parsed.uri;
    parts.scheme = rangeText(uri.scheme);
    std::transform(parts.scheme.begin(), parts.scheme.end(), parts.scheme.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    std::size_t afterScheme = 0;
    if (uri.scheme.first) afterScheme = static_cast<std::size_t>(uri.scheme.afterLast - first) + 1;
    parts.hasAuthority = text.substr(afterScheme, 2) == "//";
    std::size_t pathStart = afterScheme;
    if (parts.hasAuthority) {
        parts.userInfo = rangeText(uri.userInfo);
        parts.host = rangeText(uri.hostText);
        parts.port = rangeText(uri.portText);
        // The authority ends at the first '/', '?' or '#' after "//".
        pathStart = text.find_first_of("/?#", afterScheme + 2);
        if (pathStart == std::string_view::npos) pathStart = text.size();
    }
    std::size_t pathEnd = text.find_first_of("?#", pathStart);
    if (pathEnd == std::string_view::npos) pathEnd = text.size();
    parts.path = std::string(text.substr(pathStart, pathEnd - pathStart));
    parts.hasQuery = uri.query.first != nullptr;
    parts.query = rangeText(uri.query);
    parts.hasFragment = uri.fragment.first != nullptr;
    parts.fragment = rangeText(uri.fragment);
    return {std::move(parts), {}};
}

}  // namespace arquorel::native
