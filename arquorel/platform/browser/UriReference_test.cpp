#include "arquorel/platform/browser/UriReference.h"

#include <gtest/gtest.h>

namespace arquorel::browser {
namespace {

TEST(UriReferenceTest, SplitsThePartsAsWritten) {
    struct Case {
        std::string text;
        URLParts parts;
    };
    const Case cases[] = {
        {"https://user@www.Casino.mc:8443/a%20b/c?x=1&y#top",
         {"https", "user", "www.Casino.mc", "8443", "/a%20b/c", "x=1&y", "top", true, true, true}},
        {"HTTP://x.mc", {"http", "", "x.mc", "", "", "", "", true, false, false}},
        {"mailto:info@casino.mc", {"mailto", "", "", "", "info@casino.mc", "", "", false}},
        {"tel:+37798062121", {"tel", "", "", "", "+37798062121", "", "", false}},
        {"file:///etc/hosts", {"file", "", "", "", "/etc/hosts", "", "", true}},
        {"http://[2001:db8::1]:80/", {"http", "", "[2001:db8::1]", "80", "/", "", "", true}},
        {"//cdn.mc/logo.svg", {"", "", "cdn.mc", "", "/logo.svg", "", "", true}},
        {"a/b:c?", {"", "", "", "", "a/b:c", "", "", false, true, false}},
        {"", {}},
        // The last '@' ends the user part; a scheme of characters outside its set is a path.
        {"https://a@b@x.mc/", {"https", "a@b", "x.mc", "", "/", "", "", true}},
        {"a_b:c", {"", "", "", "", "a_b:c", "", "", false}},
        {"1ab:c", {"", "", "", "", "1ab:c", "", "", false}},
        {"x+y.z-w:q", {"x+y.z-w", "", "", "", "q", "", "", false}},
        {"/p#f?q", {"", "", "", "", "/p", "", "f?q", false, false, true}},
        {"%41b", {"", "", "", "", "%41b", "", "", false}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const auto result = splitUriReference(c.text);
        ASSERT_TRUE(result) << result.error;
        EXPECT_EQ(*result.url, c.parts);
    }
}

TEST(UriReferenceTest, RefusesCharactersOutsideTheGrammarNamingWhere) {
    const std::pair<std::string, std::string> cases[] = {
        {"https://x.mc/a b", "a space at 14"},
        {"https://x.mc/caf\xC3\xA9", "a character outside ASCII at 16"},
        {"https://x.mc/100%", "a '%' that starts no escape at 16"},
        {"https://x.mc/%4", "a '%' that starts no escape at 13"},
        {"https://x.mc/<b>", "'<' at 13"},
        {"https://x.mc/\t", "a control character at 13"},
        {"https://x.mc/\x1F", "a control character at 13"},
        {"https://x.mc:80a/", "a port that is not a number"},
        {"http://[2001:db8::1/", "an IPv6 host without its ']'"},
        {"http://[::1]x/", "characters after the IPv6 host"},
    };
    for (const auto& [text, why] : cases) {
        const auto result = splitUriReference(text);
        EXPECT_FALSE(result) << text;
        EXPECT_NE(result.error.find(why), std::string::npos) << result.error;
    }
}

}  // namespace
}  // namespace arquorel::browser
