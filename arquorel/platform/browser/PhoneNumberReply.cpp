#include "arquorel/platform/browser/PhoneNumberReply.h"

namespace arquorel::browser {

namespace {

bool isAsciiLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

}  // namespace

std::string phoneReaderRegion(std::string_view region) {
    if (region.size() != 2 || !isAsciiLetter(region[0]) || !isAsciiLetter(region[1])) return {};
    std::string upper(region);
    for (char& c : upper)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return upper;
}

PhoneNumberResult phoneNumberFromReply(std::string_view reply) {
    if (!reply.empty() && reply.front() == '!') {
        const auto reason = reply.substr(1);
        return {std::nullopt, reason.empty() ? "not a telephone number" : std::string(reason)};
    }
    const auto space = reply.find(' ');
    const auto e164 = reply.substr(0, space);
    const auto region =
        space == std::string_view::npos ? std::string_view() : reply.substr(space + 1);
    // E.164: a plus and at most 15 digits, the first not a zero.
    bool wellFormed = e164.size() >= 3 && e164.size() <= 16 && e164[0] == '+' && e164[1] != '0';
    for (std::size_t i = 1; wellFormed && i < e164.size(); ++i) wellFormed = isDigit(e164[i]);
    const bool regionKnown = region == "001" || phoneReaderRegion(region) == region;
    if (!wellFormed || !regionKnown)
        return {std::nullopt, "the telephone-number reader answered \"" + std::string(reply) +
                                  "\", not a number"};
    return {PhoneNumber{std::string(e164), std::string(region)}, {}};
}

}  // namespace arquorel::browser
