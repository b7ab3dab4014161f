#pragma once
// The shortest decimal text of a double that reads back as the same double (what
// std::to_chars writes without a precision). Where the C++ library has no floating-point
// to_chars, the text is found by printing with growing precision and reading it back.

#include <string>

namespace arquorel {

// Fixed or scientific notation, whichever is shorter (fixed on a tie): "0.5", "1500",
// "1e+20", "1.5e-07". Not-a-number and infinities are "nan", "inf" and "-inf".
std::string shortestDecimal(double value);
// Always fixed notation: "0.00000015", "100000000000000000000".
std::string shortestFixedDecimal(double value);

namespace detail {
// The same texts found with printf and strtod alone, whatever the library offers.
std::string shortestDecimalByPrintf(double value, bool fixedOnly);
}  // namespace detail

}  // namespace arquorel
