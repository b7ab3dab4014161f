#include "arquorel/toolkit/TextCase.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace arquorel {
namespace {

struct Case {
    std::string in, out;
};

// Each code point's mapping is checked against the character database below; these check the
// reading and writing of whole texts, in letters of every UTF-8 length.
TEST(TextCaseTest, UpperCasesTheLettersOfEveryScriptWithCase) {
    const Case cases[] = {
        {"Église", "ÉGLISE"},
        {"straße", "STRAßE"},  // no single upper-case letter: kept
        {"Phương, đường phố, phở", "PHƯƠNG, ĐƯỜNG PHỐ, PHỞ"},
        {"თბილისი", "ᲗᲑᲘᲚᲘᲡᲘ"},
        {"𐐨𐑏 𞤢", "𐐀𐐧 𞤀"},  // Deseret, Adlam: four-byte letters
        {"12 € ÷ × 日本 🍕", "12 € ÷ × 日本 🍕"},
        // The last and first code points of each UTF-8 length come back as they were.
        {"\x7F \xC2\x80 \xDF\xBF \xE0\xA0\x80 \xEF\xBF\xBF \xF0\x90\x80\x80",
         "\x7F \xC2\x80 \xDF\xBF \xE0\xA0\x80 \xEF\xBF\xBF \xF0\x90\x80\x80"},
        {"", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(upperCased(c.in), c.out) << c.in;
}

TEST(TextCaseTest, BytesThatAreNotUtf8AreKeptAndWhatFollowsIsStillUpperCased) {
    const Case cases[] = {
        {std::string("a\xC3") + "b", std::string("A\xC3") + "B"},  // cut sequence
        {"\xE9t\xE9", "\xE9T\xE9"},                                // Latin-1
        {"\xC0\xAF"
         "x",
         "\xC0\xAF"
         "X"},                                       // overlong
        {"\xED\xA0\x80q", "\xED\xA0\x80Q"},          // a surrogate
        {"\xF4\x90\x80\x80q", "\xF4\x90\x80\x80Q"},  // beyond U+10FFFF
        {"\x80\xBFz\xFF", "\x80\xBFZ\xFF"},          // stray bytes
        {"q\xF0\x90\x90", "Q\xF0\x90\x90"},          // four-byte letter cut short
        {std::string("a\0b", 3), std::string("A\0B", 3)},
    };
    for (const auto& c : cases) EXPECT_EQ(upperCased(c.in), c.out) << c.in;
    EXPECT_EQ(upperCasedCodePoint(0x110000), char32_t{0x110000});
    EXPECT_EQ(upperCasedCodePoint(0xFFFFFFFF), char32_t{0xFFFFFFFF});
}

// Every code point against the character database the table was made from: field 12 of each
// line is the simple upper-case mapping, and code points without one stay as they are.
TEST(TextCaseTest, EveryCodePointFollowsTheCharacterDatabase) {
    std::ifstream in(ARQUOREL_UNICODE_DATA);
    ASSERT_TRUE(in) << ARQUOREL_UNICODE_DATA;
    std::vector<char32_t> upper(0x110000);  // the mapping of every code point
    for (char32_t c = 0; c < upper.size(); ++c) upper[c] = c;
    int mapped = 0;
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        std::string field, code;
        for (int i = 0; std::getline(fields, field, ';'); ++i) {
            if (i == 0) code = field;
            if (i == 12 && !field.empty()) {
                upper.at(std::stoul(code, nullptr, 16)) =
                    static_cast<char32_t>(std::stoul(field, nullptr, 16));
                ++mapped;
            }
        }
    }
    ASSERT_GT(mapped, 1400);
    int wrong = 0;
    for (char32_t c = 0; c < upper.size() && wrong < 10; ++c) {
        const char32_t expected = upper[c], actual = upperCasedCodePoint(c);
        if (actual != expected) {
            ++wrong;
            ADD_FAILURE() << std::hex << "U+" << static_cast<unsigned>(c) << " gives U+"
                          << static_cast<unsigned>(actual) << ", not U+"
                          << static_cast<unsigned>(expected);
        }
    }
}

}  // namespace
}  // namespace arquorel
