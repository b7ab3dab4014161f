#include "arquorel/platform/system/PercentEncoding.h"

#include <gtest/gtest.h>

#include <string>

namespace arquorel {
namespace {

TEST(PercentEncodingTest, EachSetKeepsOnlyWhatItsPartAllows) {
    using S = PercentEncodingSet;
    struct Case {
        std::string text;
        S set;
        std::string encoded;
    };
    const Case cases[] = {
        {"Café de Paris", S::queryValue, "Caf%C3%A9%20de%20Paris"},
        {"a=1&b=2+3#x%", S::queryValue, "a%3D1%26b%3D2%2B3%23x%25"},
        {"-._~AZaz09", S::queryValue, "-._~AZaz09"},
        {"a=1&b=/x?y#z", S::query, "a=1&b=/x?y%23z"},
        {"Monte-Carlo/Casino?x#y", S::pathSegment, "Monte-Carlo%2FCasino%3Fx%23y"},
        {"Fort_(Monaco):a@b", S::pathSegment, "Fort_(Monaco):a@b"},
        {"100%", S::pathSegment, "100%25"},
        // Whole addresses: escapes, '#', '?' and '/' stay; spaces and '%' alone do not.
        {"https://x.mc/a%20b c#top", S::addressText, "https://x.mc/a%20b%20c#top"},
        {"https://x.mc/?q=<b>&r=\"1\"", S::addressText, "https://x.mc/?q=%3Cb%3E&r=%221%22"},
        {"50% off %zz %4", S::addressText, "50%25%20off%20%25zz%20%254"},
        {"tab\there\x7f", S::addressText, "tab%09here%7F"},
        {"", S::addressText, ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(percentEncode(c.text, c.set), c.encoded) << c.text;
        // Decoding gives the text back, unless it held escapes of its own (kept as they were).
        if (percentDecode(c.text) == c.text) {
            EXPECT_EQ(percentDecode(c.encoded), c.text) << c.encoded;
        }
    }
}

TEST(PercentEncodingTest, AddressTextEncodedTwiceStaysTheSame) {
    for (const char* text : {"https://x.mc/a b%2Fc#f?g", "50%", "%%41", "é%e9"}) {
        const auto once = percentEncode(text, PercentEncodingSet::addressText);
        EXPECT_EQ(percentEncode(once, PercentEncodingSet::addressText), once) << text;
    }
}

TEST(PercentEncodingTest, DecodingLeavesAStrayPercentAlone) {
    EXPECT_EQ(percentDecode("100%"), "100%");
    EXPECT_EQ(percentDecode("%4"), "%4");
    EXPECT_EQ(percentDecode("%zz%41%6a"), "%zzAj");
}

}  // namespace
}  // namespace arquorel
