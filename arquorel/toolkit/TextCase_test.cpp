#include "arquorel/toolkit/TextCase.h"

#include <gtest/gtest.h>

#include <string>

namespace arquorel {
namespace {

TEST(TextCaseTest, UpperCasesEachCharacterNotEachByte) {
    struct Case {
        std::string in, out;
    };
    const Case cases[] = {
        {"Église", "ÉGLISE"},
        {"Geschäft", "GESCHÄFT"},
        {"café crème", "CAFÉ CRÈME"},
        {"straße", "STRAßE"},  // no single upper-case letter: kept
        {"ÿ œ ł ń ž", "Ÿ Œ Ł Ń Ž"},
        {"ı i", "I I"},  // dotless i, and i stays without a dot
        {"şapte ţară ǎ", "ŞAPTE ŢARĂ Ǎ"},
        {"αθήνα ς", "ΑΘΉΝΑ Σ"},
        {"москва ёж", "МОСКВА ЁЖ"},
        {"phở", "PHỞ"},
        {"12 € ÷ ×", "12 € ÷ ×"},
        {"日本 🍕", "日本 🍕"},
        // Bytes that are not UTF-8 are kept, and what follows them is still upper-cased.
        {std::string("a\xC3") + "b", std::string("A\xC3") + "B"},
        {std::string("\xE9t\xE9"), std::string("\xE9T\xE9")},
        {std::string("\xC0\xAF"
                     "x"),
         std::string("\xC0\xAF"
                     "X")},  // overlong
        {"", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(upperCased(c.in), c.out) << c.in;
}

}  // namespace
}  // namespace arquorel
