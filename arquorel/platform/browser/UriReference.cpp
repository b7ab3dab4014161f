#include "arquorel/platform/browser/UriReference.h"

#include <cctype>
#include <string>

namespace arquorel::browser {

namespace {

bool isHex(char c) {
    return std::isxdigit(static_cast<unsigned char>(c)) != 0;
}

bool inGrammar(char c) {
    if (std::isalnum(static_cast<unsigned char>(c))) return true;
    return std::string_view("-._~:/?#[]@!$&'()*+,;=").find(c) != std::string_view::npos;
}

URLParseResult failure(std::string_view text, std::size_t offset, const std::string& why) {
    // Appended piece by piece: g++ 12 at -O3 warns wrongly (-Wrestrict) about "literal" +
    // std::string temporaries.
    std::string message = "\"";
    message.append(text);
    message += "\" is not an address: ";
    message += why;
    message += " at ";
    message += std::to_string(offset);
    return {std::nullopt, message};
}

}  // namespace

URLParseResult splitUriReference(std::string_view text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '%') {
            if (i + 2 >= text.size() || !isHex(text[i + 1]) || !isHex(text[i + 2]))
                return failure(text, i, "a '%' that starts no escape");
            i += 2;
        } else if (!inGrammar(c)) {
            const auto b = static_cast<unsigned char>(c);
            return failure(text, i,
                           b == ' '    ? std::string("a space")
                           : b < 0x20  ? std::string("a control character")
                           : b >= 0x80 ? std::string("a character outside ASCII")
                                       : std::string{'\'', c, '\''});
        }
    }
    URLParts parts;
    std::string_view rest = text;
    // scheme: a letter, then letters, digits, '+', '-', '.', up to the first ':' before any of
    // "/?#".
    const auto colon = rest.find(':');
    const auto delimiter = rest.find_first_of("/?#");
    if (colon != std::string_view::npos && colon > 0 &&
        (delimiter == std::string_view::npos || colon < delimiter) &&
        std::isalpha(static_cast<unsigned char>(rest[0]))) {
        bool valid = true;
        for (char c : rest.substr(0, colon))
            valid &=
                std::isalnum(static_cast<unsigned char>(c)) || c == '+' || c == '-' || c == '.';
        if (valid) {
            for (char c : rest.substr(0, colon))
                parts.scheme += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            rest.remove_prefix(colon + 1);
        }
    }
    if (const auto hash = rest.find('#'); hash != std::string_view::npos) {
        parts.hasFragment = true;
        parts.fragment = std::string(rest.substr(hash + 1));
        rest = rest.substr(0, hash);
    }
    if (const auto question = rest.find('?'); question != std::string_view::npos) {
        parts.hasQuery = true;
        parts.query = std::string(rest.substr(question + 1));
        rest = rest.substr(0, question);
    }
    if (rest.substr(0, 2) == "//") {
        parts.hasAuthority = true;
        rest.remove_prefix(2);
        const auto slash = rest.find('/');
        std::string_view authority = rest.substr(0, slash);
        rest = slash == std::string_view::npos ? std::string_view() : rest.substr(slash);
        if (const auto at = authority.rfind('@'); at != std::string_view::npos) {
            parts.userInfo = std::string(authority.substr(0, at));
            authority.remove_prefix(at + 1);
        }
        std::size_t hostEnd = authority.size();
        if (!authority.empty() && authority[0] == '[') {
            const auto close = authority.find(']');
            if (close == std::string_view::npos)
                return failure(text, text.size() - rest.size() - authority.size(),
                               "an IPv6 host without its ']'");
            hostEnd = close + 1;
            if (hostEnd < authority.size() && authority[hostEnd] != ':')
                return failure(text, 0, "characters after the IPv6 host");
        } else if (const auto portColon = authority.rfind(':');
                   portColon != std::string_view::npos) {
            hostEnd = portColon;
        }
        parts.host = std::string(authority.substr(0, hostEnd));
        if (hostEnd < authority.size()) parts.port = std::string(authority.substr(hostEnd + 1));
        for (char c : parts.port)
            if (!std::isdigit(static_cast<unsigned char>(c)))
                return failure(text, 0, "a port that is not a number");
    }
    parts.path = std::string(rest);
    return {parts, {}};
}

}  // namespace arquorel::browser
