#include "arquorel/platform/system/DecimalText.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <version>

namespace arquorel {

namespace detail {

std::string shortestDecimalByPrintf(double value, bool fixedOnly) {
    if (std::isnan(value)) return "nan";
    if (std::isinf(value)) return value < 0 ? "-inf" : "inf";
    const bool negative = std::signbit(value);
    const std::string sign = negative ? "-" : "";
    if (value == 0) return sign + "0";

    // The fewest significant digits that read back as `value`: d.ddd e±x.
    char text[40];
    for (int precision = 0; precision <= 17; ++precision) {
        std::snprintf(text, sizeof text, "%.*e", precision, value);
        if (std::strtod(text, nullptr) == value) break;
    }
    std::string digits;
    const char* p = text + (negative ? 1 : 0);
    for (; *p != 'e'; ++p)
        if (*p != '.') digits += *p;
    const int exponent = std::atoi(p + 1);
    while (digits.size() > 1 && digits.back() == '0') digits.pop_back();
    const int count = static_cast<int>(digits.size());

    std::string fixed;
    if (exponent >= count - 1) {
        // A whole number: its exact digits, as the library writes them (beyond 2^53 they
        // differ from the shortest digits padded with zeros).
        char whole[400];
        std::snprintf(whole, sizeof whole, "%.0f", std::fabs(value));
        fixed = whole;
    } else if (exponent >= 0) {
        const auto point = static_cast<std::size_t>(exponent + 1);
        fixed.assign(digits, 0, point);
        fixed += '.';
        fixed.append(digits, point);
    } else {
        // Appended piece by piece: g++ 12 at -O3 warns wrongly (-Wrestrict) about
        // "literal" + std::string temporaries.
        fixed = "0.";
        fixed.append(static_cast<std::size_t>(-exponent - 1), '0');
        fixed += digits;
    }
    if (fixedOnly) return sign + fixed;

    std::string scientific = digits.substr(0, 1);
    if (count > 1) {
        scientific += '.';
        scientific.append(digits, 1);
    }
    char power[16];
    std::snprintf(power, sizeof power, "e%c%02d", exponent < 0 ? '-' : '+', std::abs(exponent));
    scientific += power;
    return sign + (fixed.size() <= scientific.size() ? fixed : scientific);
}

}  // namespace detail

#if defined(__cpp_lib_to_chars) && __cpp_lib_to_chars >= 201611L
std::string shortestDecimal(double value) {
    char text[32];
    const auto result = std::to_chars(text, text + sizeof text, value);
    return std::string(text, result.ptr);
}

std::string shortestFixedDecimal(double value) {
    char text[400];  // the largest double has 309 digits before the point
    const auto result = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed);
    return std::string(text, result.ptr);
}
#else
std::string shortestDecimal(double value) {
    return detail::shortestDecimalByPrintf(value, false);
}

std::string shortestFixedDecimal(double value) {
    return detail::shortestDecimalByPrintf(value, true);
}
#endif

}  // namespace arquorel
