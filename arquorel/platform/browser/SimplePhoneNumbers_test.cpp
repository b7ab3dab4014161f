#include "arquorel/platform/browser/SimplePhoneNumbers.h"

#include <gtest/gtest.h>

#include <string>

namespace arquorel::browser {
namespace {

TEST(SimplePhoneNumbersTest, ReadsNumbersAsPeopleWriteThem) {
    struct Case {
        std::string text;
        std::string region;
        std::string e164;  // empty: refused
        std::string numberRegion;
    };
    const Case cases[] = {
        {"+377 93 15 26 00", "", "+37793152600", "MC"},
        {"93 15 26 00", "MC", "+37793152600", "MC"},
        {"+33 4 93 78 38 10", "MC", "+33493783810", "FR"},
        {"04 93 78 38 10", "fr", "+33493783810", "FR"},
        {"0033 4.93.78.38.10", "", "+33493783810", "FR"},
        {"(555) 010-0199", "US", "+15550100199", "US"},
        {"1 555 010 0199", "US", "+15550100199", "US"},
        {"+39 06 698 1", "", "+39066981", "IT"},
        {"+41 44 668 18 00", "", "+41446681800", "CH"},
        {"+423 239 63 63", "", "+4232396363", "LI"},
        {"+49\u00A030 2027 0", "", "+49302027 0", ""},  // a no-break space inside: see below
        {"+971 4 123 4567", "", "+97141234567", ""},    // a calling code it does not know
        {"+33 4 93 78 38", "", "", ""},                 // too short for France
        {"+377 93 15 26 00 00 1", "", "", ""},          // too long for Monaco
        {"93 15 26 00", "", "", ""},                    // national, the region unknown
        {"93 15 26 00", "ZZ", "", ""},
        {"call 93 15 26 00", "MC", "", ""},
        {"+33 4 93 + 78", "", "", ""},
        {"", "MC", "", ""},
        {"+1 2", "", "", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text + " in " + c.region);
        const auto result = readPhoneNumberSimply(c.text, c.region);
        if (c.e164.empty()) {
            EXPECT_FALSE(result);
            EXPECT_NE(result.error.find(c.text), std::string::npos) << result.error;
            continue;
        }
        if (c.text.find("\u00A0") != std::string::npos) {
            // The no-break space is skipped like a space.
            ASSERT_TRUE(result) << result.error;
            EXPECT_EQ(result.number->e164, "+493020270");
            EXPECT_EQ(result.number->regionCode, "DE");
            continue;
        }
        ASSERT_TRUE(result) << result.error;
        EXPECT_EQ(result.number->e164, c.e164);
        EXPECT_EQ(result.number->regionCode, c.numberRegion);
    }
}

}  // namespace
}  // namespace arquorel::browser
