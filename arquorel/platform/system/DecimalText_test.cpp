#include "arquorel/platform/system/DecimalText.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <limits>
#include <random>
#include <string>

namespace arquorel {
namespace {

TEST(DecimalTextTest, ShortestTextsInBothNotations) {
    struct Case {
        double value;
        std::string shortest;
        std::string fixed;
    };
    const Case cases[] = {
        {0.0, "0", "0"},
        {-0.0, "-0", "-0"},
        {1.0, "1", "1"},
        {0.5, "0.5", "0.5"},
        {-2.25, "-2.25", "-2.25"},
        {0.1, "0.1", "0.1"},
        {0.3, "0.3", "0.3"},
        {0.1 + 0.2, "0.30000000000000004", "0.30000000000000004"},
        {1500, "1500", "1500"},
        {100, "100", "100"},
        {1e5, "1e+05", "100000"},
        {123456, "123456", "123456"},
        {1e20, "1e+20", "100000000000000000000"},
        {1.5e-7, "1.5e-07", "0.00000015"},
        {0.0001, "1e-04", "0.0001"},
        {0.001, "0.001", "0.001"},
        {0.00012, "0.00012", "0.00012"},
        {43.7393682, "43.7393682", "43.7393682"},
        {7.4272085, "7.4272085", "7.4272085"},
        {1.2e-300, "1.2e-300", "0." + std::string(299, '0') + "12"},
        {9007199254740993.0 * 4, "36028797018963968", "36028797018963968"},
        {5e-324, "5e-324", "0." + std::string(323, '0') + "5"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.shortest);
        EXPECT_EQ(shortestDecimal(c.value), c.shortest);
        EXPECT_EQ(shortestFixedDecimal(c.value), c.fixed);
        EXPECT_EQ(detail::shortestDecimalByPrintf(c.value, false), c.shortest);
        EXPECT_EQ(detail::shortestDecimalByPrintf(c.value, true), c.fixed);
    }
}

TEST(DecimalTextTest, NotANumberAndInfinities) {
    for (bool fixed : {false, true}) {
        EXPECT_EQ(detail::shortestDecimalByPrintf(std::numeric_limits<double>::quiet_NaN(), fixed),
                  "nan");
        EXPECT_EQ(detail::shortestDecimalByPrintf(INFINITY, fixed), "inf");
        EXPECT_EQ(detail::shortestDecimalByPrintf(-INFINITY, fixed), "-inf");
    }
    EXPECT_EQ(shortestDecimal(INFINITY), "inf");
    EXPECT_EQ(shortestDecimal(-INFINITY), "-inf");
}

// Random doubles of every magnitude: the printf way agrees with the library and reads back.
TEST(DecimalTextTest, PrintfWayAgreesWithTheLibraryAndReadsBack) {
    std::mt19937_64 random(7);
    std::uniform_real_distribution<double> mantissa(1, 10);
    std::uniform_int_distribution<int> exponent(-1070, 1020);
    for (int i = 0; i < 20000; ++i) {
        const double value = std::ldexp(mantissa(random), exponent(random)) * (i % 2 ? -1 : 1);
        SCOPED_TRACE(value);
        const std::string text = detail::shortestDecimalByPrintf(value, false);
        ASSERT_EQ(std::strtod(text.c_str(), nullptr), value) << text;
        ASSERT_EQ(text, shortestDecimal(value));
        ASSERT_EQ(detail::shortestDecimalByPrintf(value, true), shortestFixedDecimal(value));
    }
}

}  // namespace
}  // namespace arquorel
