#include "arquorel/platform/browser/SimplePhoneNumbers.h"

#include <cctype>
#include <initializer_list>
#include <string>

namespace arquorel::browser {

namespace {

struct Plan {
    const char* region;
    const char* callingCode;
    int minDigits;  // of the national significant number
    int maxDigits;
    const char* trunkPrefix;  // dropped from national numbers; "" when none
};

// The first region of a calling code is the one its numbers are given.
constexpr Plan kPlans[] = {
    {"MC", "377", 8, 9, ""},  {"FR", "33", 9, 9, "0"},   {"IT", "39", 6, 11, ""},
    {"CH", "41", 9, 9, "0"},  {"AT", "43", 4, 13, "0"},  {"DE", "49", 6, 13, "0"},
    {"LI", "423", 7, 9, ""},  {"US", "1", 10, 10, "1"},  {"CA", "1", 10, 10, "1"},
    {"GB", "44", 9, 10, "0"}, {"ES", "34", 9, 9, ""},    {"BE", "32", 8, 9, "0"},
    {"NL", "31", 9, 9, "0"},  {"LU", "352", 4, 11, ""},  {"PT", "351", 9, 9, ""},
    {"IE", "353", 7, 9, "0"}, {"DK", "45", 8, 8, ""},    {"SE", "46", 7, 9, "0"},
    {"NO", "47", 8, 8, ""},   {"PL", "48", 9, 9, ""},    {"GR", "30", 10, 10, ""},
    {"JP", "81", 9, 10, "0"}, {"CN", "86", 10, 11, "0"}, {"IN", "91", 10, 10, "0"},
    {"AU", "61", 9, 9, "0"},  {"BR", "55", 10, 11, "0"}, {"RU", "7", 10, 10, "8"},
};

const Plan* planOfRegion(std::string_view region) {
    std::string upper;
    for (char c : region) upper += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    for (const auto& plan : kPlans)
        if (upper == plan.region) return &plan;
    return nullptr;
}

// Joins the pieces of a message (appended one by one: g++ 12 at -O3 warns wrongly with
// -Wrestrict about "literal" + std::string temporaries).
std::string join(std::initializer_list<std::string_view> pieces) {
    std::string out;
    for (auto piece : pieces) out.append(piece);
    return out;
}

PhoneNumberResult failure(std::string message) {
    return {std::nullopt, std::move(message)};
}

PhoneNumberResult checked(const Plan* plan, const std::string& callingCode,
                          const std::string& national, std::string_view text) {
    const int digits = static_cast<int>(national.size());
    if (plan && (digits < plan->minDigits || digits > plan->maxDigits))
        return failure(
            join({"\"", text, "\" has ", std::to_string(digits), " digits after the calling code ",
                  callingCode, ", not a number of ", plan->region}));
    const int total = static_cast<int>(callingCode.size()) + digits;
    if (!plan && (total < 8 || total > 15))
        return failure(join(
            {"\"", text, "\" is too ", total < 8 ? "short" : "long", " for a telephone number"}));
    return {PhoneNumber{join({"+", callingCode, national}), plan ? plan->region : ""}, {}};
}

}  // namespace

PhoneNumberResult readPhoneNumberSimply(std::string_view text, std::string_view defaultRegion) {
    std::string digits;
    bool plus = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c >= '0' && c <= '9') {
            digits += c;
        } else if (c == '+' && digits.empty() && !plus) {
            plus = true;
        } else if (c == ' ' || c == '.' || c == '-' || c == '(' || c == ')' || c == '/' ||
                   c == '\t') {
            continue;
        } else if (text.substr(i, 2) == "\xC2\xA0") {  // no-break space
            ++i;
        } else {
            return failure(join({"\"", text, "\" is not a telephone number: '", std::string(1, c),
                                 "' at ", std::to_string(i)}));
        }
    }
    if (digits.empty()) return failure(join({"\"", text, "\" has no digits"}));
    if (!plus && digits.rfind("00", 0) == 0) {
        plus = true;
        digits.erase(0, 2);
    }
    if (plus) {
        // The longest known calling code that starts the digits.
        const Plan* found = nullptr;
        for (const auto& plan : kPlans) {
            const std::string code = plan.callingCode;
            if (digits.rfind(code, 0) == 0 &&
                (!found || code.size() > std::string(found->callingCode).size()))
                found = &plan;
        }
        if (!found) return checked(nullptr, std::string(), digits, text);
        const std::string code = found->callingCode;
        return checked(found, code, digits.substr(code.size()), text);
    }
    const Plan* plan = planOfRegion(defaultRegion);
    if (!plan)
        return failure(join({"\"", text, "\" has no calling code and the region is unknown"}));
    std::string national = digits;
    const std::string trunk = plan->trunkPrefix;
    if (!trunk.empty() && national.rfind(trunk, 0) == 0 &&
        static_cast<int>(national.size()) > plan->maxDigits)
        national.erase(0, trunk.size());
    return checked(plan, plan->callingCode, national, text);
}

}  // namespace arquorel::browser
