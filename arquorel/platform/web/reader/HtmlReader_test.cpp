#include "arquorel/platform/web/reader/HtmlReader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace arquorel {
namespace {

TEST(HtmlReaderTest, TitleAndParagraphsAsAReaderShowsThem) {
    struct Case {
        const char* name;
        std::string html;
        std::string title;
        std::vector<std::string> paragraphs;
    };
    const std::vector<Case> cases = {
        {"title and paragraphs",
         "<!doctype html><html><head><title> Casino  de\n Monte-Carlo </title></head>"
         "<body><h1>Welcome</h1><p>Open <b>every</b> day.</p><p>Dress code applies.</p></body>",
         "Casino de Monte-Carlo",
         {"Welcome", "Open every day.", "Dress code applies."}},
        {"scripts, styles, comments and navigation are not text",
         "<title>T</title><style>p{color:red}</style><nav>Home | Menu</nav>"
         "<p>Kept<script>var p = '<p>not kept</p>';</script><!-- hidden --></p>",
         "T",
         {"Kept"}},
        {"entities are decoded, tags inside attributes are not text",
         "<title>Caf&eacute; &amp; Bar</title><p title='<b>no</b>'>1 &lt; 2 &#x2713;</p>",
         "Café & Bar",
         {"1 < 2 ✓"}},
        {"no title: the first heading",
         "<body><div>intro</div><h1>Fort <i>Antoine</i></h1></body>",
         "Fort Antoine",
         {"intro", "Fort Antoine"}},
        {"unclosed and misnested markup is repaired, not pattern-matched",
         "<p>one<p>two<b>three<i>four</b>five</i><li>six",
         "",
         {"one", "twothreefourfive", "six"}},
        {"line breaks and list items split paragraphs",
         "<p>a<br>b</p><ul><li>c</li><li> d </li></ul>",
         "",
         {"a", "b", "c", "d"}},
        {"empty page", "", "", {}},
        // Control characters and invalid UTF-8 become U+FFFD, as the HTML5 parsing rules say.
        // A character reference past U+10FFFF, and one of a surrogate.
        {"numeric references that name no character",
         "<title>&#x88888889;</title><p>a&#xD800;b</p>",
         "\uFFFD",
         {"a\uFFFDb"}},
        {"not HTML at all", "\x01 plain \xff text", "", {"\uFFFD plain \uFFFD text"}},
    };
    for (const auto& c : cases) {
        const ReaderPage page = readHtml(c.html);
        EXPECT_EQ(page.title, c.title) << c.name;
        EXPECT_EQ(page.paragraphs, c.paragraphs) << c.name;
        EXPECT_FALSE(page.truncated) << c.name;
    }
}

TEST(HtmlReaderTest, DeepNestingAndHugeTextStayBounded) {
    std::string deep;
    for (int i = 0; i < 3000; ++i) deep += "<div><span>";
    deep += "bottom";
    const ReaderPage nested = readHtml(deep);
    EXPECT_EQ(nested.paragraphs, (std::vector<std::string>{"bottom"}));

    std::string huge = "<p>";
    for (int i = 0; i < 40000; ++i) huge += "é ";  // 3 bytes a word with its space
    const ReaderPage cut = readHtml(huge);
    ASSERT_EQ(cut.paragraphs.size(), 1u);
    EXPECT_TRUE(cut.truncated);
    EXPECT_LE(cut.paragraphs[0].size(), kMaxReaderTextBytes);
    EXPECT_GT(cut.paragraphs[0].size(), kMaxReaderTextBytes - 4);
    // Cut between characters, never inside one.
    EXPECT_NE(static_cast<unsigned char>(cut.paragraphs[0].back()), 0xC3);
    EXPECT_EQ(ReaderPage({"t", {"a", "b"}, false}).text(), "a\n\nb");
}

}  // namespace
}  // namespace arquorel
