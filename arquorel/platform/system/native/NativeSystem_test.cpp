#include "arquorel/platform/system/native/NativeSystem.h"

#include <gtest/gtest.h>

#include <string>

#include "arquorel/platform/runtime/PlatformContext.h"
#include "arquorel/platform/system/PhoneNumberService.h"
#include "arquorel/platform/system/URLService.h"
#include "arquorel/platform/system/native/LibphonenumberService.h"
#include "arquorel/platform/system/native/UriparserURLService.h"
#include "sim/device/SimClock.h"

namespace arquorel::native {
namespace {

TEST(UriparserURLServiceTest, ReadsEveryPartOfAnAddress) {
    UriparserURLService urls;
    struct Case {
        std::string text;
        URLParts parts;
    };
    const Case cases[] = {
        {"HTTPS://user:pw@Example.mc:8443/a/b%20c?q=1&r#frag",
         {"https", "user:pw", "Example.mc", "8443", "/a/b%20c", "q=1&r", "frag", true, true, true}},
        {"https://x.mc", {"https", "", "x.mc", "", "", "", "", true, false, false}},
        {"https://x.mc?#", {"https", "", "x.mc", "", "", "", "", true, true, true}},
        {"https://[2001:db8::1]:80/p", {"https", "", "2001:db8::1", "80", "/p", "", "", true}},
        {"file:///etc/passwd", {"file", "", "", "", "/etc/passwd", "", "", true}},
        {"mailto:a@b.mc?subject=x", {"mailto", "", "", "", "a@b.mc", "subject=x", "", false, true}},
        {"javascript:alert(1)", {"javascript", "", "", "", "alert(1)", "", "", false}},
        {"tel:+15550100", {"tel", "", "", "", "+15550100", "", "", false}},
        {"www.example.mc/x", {"", "", "", "", "www.example.mc/x", "", "", false}},
        {"//cdn.mc/logo.png", {"", "", "cdn.mc", "", "/logo.png", "", "", true}},
        {"", {}},
    };
    for (const auto& c : cases) {
        const auto result = urls.parse(c.text);
        ASSERT_TRUE(result) << c.text << ": " << result.error;
        EXPECT_EQ(*result.url, c.parts) << c.text;
        EXPECT_TRUE(result.error.empty());
    }
}

TEST(UriparserURLServiceTest, TextsOutsideTheGrammarFailWithWhereAndWhat) {
    UriparserURLService urls;
    struct Case {
        std::string text;
        std::string error;
    };
    const Case cases[] = {
        {"https://x.mc/a b", "not an address: unexpected byte 0x20 at offset 14"},
        {"https://x.mc/caf\xc3\xa9", "not an address: unexpected byte 0xC3 at offset 16"},
        {"https://x.mc/%zz", "not an address: unexpected 'z' at offset 14"},
        {"http://a<b", "not an address: unexpected '<' at offset 8"},
        {std::string("https://x.mc/\0a", 15), "not an address: unexpected byte 0x00 at offset 13"},
        {"a:b:c d", "not an address: unexpected byte 0x20 at offset 5"},
    };
    for (const auto& c : cases) {
        const auto result = urls.parse(c.text);
        EXPECT_FALSE(result) << c.text;
        EXPECT_EQ(result.error, c.error) << c.text;
    }
}

TEST(LibphonenumberServiceTest, ReadsNumbersWithTheDefaultRegionAndWritesE164) {
    LibphonenumberService numbers;
    struct Case {
        std::string text;
        std::string region;
        std::string e164;  // empty: not a valid number
        std::string numberRegion;
    };
    const Case cases[] = {
        {"+1 555 0100", "", "", ""},  // 555-01xx is reserved for fiction: not a real range
        {"+1 212 555 0100", "", "+12125550100", "US"},
        {"+377 93 15 20 00", "", "+37793152000", "MC"},
        {"93 15 20 00", "mc", "+37793152000", "MC"},
        {"93 15 20 00", "FR", "", ""},  // not a French number
        {"04 93 15 20 00", "FR", "+33493152000", "FR"},
        {"04 93 15 20 00", "", "", ""},  // national number without a region
        {"0033 4 93 15 20 00", "FR", "+33493152000", "FR"},
        {"(212) 555-0100", "US", "+12125550100", "US"},
        {"call us", "FR", "", ""},
        {"", "FR", "", ""},
        {"+33 4", "FR", "", ""},
        {std::string(300, '1'), "FR", "", ""},
    };
    for (const auto& c : cases) {
        const auto result = numbers.read(c.text, c.region);
        if (c.e164.empty()) {
            EXPECT_FALSE(result) << c.text << " in " << c.region;
            EXPECT_FALSE(result.error.empty()) << c.text;
            continue;
        }
        ASSERT_TRUE(result) << c.text << " in " << c.region << ": " << result.error;
        EXPECT_EQ(result.number->e164, c.e164) << c.text;
        EXPECT_EQ(result.number->regionCode, c.numberRegion) << c.text;
    }
}

TEST(NativeSystemTest, InstallsBothServicesInTheContext) {
    sim::SimClock clock(0);
    PlatformContext context(clock);
    EXPECT_FALSE(context.urlService().parse("https://x.mc"));
    EXPECT_FALSE(context.phoneNumberService().read("+377 93 15 20 00", ""));
    installNativeSystemServices(context);
    EXPECT_TRUE(context.urlService().parse("https://x.mc"));
    EXPECT_TRUE(context.phoneNumberService().read("+377 93 15 20 00", ""));
}

}  // namespace
}  // namespace arquorel::native
