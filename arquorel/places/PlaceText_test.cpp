#include "arquorel/places/PlaceText.h"

#include <gtest/gtest.h>

namespace arquorel {
namespace {

using namespace std::string_literals;

// A text keeps every byte (NULs and long texts included), copies are independent, and an
// assigned empty text is empty again.
TEST(PlaceTextTest, KeepsItsBytesAndCopiesAreIndependent) {
    const std::string bytes = "a\0b"s + std::string(70000, 'x');
    PlaceText text = bytes;
    EXPECT_EQ(text.size(), bytes.size());
    EXPECT_EQ(text, bytes);
    PlaceText copy = text;
    copy += "!";
    EXPECT_EQ(text, bytes);
    EXPECT_EQ(copy.str(), bytes + "!");
    text = copy;
    EXPECT_EQ(text, copy);
    text = "";
    EXPECT_TRUE(text.empty());
    EXPECT_EQ(text.size(), 0u);
    EXPECT_EQ("<" + PlaceText("é") + ">", "<é>");
    EXPECT_LT(PlaceText("a"), PlaceText("b"));
}

}  // namespace
}  // namespace arquorel
