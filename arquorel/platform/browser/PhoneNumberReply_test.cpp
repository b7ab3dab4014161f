#include "arquorel/platform/browser/PhoneNumberReply.h"

#include <gtest/gtest.h>

namespace arquorel::browser {
namespace {

TEST(PhoneNumberReplyTest, RegionGoesToTheReaderAsTwoCapitalsOrNotAtAll) {
    EXPECT_EQ(phoneReaderRegion("mc"), "MC");  // the country table's codes in either case
    EXPECT_EQ(phoneReaderRegion("Ru"), "RU");
    EXPECT_EQ(phoneReaderRegion("US"), "US");
    for (const char* unknown : {"", "M", "MCO", "001", "m1", "\xC3\xA9z", "ZZZ"})
        EXPECT_EQ(phoneReaderRegion(unknown), "") << unknown;
}

TEST(PhoneNumberReplyTest, ValidAnswersBecomeNumbersOfTheirRegion) {
    const auto monaco = phoneNumberFromReply("+37793250000 MC");
    ASSERT_TRUE(monaco) << monaco.error;
    EXPECT_EQ(*monaco.number, (PhoneNumber{"+37793250000", "MC"}));
    const auto global = phoneNumberFromReply("+80012345678 001");
    ASSERT_TRUE(global) << global.error;
    EXPECT_EQ(global.number->regionCode, "001");
    const auto noRegion = phoneNumberFromReply("+18005553535");
    ASSERT_TRUE(noRegion) << noRegion.error;
    EXPECT_EQ(*noRegion.number, (PhoneNumber{"+18005553535", ""}));
}

TEST(PhoneNumberReplyTest, RefusalsKeepTheReaderReasonAndGarbageIsNoNumber) {
    const auto refused = phoneNumberFromReply("!too short for a telephone number");
    EXPECT_FALSE(refused);
    EXPECT_EQ(refused.error, "too short for a telephone number");
    EXPECT_EQ(phoneNumberFromReply("!").error, "not a telephone number");
    // Whatever else comes back never becomes a dial string.
    for (const char* garbage : {"", " MC", "+ MC", "37793250000 MC", "+037793250000 MC",
                                "+3779325000a MC", "+a7793250000 MC", "+1234567890123456 US",
                                "+37793250000 mc", "+37793250000 Monaco", "undefined"}) {
        const auto result = phoneNumberFromReply(garbage);
        EXPECT_FALSE(result) << garbage;
        EXPECT_NE(result.error.find("not a number"), std::string::npos) << garbage;
    }
    EXPECT_TRUE(phoneNumberFromReply("+123456789012345 US"));  // fifteen digits: the longest
}

}  // namespace
}  // namespace arquorel::browser
